#include "platform/ui/view/ViewController.h"

#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"
#include "platform/ui/view/View.h"
#include "platform/ui/window/Window.h"

namespace vl::ui {

ViewController::~ViewController() {
  if (view_ && view_->viewController_ == this) view_->viewController_ = nullptr;
}

const std::shared_ptr<View>& ViewController::view() {
  VL_DCHECK_ON_MAIN();
  if (!view_ && !loading_) {
    loading_ = true;
    loadView();
    loading_ = false;
    if (!view_) {
      logWarningf("%s: loadView set no view; using a plain one", className().c_str());
      setView(View::create());
    }
    viewDidLoad();
  }
  if (!view_) {
    // Asked for the view while loadView runs and before it set one.
    static const std::shared_ptr<View> none;
    return none;
  }
  return view_;
}

void ViewController::setView(const std::shared_ptr<View>& view) {
  VL_DCHECK_ON_MAIN();
  if (view == view_) return;
  if (view_ && view_->viewController_ == this) view_->viewController_ = nullptr;
  view_ = view;
  if (view_) view_->viewController_ = this;
}

void ViewController::loadView() { setView(View::create()); }

Responder* ViewController::nextResponder() const {
  if (Responder* explicitNext = Responder::nextResponder()) return explicitNext;
  if (!view_) return nullptr;
  if (view_->superview()) return view_->superview();
  return view_->window();
}

}  // namespace vl::ui
