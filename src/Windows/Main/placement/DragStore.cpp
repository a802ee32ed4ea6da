#include "Windows/Main/placement/DragStore.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "Windows/Main/WindowCenter.h"
#include "Windows/Main/placement/VLWindowFraming.h"
#include "core/VLConfig.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"
#include "platform/ui/window/Screen.h"
#include "platform/ui/window/Window.h"

namespace vl {

namespace origins {

namespace {

// "{-123456.5, 7890.25}" is 20 characters; anything far longer is not a point we wrote.
constexpr std::size_t kMaxPointText = 64;

void skipBlanks(const std::string& text, std::size_t& at) {
  while (at < text.size() && text[at] == ' ') ++at;
}

std::optional<double> number(const std::string& text, std::size_t& at) {
  skipBlanks(text, at);
  const char* start = text.c_str() + at;
  char* end = nullptr;
  const double value = std::strtod(start, &end);
  if (end == start || !std::isfinite(value)) return std::nullopt;
  at += static_cast<std::size_t>(end - start);
  return value;
}

bool expect(const std::string& text, std::size_t& at, char c) {
  skipBlanks(text, at);
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

}  // namespace

std::optional<ui::Point> parsePoint(const std::string& text) {
  if (text.size() > kMaxPointText) return std::nullopt;
  std::size_t at = 0;
  if (!expect(text, at, '{')) return std::nullopt;
  const std::optional<double> x = number(text, at);
  if (!x || !expect(text, at, ',')) return std::nullopt;
  const std::optional<double> y = number(text, at);
  if (!y || !expect(text, at, '}')) return std::nullopt;
  skipBlanks(text, at);
  if (at != text.size()) return std::nullopt;
  return ui::Point{*x, *y};
}

std::vector<ui::Point> read(const std::optional<Json>& stored, const std::string& listName) {
  std::vector<ui::Point> points;
  if (!stored || stored->is_null()) return points;
  if (!stored->is_array()) {
    logWarningf("window origins %s: not a list (%s), starting afresh", listName.c_str(), stored->type_name());
    return points;
  }
  std::size_t index = 0;
  for (const Json& entry : *stored) {
    if (index == kMaxEntries) {
      logWarningf("window origins %s: only the first %zu of %zu entries are read", listName.c_str(),
                  kMaxEntries, stored->size());
      break;
    }
    std::optional<ui::Point> point;
    if (entry.is_string()) point = parsePoint(entry.get<std::string>());
    if (point) {
      points.push_back(*point);
    } else {
      logWarningf("window origins %s: entry %zu is not a point, skipped", listName.c_str(), index);
    }
    ++index;
  }
  return points;
}

Json write(const std::vector<ui::Point>& points) {
  Json list = Json::array();
  for (const ui::Point& p : points) list.push_back(ui::stringFromPoint(p));
  return list;
}

std::optional<ui::Rect> screenFrameContaining(ui::Point point) {
  for (const auto& screen : ui::Screen::screens()) {
    if (screen->frame().contains(point)) return screen->frame();
  }
  return std::nullopt;
}

bool screenStillAttached(const ui::Rect& frame) {
  for (const auto& screen : ui::Screen::screens()) {
    if (screen->frame() == frame) return true;
  }
  return false;
}

ui::Rect mainScreenFrame() {
  std::shared_ptr<ui::Screen> main = ui::Screen::mainScreen();
  return main ? main->frame() : ui::Rect();
}

ui::Point placeInside(ui::Point origin, ui::Size size, const ui::Rect& screen) {
  auto clamp = [](double v, double low, double length, double screenLength) {
    const double high = low + screenLength - length;
    if (v > high) v = high;
    if (v < low) v = low;
    return v;
  };
  return {clamp(origin.x, screen.minX(), size.width, screen.width()),
          clamp(origin.y, screen.minY(), size.height, screen.height())};
}

ui::Rect visibleFrameOf(const ui::Rect& screenFrame) {
  for (const auto& screen : ui::Screen::screens()) {
    if (screen->frame() == screenFrame && !screen->visibleFrame().isEmpty()) return screen->visibleFrame();
  }
  return screenFrame;
}

ui::Rect fitInside(const ui::Rect& frame, const ui::Rect& area) {
  if (area.isEmpty() || frame.isEmpty() || area.contains(frame)) return frame;
  // Pushed off an edge, a window stands this far from it, as far as the area leaves room.
  static constexpr double kMargin = 8;
  // One axis: [low, low + length) into [from, from + room); `keepHigh` keeps the high end in when too long.
  auto axis = [](double low, double length, double from, double room, bool keepHigh) {
    if (low >= from && low + length <= from + room) return low;
    const double margin = std::clamp((room - length) / 2, 0.0, kMargin);
    if (length + 2 * margin > room) return keepHigh ? from + room - length : from;
    return std::clamp(low, from + margin, from + room - margin - length);
  };
  const ui::Rect f = frame.standardized(), a = area.standardized();
  return {axis(f.minX(), f.width(), a.minX(), a.width(), false),
          axis(f.minY(), f.height(), a.minY(), a.height(), true), f.width(), f.height()};
}

void replaceOnScreen(std::vector<ui::Point>& points, const ui::Rect& screen, ui::Point origin) {
  if (!screen.contains(origin)) return;
  for (ui::Point& p : points) {
    if (screen.contains(p)) {
      p = origin;
      return;
    }
  }
}

}  // namespace origins

DragStore::DragStore(std::string windowKey) : windowKey_(std::move(windowKey)) {}

ui::Rect DragStore::activeScreenFrame() const {
  if (activeScreenFrame_ && origins::screenStillAttached(*activeScreenFrame_)) return *activeScreenFrame_;
  return origins::mainScreenFrame();
}

std::vector<ui::Point> DragStore::storedOrigins() const {
  return origins::read(VLConfig::shared().groupUserDefaults().object(originsKey()), originsKey());
}

void DragStore::store(const std::vector<ui::Point>& points) const {
  VLConfig::shared().groupUserDefaults().setObject(originsKey(), origins::write(points));
}

ui::Rect DragStore::getFrame() {
  VL_DCHECK_ON_MAIN();
  std::vector<ui::Point> points = storedOrigins();
  std::shared_ptr<ui::Window> window = WindowCenter::shared().windowForKey(windowKey_);
  ui::Rect frame = window ? window->frame() : ui::Rect();
  const ui::Rect screen = activeScreenFrame();
  if (auto* framing = dynamic_cast<VLWindowFraming*>(window.get())) {
    frame.size = framing->defaultSize();
    const ui::EdgeInsets in = framing->defaultEdgeInsets();
    const bool top = in.top > 0;
    const bool left = in.left > 0;
    if (top) frame.origin.y = screen.minY() + screen.height() - frame.size.height - in.top;
    if (left) frame.origin.x = screen.minX() + in.left;
    if (!top && in.bottom > 0) frame.origin.y = screen.minY() + in.bottom;
    if (!left && in.right > 0) frame.origin.x = screen.minX() + screen.width() - frame.size.width - in.right;
  }
  for (const ui::Point& p : points) {
    if (screen.contains(p)) return {p, frame.size};
  }
  // The default position may lie off this screen (a window that was last elsewhere, insets larger
  // than a small screen); what is remembered must belong to the screen it is remembered for.
  frame.origin = origins::placeInside(frame.origin, frame.size, screen);
  if (screen.contains(frame.origin)) {
    points.push_back(frame.origin);
    store(points);
  }
  return frame;
}

void DragStore::updateByMousePoint(ui::Point point) {
  if (auto frame = origins::screenFrameContaining(point)) activeScreenFrame_ = *frame;
}

void DragStore::startDrag(ui::Point point) {
  VL_DCHECK_ON_MAIN();
  onDrag_ = true;
  dragStartPoint_ = point;
}

void DragStore::updateByMouseDraggedPoint(ui::Point point) {
  VL_DCHECK_ON_MAIN();
  if (!onDrag_) return;
  std::shared_ptr<ui::Window> window = WindowCenter::shared().windowForKey(windowKey_);
  if (!window) return;
  const double dx = static_cast<float>(point.x - dragStartPoint_.x);
  const double dy = static_cast<float>(point.y - dragStartPoint_.y);
  window->setFrame(window->frame().offsetBy(dx, dy), true);
  record();
}

void DragStore::record() {
  VL_DCHECK_ON_MAIN();
  std::vector<ui::Point> points = storedOrigins();
  if (std::shared_ptr<ui::Window> window = WindowCenter::shared().windowForKey(windowKey_))
    origins::replaceOnScreen(points, activeScreenFrame(), window->frame().origin);
  store(points);
}

}  // namespace vl
