#include "Windows/Main/MainWindow.h"

#include "Windows/Main/MainViewController.h"
#include "Windows/Main/SearchInput2.h"
#include "Windows/Main/WindowCenter.h"
#include "platform/foundation/Log.h"
#include "platform/ui/view/Event.h"

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

void MainWindow::sendEvent(const ui::Event& event) {
  const ui::EventType type = event.type();
  const bool press = type == ui::EventType::LeftMouseDown || type == ui::EventType::RightMouseDown ||
                     type == ui::EventType::OtherMouseDown;
  auto controller = std::dynamic_pointer_cast<MainViewController>(contentViewController());
  if (!controller || (!press && type != ui::EventType::LeftMouseUp)) {
    VLWindow::sendEvent(event);
    return;
  }
  // A row, the preview or a bar takes the keyboard on a press (the table to move its choice, the preview
  // to select its text); the user goes on typing the query, so it comes back at once, caret and all.
  if (press) caretBeforePress_ = controller->searchInput()->caret();
  const auto keep = weak_from_this().lock();
  VLWindow::sendEvent(event);
  controller->keepTypingInSearch(caretBeforePress_);
}

void MainWindow::close() {
  setAppear(false);
  VLWindow::close();
}

}  // namespace vl
