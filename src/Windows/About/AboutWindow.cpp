#include "Windows/About/AboutWindow.h"

#include "Windows/About/AboutViewController.h"
#include "Windows/Main/WindowCenter.h"
#include "theme/VLThemeCategories.h"

namespace vl {

AboutWindow::AboutWindow(const ui::Rect& contentRect)
    : VLWindow(contentRect, ui::WindowStyle::Titled | ui::WindowStyle::Closable) {
  setTitle(kTitle);
}

std::shared_ptr<AboutWindow> AboutWindow::registerAboutWindow() {
  auto window = std::make_shared<AboutWindow>(ui::Rect{0, 0, kWidth, kHeight});
  setBackgroundColorAssetKey(*window, std::string("vellistoBackgroundColorSystem11"));
  themeManager(*window);
  auto controller = std::make_shared<AboutViewController>();
  controller->setWindow(window.get());
  window->setContentViewController(controller);
  WindowCenter::shared().registerWindow(window, kAboutWindowKey);
  return window;
}

void AboutWindow::becomeKeyWindow() {
  VLWindow::becomeKeyWindow();
  setAppear(true);
  WindowCenter::shared().setCurrentKeyWindow(kAboutWindowKey);
}

void AboutWindow::close() {
  setAppear(false);
  VLWindow::close();
}

}  // namespace vl
