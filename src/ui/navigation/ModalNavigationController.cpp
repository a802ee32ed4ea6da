#include "ui/navigation/ModalNavigationController.h"

#include "platform/foundation/Log.h"
#include "ui/HeldAnimation.h"
#include "ui/panels/VisibleRows.h"

namespace vl {

namespace {

constexpr const char* kAnimCur = "animPosCur";
constexpr const char* kAnimPushed = "animPosPushed";

void settle(ui::View& view, ui::Point origin) {
  view.setFrameOrigin(origin);
  view.layer()->removeAnimation(kAnimCur);
  view.layer()->removeAnimation(kAnimPushed);
}

}  // namespace

ModalNavigationController::ModalNavigationController(std::shared_ptr<ModalViewController> root)
    : root_(std::move(root)) {
  view_ = ui::View::create();
  navigationBgView_ = NavigationBgView::create();
  view_->addSubview(navigationBgView_);
  if (!root_) {
    logWarning("ModalNavigationController: created without a root page");
    return;
  }
  root_->setNavigationController(this);
  root_->setIsRoot(true);
  current_ = root_;
  controllers_ = {root_};
}

void ModalNavigationController::present(ui::View* host, ui::Size) {
  if (!host || !root_) {
    logWarning("ModalNavigationController: nothing to present in, or no root page");
    return;
  }
  view_->setFrame(host->bounds());
  host->addSubview(view_);
  ui::Size size = view_->frame().size;
  navigationBgView_->setFrame(
      {0, size.height - ModalNavigationBar::kHeight, size.width, ModalNavigationBar::kHeight});
  view_->addSubview(root_->getMainView());
  root_->setMainViewSize(size);
  root_->viewDidLoad();
  root_->viewWillAppear();
  root_->viewDidAppear();
}

void ModalNavigationController::animateX(ui::View& view, double from, double to, const char* key,
                                         const char* id) {
  view.setWantsLayer(true);
  auto anim = heldAnimation("position.x", from, to, kDuration);
  if (id) {
    anim->setDelegate(std::static_pointer_cast<ui::AnimationDelegate>(shared_from_this()));
    anim->setValue("id", id);
  }
  view.layer()->addAnimation(anim, key);
}

void ModalNavigationController::pushModalViewController(const std::shared_ptr<ModalViewController>& page) {
  if (!page || !current_) {
    logWarning("ModalNavigationController: push without a page, ignored");
    return;
  }
  if (moving_) {
    logWarning("ModalNavigationController: push while a page moves, ignored");
    return;
  }
  page->setNavigationController(this);
  page->setMainViewSize(view_->frame().size);
  page->viewDidLoad();
  page->viewWillAppear();
  current_->viewWillDisappear();
  controllers_.push_back(page);
  auto& pushed = page->getMainView();
  pushed->setFrameOrigin({pushed->frame().width(), 0});
  view_->addSubview(pushed);
  moving_ = true;
  const ui::Rect& content = current_->view()->frame();
  animateX(*current_->getMainView(), 0, (content.origin.x - content.width()) / 2, kAnimCur, "push");
  animateX(*pushed, pushed->frame().origin.x, 0, kAnimPushed, nullptr);
}

void ModalNavigationController::popModalViewController() {
  if (moving_ || controllers_.size() < 2) {
    logWarning("ModalNavigationController: pop while a page moves or of the root page, ignored");
    return;
  }
  current_->viewWillDisappear();
  auto below = controllers_[controllers_.size() - 2];
  slideTo(below, "pop");
  below->viewWillAppear();
}

void ModalNavigationController::popToRootController() {
  if (moving_ || current_ == root_ || controllers_.size() < 2) return;
  current_->viewWillDisappear();
  slideTo(root_, "popToRoot");
  root_->viewWillAppear();
}

void ModalNavigationController::slideTo(const std::shared_ptr<ModalViewController>& below, const char* id) {
  auto& belowView = below->getMainView();
  auto& currentView = current_->getMainView();
  view_->addSubview(belowView, ui::View::Ordering::Below, currentView.get());
  belowView->setFrameOrigin({-belowView->frame().width() / 2, 0});
  moving_ = true;
  animateX(*currentView, 0, currentView->frame().width(), kAnimCur, id);
  animateX(*belowView, belowView->frame().origin.x, 0, kAnimPushed, nullptr);
}

void ModalNavigationController::animationDidStop(ui::Animation& animation, bool finished) {
  if (!finished) return;
  Json id = animation.value("id");
  if (!id.is_string() || !current_) return;
  auto keepAlive = shared_from_this();
  auto leaving = current_;
  double w = leaving->view()->frame().width();
  leaving->viewDidDisappear();
  if (id == "push") {
    settle(*leaving->getMainView(), {-w, 0});
    leaving->getMainView()->removeFromSuperview();
  } else if (id == "pop" || id == "popToRoot") {
    settle(*leaving->getMainView(), {w, 0});
    leaving->getMainView()->removeFromSuperview();
    controllers_.pop_back();
    if (id == "popToRoot") {
      for (std::size_t i = 1; i < controllers_.size(); ++i)
        controllers_[i]->getMainView()->removeFromSuperview();
      controllers_.resize(1);
    }
  } else {
    return;
  }
  moving_ = false;
  current_ = controllers_.back();
  current_->viewDidAppear();
  settle(*current_->getMainView(), {0, 0});
  refreshVisibleRows(*current_->getMainView());
  // Pages take clicks only once at rest; a road test waits for this line before it clicks on.
  logDebugf("ModalNavigationController: came to rest after a %s", id.get<std::string>().c_str());
}

}  // namespace vl
