#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ui/view/View.h"
#include "ui/controls/ImageTextButton.h"
#include "ui/tabbar/VLViewController.h"

namespace vl {

class VLTabBar;

// One tab: an image over a title, with the page it shows.
class VLTabBarItem : public ImageTextButton {
 public:
  explicit VLTabBarItem(const ui::Rect& frame = {});
  static std::shared_ptr<VLTabBarItem> create() { return std::make_shared<VLTabBarItem>(); }

  const std::shared_ptr<VLViewController>& viewController() const { return viewController_; }
  void setViewController(std::shared_ptr<VLViewController> controller) {
    viewController_ = std::move(controller);
  }
  std::int64_t index() const { return index_; }
  void setIndex(std::int64_t index) { index_ = index; }

 private:
  std::shared_ptr<VLViewController> viewController_;
  std::int64_t index_ = 0;
};

class VLTabBarDelegate {
 public:
  virtual ~VLTabBarDelegate() = default;
  virtual ui::Size tabBarItemSize() = 0;
  virtual void tabBarDidClickItem(VLTabBar& bar, VLTabBarItem& item) = 0;
};

// A row of tabs, at most one selected. The items are placed once, when the bar joins its superview.
class VLTabBar : public ui::View {
 public:
  VLTabBar();
  static std::shared_ptr<VLTabBar> create() { return std::make_shared<VLTabBar>(); }

  void addItem(const std::shared_ptr<VLTabBarItem>& item);
  const std::vector<std::shared_ptr<VLTabBarItem>>& items() const { return items_; }
  std::size_t itemCount() const { return items_.size(); }
  std::shared_ptr<VLTabBarItem> firstItem() const { return items_.empty() ? nullptr : items_.front(); }
  // An index outside the items is ignored.
  void selectItemAtIndex(std::size_t index);
  void itemClick(VLTabBarItem& item);
  const std::shared_ptr<VLTabBarItem>& lastItem() const { return lastItem_; }

  std::shared_ptr<VLTabBarDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<VLTabBarDelegate>& delegate) { delegate_ = delegate; }

  void viewDidMoveToSuperview() override;

 private:
  std::shared_ptr<VLTabBarItem> lastItem_;
  std::weak_ptr<VLTabBarDelegate> delegate_;
  std::vector<std::shared_ptr<VLTabBarItem>> items_;
};

}  // namespace vl
