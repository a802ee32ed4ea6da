#pragma once

#include <memory>

#include "Windows/Permission/DirectPasteObstacle.h"
#include "ui/tabbar/VLViewController.h"

namespace vl {

class PermissionWindow;

// The permission window's controller: its view fills the window.
class PermissionViewController : public VLViewController {
 public:
  using Session = PasteSession (*)();
  PermissionViewController(PermissionWindow* window, Session session) : window_(window), session_(session) {}
  // `session` tells what the desktop offers; by default the running program's.
  static std::shared_ptr<PermissionViewController> create(PermissionWindow* window,
                                                          Session session = currentPasteSession) {
    return std::make_shared<PermissionViewController>(window, session);
  }
  PermissionWindow* window() const { return window_; }

  void loadView() override;
  void viewDidLoad() override;

 private:
  // The window owns this controller.
  PermissionWindow* window_;
  Session session_;
};

}  // namespace vl
