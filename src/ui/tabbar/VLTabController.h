#pragma once

#include <memory>

#include "platform/ui/view/View.h"
#include "ui/Line.h"
#include "ui/tabbar/VLTabBar.h"

namespace vl {

class VLTabController;

class VLTabControllerDelegate {
 public:
  virtual ~VLTabControllerDelegate() = default;
  virtual void tabControllerDidChangeHeight(VLTabController& controller, float height,
                                            VLTabBarItem& comingItem) = 0;
};

// Shows the chosen tab's page under the bar and reports the height the window needs for it. Create with
// create(); it keeps its delegate alive. Main thread only.
class VLTabController : public VLTabBarDelegate, public std::enable_shared_from_this<VLTabController> {
 public:
  static constexpr ui::Size kItemSize{70, 50};

  static std::shared_ptr<VLTabController> create() { return std::make_shared<VLTabController>(); }

  const std::shared_ptr<ui::View>& view();
  const std::shared_ptr<Line>& line();
  const std::shared_ptr<VLTabBar>& tabBar() const { return tabBar_; }
  void setTabBar(const std::shared_ptr<VLTabBar>& bar);
  const std::shared_ptr<VLTabControllerDelegate>& delegate() const { return delegate_; }
  void setDelegate(std::shared_ptr<VLTabControllerDelegate> delegate) { delegate_ = std::move(delegate); }

  ui::Size tabBarItemSize() override { return kItemSize; }
  void tabBarDidClickItem(VLTabBar& bar, VLTabBarItem& item) override;

 private:
  std::shared_ptr<ui::View> view_;
  std::shared_ptr<VLTabBar> tabBar_;
  std::shared_ptr<VLTabControllerDelegate> delegate_;
  std::shared_ptr<Line> line_;
};

}  // namespace vl
