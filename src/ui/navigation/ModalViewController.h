#pragma once

#include <memory>
#include <string>

#include "platform/ui/view/Responder.h"
#include "platform/ui/view/View.h"
#include "ui/controls/Button2.h"
#include "ui/navigation/ModalNavigationBar.h"

namespace vl {

class ModalNavigationController;

// One page of a modal navigation: a bar (top, or bottom when asked before it is shown) and a content
// area. Subclasses build their content in viewDidLoad (calling the base) and may offer a right item.
// Held by shared_ptr; create with ModalViewController::make<T>(). Main thread only.
class ModalViewController : public ui::ActionTarget {
 public:
  static constexpr const char* kMainBackgroundKey = "modalViewBackgroundColor";

  ModalViewController() = default;
  template <typename T = ModalViewController, typename... Args>
  static std::shared_ptr<T> make(Args&&... args) {
    auto page = std::make_shared<T>(std::forward<Args>(args)...);
    page->build();
    return page;
  }

  void setMainViewSize(ui::Size size);
  virtual void viewDidLoad();
  virtual void viewWillAppear() {}
  virtual void viewDidAppear() {}
  virtual void viewWillDisappear() {}
  virtual void viewDidDisappear() {}
  // The bar's right button; none in the base.
  virtual std::shared_ptr<ui::View> rightItem() { return nullptr; }
  // Called before Cancel or Back acts.
  virtual void didClickLeftItem() {}

  void cancel();
  void back();
  // A one-button message over the page; Escape closes it.
  void simpleAlert(const std::string& message);

  void setTitle(const std::string& title);
  const std::shared_ptr<ui::View>& getMainView() const { return mainView_; }
  const std::shared_ptr<ModalNavigationBar>& navigationBar() const { return navigationBar_; }
  const std::shared_ptr<ui::View>& view() const { return view_; }
  ModalNavigationController* navigationController() const { return navigationController_; }
  void setNavigationController(ModalNavigationController* nav) { navigationController_ = nav; }
  bool isRoot() const { return isRoot_; }
  void setIsRoot(bool root) { isRoot_ = root; }
  bool showNavigationBarAtBottom() const { return showNavigationBarAtBottom_; }
  void setShowNavigationBarAtBottom(bool bottom) { showNavigationBarAtBottom_ = bottom; }
  const std::shared_ptr<Button2>& cancelItem();
  const std::shared_ptr<Button2>& backItem();

 protected:
  void build();

 private:
  std::shared_ptr<ui::View> mainView_;
  std::shared_ptr<ModalNavigationBar> navigationBar_;
  std::shared_ptr<ui::View> view_;
  std::shared_ptr<Button2> cancelItem_;
  std::shared_ptr<Button2> backItem_;
  std::shared_ptr<Button2> makeLeftItem(const std::string& title, const char* action);
  // The navigation owns its pages.
  ModalNavigationController* navigationController_ = nullptr;
  bool isRoot_ = false;
  bool showNavigationBarAtBottom_ = false;
};

}  // namespace vl
