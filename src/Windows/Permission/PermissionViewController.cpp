#include "Windows/Permission/PermissionViewController.h"

#include "Windows/Permission/PermissionView2.h"
#include "Windows/Permission/PermissionWindow.h"

namespace vl {

void PermissionViewController::loadView() { setView(PermissionView2::create({}, session_)); }

void PermissionViewController::viewDidLoad() {
  const ui::Size size = window_ ? window_->contentRect().size : ui::Size{};
  view()->setFrameSize(size);
}

}  // namespace vl
