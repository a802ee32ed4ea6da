#include "Windows/Record/RecordWindow.h"

#include <atomic>

#include "Windows/Main/WindowCenter.h"
#include "Windows/Record/RecordViewController.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

// Capture asks on its own queue whether to announce a copy; the window lives on the main thread.
std::atomic<bool> shownNow{false};

}  // namespace

RecordWindow::RecordWindow(const ui::Rect& contentRect)
    : VLPanel(contentRect, ui::WindowStyle::NonactivatingPanel) {
  setFloatingPanel(true);
  setCollectionBehavior(ui::CollectionBehavior::CanJoinAllSpaces);
  setTitle("Vellisto Record");
  setBackgroundColor(ui::Color::clear());
  setOpaque(false);
  setHasShadow(true);
  setHidesOnDeactivate(false);
}

std::shared_ptr<RecordWindow> RecordWindow::registerRecordWindow() {
  auto window = std::make_shared<RecordWindow>(ui::Rect{0, 0, kWidth, kHeight});
  window->setContentViewController(RecordViewController::create(window.get()));
  WindowCenter::shared().registerWindow(window, kRecordWindowKey);
  return window;
}

void RecordWindow::setShown(bool shown) {
  setAppear(shown);
  shownNow.store(shown);
}

bool RecordWindow::isShown() { return shownNow.load(); }

void RecordWindow::close() {
  setShown(false);
  VLPanel::close();
}

DragStore* RecordWindow::dragStore() {
  if (!dragStore_) dragStore_.emplace(kRecordWindowKey);
  return &*dragStore_;
}

void RecordWindow::mouseDown(const ui::Event& event) { dragStore()->startDrag(event.locationInWindow()); }

void RecordWindow::mouseDragged(const ui::Event& event) {
  dragStore()->updateByMouseDraggedPoint(event.locationInWindow());
}

void RecordWindow::mouseUp(const ui::Event&) { dragStore()->stopDrag(); }

void RecordWindow::saveOnce() { controller().setNeedClear(false); }

RecordViewController& RecordWindow::controller() const {
  return static_cast<RecordViewController&>(*contentViewController());
}

void showRecordWindow() { WindowCenter::shared().showWindowByKey(kRecordWindowKey); }

void toggleRecordWindow() {
  WindowCenter& center = WindowCenter::shared();
  if (center.windowAppear(kRecordWindowKey)) {
    center.dismissRecord();
  } else {
    showRecordWindow();
  }
}

}  // namespace vl
