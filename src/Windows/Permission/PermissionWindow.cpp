#include "Windows/Permission/PermissionWindow.h"

#include "Windows/Main/WindowCenter.h"
#include "Windows/Permission/PermissionView2.h"
#include "Windows/Permission/PermissionViewController.h"
#include "platform/ui/view/ViewController.h"
#include "theme/VLThemeCategories.h"

namespace vl {

PermissionWindow::PermissionWindow(const ui::Rect& contentRect)
    : ModalWindow(contentRect,
                  ui::WindowStyle::Titled | ui::WindowStyle::Closable | ui::WindowStyle::NonactivatingPanel) {
  setTitle(kTitle);
}

std::shared_ptr<PermissionWindow> PermissionWindow::registerPermissionWindow(PasteSession (*session)()) {
  auto window = std::make_shared<PermissionWindow>(ui::Rect{0, 0, kWidth, kHeight});
  setBackgroundColorAssetKey(*window, std::string("premissionVellistoRedGradinetStart"));
  window->setContentViewController(PermissionViewController::create(window.get(), session));
  WindowCenter::shared().registerWindow(window, kPermissionWindowKey);
  return window;
}

void PermissionWindow::becomeKeyWindow() {
  ModalWindow::becomeKeyWindow();
  setAppear(true);
  // The window is made once at start; what the desktop lacks is read each time it shows.
  if (auto view = permissionView()) view->showObstacle();
  WindowCenter::shared().setCurrentKeyWindow(kPermissionWindowKey);
}

void PermissionWindow::close() {
  setAppear(false);
  ModalWindow::close();
}

std::shared_ptr<PermissionView2> PermissionWindow::permissionView() {
  auto controller = contentViewController();
  return controller ? std::dynamic_pointer_cast<PermissionView2>(controller->view()) : nullptr;
}

}  // namespace vl
