#include "Windows/About/HelpWindow.h"

#include "Windows/About/HelpViewController.h"
#include "Windows/Main/WindowCenter.h"
#include "platform/foundation/Log.h"
#include "theme/VLThemeCategories.h"

namespace vl {

HelpWindow::HelpWindow(const ui::Rect& contentRect)
    : VLWindow(contentRect, ui::WindowStyle::Titled | ui::WindowStyle::Closable) {
  setTitle(kTitle);
  setHasShadow(true);
}

std::shared_ptr<HelpWindow> HelpWindow::registerHelpWindow() {
  auto window = std::make_shared<HelpWindow>(ui::Rect{0, 0, kWidth, kHeight});
  setBackgroundColorAssetKey(*window, std::string("vellistoBackgroundColorSystem11"));
  themeManager(*window);
  auto controller = std::make_shared<HelpViewController>();
  controller->setWindow(window.get());
  window->setContentViewController(controller);
  WindowCenter::shared().registerWindow(window, kHelpWindowKey);
  return window;
}

void HelpWindow::becomeKeyWindow() {
  VLWindow::becomeKeyWindow();
  setAppear(true);
  logDebug("did become key window " + title());
  WindowCenter::shared().setCurrentKeyWindow(kHelpWindowKey);
}

void HelpWindow::close() {
  setAppear(false);
  VLWindow::close();
}

}  // namespace vl
