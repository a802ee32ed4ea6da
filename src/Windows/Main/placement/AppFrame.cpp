#include "Windows/Main/placement/AppFrame.h"

#include <memory>
#include <vector>

#include "Windows/Main/WindowCenter.h"
#include "Windows/Main/placement/DragStore.h"
#include "core/VLConfig.h"
#include "platform/foundation/Check.h"
#include "platform/ui/view/View.h"
#include "platform/ui/view/ViewController.h"
#include "platform/ui/window/Window.h"

namespace vl {

namespace {

constexpr const char* kListName = "of the main window (settings key 111)";

std::vector<ui::Point> storedOrigins() {
  return origins::read(VLConfig::shared().getValueOfKey(VLConfig::kWindowOrigins), kListName);
}

void store(const std::vector<ui::Point>& points) {
  VLConfig::shared().setValueOfKey(VLConfig::kWindowOrigins, origins::write(points));
}

std::shared_ptr<ui::Window> mainWindow() { return WindowCenter::shared().windowForKey(kMainWindowKey); }

}  // namespace

AppFrame& AppFrame::shared() {
  static AppFrame* frame = new AppFrame();  // used by window callbacks until exit
  return *frame;
}

void AppFrame::resetForTesting() {
  clickedScreen_.reset();
  onDrag_ = false;
  dragStartPoint_ = {};
}

void AppFrame::updateByMousePoint(ui::Point point) {
  VL_DCHECK_ON_MAIN();
  if (auto frame = origins::screenFrameContaining(point)) clickedScreen_ = *frame;
}

ui::Rect AppFrame::activeScreenFrame() const {
  if (clickedScreen_ && origins::screenStillAttached(*clickedScreen_)) return *clickedScreen_;
  if (pointerLocation_) {
    if (auto pointer = pointerLocation_()) {
      if (auto frame = origins::screenFrameContaining(*pointer)) return *frame;
    }
  }
  return origins::mainScreenFrame();
}

double AppFrame::mainHeight() const {
  std::shared_ptr<ui::Window> window = mainWindow();
  if (!window) return 0;
  if (const auto& controller = window->contentViewController()) return controller->view()->frame().height();
  return window->contentView() ? window->contentView()->frame().height() : 0;
}

ui::Point AppFrame::centredOrigin(const ui::Rect& screen, double height) const {
  const ui::Point origin{screen.minX() + (screen.width() - kMainWidth) / 2,
                         screen.minY() + (screen.height() - height) / 2};
  return origins::placeInside(origin, {kMainWidth, height}, screen);
}

ui::Rect AppFrame::getFull() {
  VL_DCHECK_ON_MAIN();
  std::vector<ui::Point> points = storedOrigins();
  const ui::Rect screen = activeScreenFrame();
  const double height = mainHeight();
  for (const ui::Point& p : points) {
    if (screen.contains(p)) return {p, {kMainWidth, height}};
  }
  const ui::Point origin = centredOrigin(screen, height);
  if (screen.contains(origin)) {
    points.push_back(origin);
    store(points);
  }
  return {origin, {kMainWidth, height}};
}

void AppFrame::center() {
  VL_DCHECK_ON_MAIN();
  std::shared_ptr<ui::Window> window = mainWindow();
  if (!window) return;
  const double height = mainHeight();
  window->setFrame({centredOrigin(activeScreenFrame(), height), {kMainWidth, height}}, true);
  record();
}

void AppFrame::startDrag(ui::Point pointInWindow) {
  VL_DCHECK_ON_MAIN();
  onDrag_ = true;
  dragStartPoint_ = pointInWindow;
}

void AppFrame::updateByMouseDraggedPoint(ui::Point pointInWindow) {
  VL_DCHECK_ON_MAIN();
  if (!onDrag_) return;
  std::shared_ptr<ui::Window> window = mainWindow();
  if (!window) return;
  // The start point stays: the point is measured in the window, which has moved with the pointer.
  window->setFrame(
      window->frame().offsetBy(pointInWindow.x - dragStartPoint_.x, pointInWindow.y - dragStartPoint_.y),
      true);
  record();
}

void AppFrame::record() {
  VL_DCHECK_ON_MAIN();
  std::vector<ui::Point> points = storedOrigins();
  if (std::shared_ptr<ui::Window> window = mainWindow())
    origins::replaceOnScreen(points, activeScreenFrame(), window->frame().origin);
  store(points);
}

ui::Rect AppFrame::centerOfSize(ui::Size size) const {
  const ui::Rect s = activeScreenFrame();
  return {s.minX() + (s.width() - size.width) / 2, s.minY() + (s.height() - size.height) / 2, size.width,
          size.height};
}

ui::Rect AppFrame::horizontalCenterOfFrame(ui::Size size, double marginTop) const {
  const ui::Rect s = activeScreenFrame();
  return {s.minX() + (s.width() - size.width) / 2, s.maxY() - size.height - marginTop, size.width,
          size.height};
}

ui::Rect AppFrame::horizontalCenterOfFrameMarginRight(ui::Size size, double marginTop,
                                                      double marginRight) const {
  const ui::Rect s = activeScreenFrame();
  return {s.maxX() - size.width - marginRight, s.maxY() - size.height - marginTop, size.width, size.height};
}

ui::Rect AppFrame::horizontalCenterOfFrameMarginLeft(ui::Size size, double marginTop,
                                                     double marginLeft) const {
  const ui::Rect s = activeScreenFrame();
  return {s.minX() + marginLeft, s.maxY() - size.height - marginTop, size.width, size.height};
}

}  // namespace vl
