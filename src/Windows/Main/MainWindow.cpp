#include "Windows/Main/MainWindow.h"

#include "Windows/Main/WindowCenter.h"
#include "platform/foundation/Log.h"

namespace vl {

MainWindow::MainWindow(const ui::Rect& contentRect) : VLWindow(contentRect, ui::WindowStyle::Borderless) {
  setBackgroundColor(ui::Color::clear());
  setOpaque(false);
  setHasShadow(true);
  setCollectionBehavior(ui::CollectionBehavior::MoveToActiveSpace);
  setTitle("Vellisto");
}

void MainWindow::becomeKeyWindow() {
  setAppear(true);
  WindowCenter::shared().setCurrentKeyWindow(kMainWindowKey);
  logDebugf("did become key window %s", title().c_str());
}

void MainWindow::close() {
  setAppear(false);
  VLWindow::close();
}

}  // namespace vl
