#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/view/Animation.h"
#include "platform/ui/view/View.h"
#include "ui/navigation/ModalNavigationBar.h"
#include "ui/navigation/ModalViewController.h"
#include "ui/navigation/VLPresenting.h"

namespace vl {

// A stack of pages inside a panel or slide, pushed and popped sideways in 0.3 s. The page on top changes
// when a move ends; a push or pop asked for while one moves is ignored, as is a pop of the root. Held by
// shared_ptr (create()). Main thread only.
class ModalNavigationController : public ui::AnimationDelegate,
                                  public std::enable_shared_from_this<ModalNavigationController> {
 public:
  static constexpr double kDuration = 0.3;

  explicit ModalNavigationController(std::shared_ptr<ModalViewController> root);
  static std::shared_ptr<ModalNavigationController> create(std::shared_ptr<ModalViewController> root) {
    return std::make_shared<ModalNavigationController>(std::move(root));
  }

  // The panel or slide that holds the navigation; it owns the navigation, so it is not kept alive here.
  void setPresenting(VLPresenting* presenting) { presenting_ = presenting; }
  VLPresenting* presenting() const { return presenting_; }
  // Fills the host with the container and shows the root page.
  void present(ui::View* host, ui::Size size);

  void pushModalViewController(const std::shared_ptr<ModalViewController>& page);
  void popModalViewController();
  void popToRootController();
  bool isMoving() const { return moving_; }

  const std::vector<std::shared_ptr<ModalViewController>>& controllers() const { return controllers_; }
  const std::shared_ptr<ModalViewController>& currentModalViewController() const { return current_; }
  const std::shared_ptr<ModalViewController>& rootModalViewController() const { return root_; }
  const std::shared_ptr<ui::View>& view() const { return view_; }
  const std::shared_ptr<NavigationBgView>& navigationBgView() const { return navigationBgView_; }

  void animationDidStop(ui::Animation& animation, bool finished) override;

 private:
  void slideTo(const std::shared_ptr<ModalViewController>& below, const char* id);
  void animateX(ui::View& view, double from, double to, const char* key, const char* id);

  std::shared_ptr<ModalViewController> root_;
  std::shared_ptr<ModalViewController> current_;
  std::vector<std::shared_ptr<ModalViewController>> controllers_;
  std::shared_ptr<ui::View> view_;
  std::shared_ptr<NavigationBgView> navigationBgView_;
  VLPresenting* presenting_ = nullptr;
  bool moving_ = false;
};

}  // namespace vl
