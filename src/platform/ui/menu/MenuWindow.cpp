#include "platform/ui/menu/MenuWindow.h"

#include <algorithm>
#include <cctype>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/ui/graphics/BezierPath.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/view/Appearance.h"
#include "platform/ui/view/View.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Screen.h"
#include "platform/ui/window/WindowServer.h"

namespace vl::ui {

namespace {

constexpr double kCornerRadius = 6;
constexpr const char* kArrow = "\u25B8";
constexpr const char* kCheck = "\u2713";
constexpr const char* kMixed = "\u2013";

Font menuFont() { return Font::systemFont(13); }

bool selectable(const MenuItem& item) { return item.isEnabled() && !item.isSeparatorItem(); }

struct Look {
  Color background, border, text, disabled, highlight, highlightText, separator;
};

Look currentLook() {
  if (SystemAppearance::shared().isDark()) {
    return {Color::rgb24(0x2b2b2e), Color::white(1, 0.16), Color::white(0.93),   Color::white(1, 0.35),
            Color::rgb24(0x2f6fde), Color::whiteColor(),   Color::white(1, 0.12)};
  }
  return {Color::rgb24(0xf7f7f7), Color::white(0, 0.16), Color::white(0.1),   Color::white(0, 0.32),
          Color::rgb24(0x3478f6), Color::whiteColor(),   Color::white(0, 0.1)};
}

// The visible frame of the screen holding the point; nullopt without screens.
std::optional<Rect> visibleFrameAt(Point p) {
  auto screens = Screen::screens();
  for (const auto& s : screens) {
    if (s->frame().contains(p)) return s->visibleFrame();
  }
  if (auto main = Screen::mainScreen()) return main->visibleFrame();
  return std::nullopt;
}

// The top-left corner that keeps a menu of `size` on the screen of `anchor`, moving it left and up as
// little as it takes; `fallbackX` is where it goes when it does not fit right of the anchor.
Point placed(Point topLeft, Size size, std::optional<double> fallbackX = std::nullopt) {
  auto visible = visibleFrameAt(topLeft);
  if (!visible) return topLeft;
  if (topLeft.x + size.width > visible->maxX()) {
    topLeft.x = fallbackX ? *fallbackX - size.width : visible->maxX() - size.width;
  }
  topLeft.x = std::max(topLeft.x, visible->minX());
  if (topLeft.y - size.height < visible->minY()) topLeft.y = visible->minY() + size.height;
  topLeft.y = std::min(topLeft.y, visible->maxY());
  return topLeft;
}

MenuTracker*& currentTracker() {
  static MenuTracker* t = nullptr;
  return t;
}

}  // namespace

// --- rows -----------------------------------------------------------------------------------------------

MenuRowLayout MenuRowLayout::of(const Menu& menu) {
  MenuRowLayout l;
  const Font font = menuFont();
  double widest = 0;
  double y = kPadding;
  for (const auto& item : menu.shownItems()) {
    if (l.rows.size() == kMaxRows) {
      logWarningf("menu \"%s\": more than %zu rows; the rest are left out", menu.title().c_str(), kMaxRows);
      break;
    }
    const double h = item->isSeparatorItem() ? kSeparatorHeight : kRowHeight;
    l.rows.push_back({item, y, h});
    y += h;
    if (item->isSeparatorItem()) continue;
    double w = TextMetrics::widthOfString(item->title(), font);
    const std::string key = keyEquivalentLabel(*item);
    if (!key.empty()) w += 24 + TextMetrics::widthOfString(key, font);
    widest = std::max(widest, w);
  }
  l.width = std::clamp(std::ceil(widest + kMarkColumn + kRightColumn), kMinWidth, kMaxWidth);
  l.height = y + kPadding;
  return l;
}

long MenuRowLayout::rowAt(double y) const {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (y >= rows[i].top && y < rows[i].top + rows[i].height) return static_cast<long>(i);
  }
  return -1;
}

std::string keyEquivalentLabel(const MenuItem& item) {
  const std::string& key = item.keyEquivalent();
  if (key.empty()) return {};
  const std::uint64_t mask = item.keyEquivalentModifierMask();
  std::string out;
  // Command is the Ctrl key here and Control the Super key, as the key events map them.
  if (mask & ModifierFlags::Command) out += "Ctrl+";
  if (mask & ModifierFlags::Control) out += "Super+";
  if (mask & ModifierFlags::Option) out += "Alt+";
  const bool upper = key.size() == 1 && std::isupper(static_cast<unsigned char>(key[0]));
  if ((mask & ModifierFlags::Shift) || upper) out += "Shift+";
  if (key == "\r") return out + "Return";
  if (key == "\x1b") return out + "Esc";
  if (key == " ") return out + "Space";
  if (key.size() == 1) return out + static_cast<char>(std::toupper(static_cast<unsigned char>(key[0])));
  return out + key;
}

// --- the window -----------------------------------------------------------------------------------------

class MenuWindow::RowsView : public View {
 public:
  RowsView(const Rect& frame, MenuWindow* owner) : View(frame), owner_(owner) {}
  bool isFlipped() const override { return true; }

  void drawRect(const Rect&) override {
    GraphicsContext* ctx = GraphicsContext::current();
    if (!ctx) return;
    const Look look = currentLook();
    const Rect b = bounds();
    ctx->fillPath(BezierPath::roundedRect(b, kCornerRadius, kCornerRadius), look.background);
    BezierPath edge = BezierPath::roundedRect(b.insetBy(0.5, 0.5), kCornerRadius, kCornerRadius);
    edge.setLineWidth(1);
    ctx->strokePath(edge, look.border);
    const Font font = menuFont();
    const double lineHeight = font.lineHeight();
    const auto& rows = owner_->layout_.rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const MenuRowLayout::Row& row = rows[i];
      const MenuItem& item = *row.item;
      if (item.isSeparatorItem()) {
        ctx->fillRect({10, row.top + std::floor(row.height / 2), b.width() - 20, 1}, look.separator);
        continue;
      }
      const bool lit = static_cast<long>(i) == owner_->highlighted_ && item.isEnabled();
      if (lit) {
        ctx->fillPath(BezierPath::roundedRect({4, row.top, b.width() - 8, row.height}, 4, 4), look.highlight);
      }
      const Color ink = !item.isEnabled() ? look.disabled : lit ? look.highlightText : look.text;
      const double textTop = row.top + std::floor((row.height - lineHeight) / 2);
      // A row with its own picture for the on state (a colour swatch) shows that picture, not a tick.
      if (const ImageRef& swatch = item.onStateImage(); item.state() == 1 && swatch && swatch->isValid()) {
        const double side = std::min(14.0, row.height - 4);
        ctx->drawImage(swatch, {7, row.top + std::floor((row.height - side) / 2), side, side});
      } else if (const char* mark = item.state() == 1 ? kCheck : item.state() == -1 ? kMixed : nullptr) {
        ctx->drawText(mark, {7, textTop, 14, lineHeight}, font, ink);
      }
      const std::string key = keyEquivalentLabel(item);
      const double keyWidth = key.empty() ? 0 : std::ceil(TextMetrics::widthOfString(key, font));
      const double right = b.width() - MenuRowLayout::kRightColumn;
      if (!key.empty()) ctx->drawText(key, {right - keyWidth, textTop, keyWidth, lineHeight}, font, ink);
      const double titleWidth =
          std::max(0.0, right - MenuRowLayout::kMarkColumn - (key.empty() ? 0 : keyWidth + 12));
      ctx->drawText(item.title(), {MenuRowLayout::kMarkColumn, textTop, titleWidth, lineHeight}, font, ink);
      if (item.hasSubmenu()) ctx->drawText(kArrow, {b.width() - 18, textTop, 12, lineHeight}, font, ink);
    }
  }

 private:
  MenuWindow* owner_;
};

MenuWindow::MenuWindow(std::shared_ptr<Menu> menu, Point topLeft)
    : Panel({topLeft.x, topLeft.y, MenuRowLayout::kMinWidth, 10},
            WindowStyle::Borderless | WindowStyle::NonactivatingPanel),
      menu_(std::move(menu)),
      layout_(MenuRowLayout::of(*menu_)) {
  setLevel(WindowLevel::PopUpMenu);
  setOpaque(false);
  setBackgroundColor(Color::clear());
  setHasShadow(true);
  setTitle(menu_->title());
  setFrame({topLeft.x, topLeft.y - layout_.height, layout_.width, layout_.height}, false);
  rowsView_ = std::make_shared<RowsView>(Rect{0, 0, layout_.width, layout_.height}, this);
  contentView()->addSubview(rowsView_);
  // A click outside the menu (reported by the window server) dismisses the whole tracking.
  setActionHandler("cancelOperation:", [](ActionTarget*) {
    if (MenuTracker* t = MenuTracker::current()) t->cancel();
  });
}

void MenuWindow::setHighlighted(long row) {
  if (row >= static_cast<long>(layout_.rows.size())) row = -1;
  if (row == highlighted_) return;
  highlighted_ = row;
  rowsView_->setNeedsDisplay(true);
}

long MenuWindow::rowAtScreenPoint(Point p) const {
  const Rect f = frame();
  if (!f.contains(p)) return -1;
  return layout_.rowAt(f.maxY() - p.y);
}

Rect MenuWindow::screenRectOfRow(long row) const {
  if (row < 0 || row >= static_cast<long>(layout_.rows.size())) return {};
  const auto& r = layout_.rows[static_cast<std::size_t>(row)];
  const Rect f = frame();
  return {f.minX(), f.maxY() - r.top - r.height, f.width(), r.height};
}

// --- tracking -------------------------------------------------------------------------------------------

void MenuTracker::install(bool on) {
  if (!on) {
    Menu::setPresenter(nullptr);
    return;
  }
  Menu::setPresenter([](Menu& menu, const MenuItem* positioned, Point at) {
    // Without a window server nothing could be seen or clicked: a wait for the user would never end.
    if (!WindowServer::installed()) {
      logWarningf("menu \"%s\": no window server; closed at once", menu.title().c_str());
      return std::shared_ptr<MenuItem>();
    }
    return track(menu, positioned, at);
  });
}

MenuTracker* MenuTracker::current() { return currentTracker(); }

std::vector<std::shared_ptr<MenuWindow>> MenuTracker::windows() const { return levels_; }

void MenuTracker::cancel() {
  chosen_ = nullptr;
  done_ = true;
}

std::shared_ptr<MenuItem> MenuTracker::track(Menu& menu, const MenuItem* positioned, Point at) {
  if (currentTracker()) {
    logWarningf("menu \"%s\": another menu is open; not shown", menu.title().c_str());
    return nullptr;
  }
  auto keep = menu.weak_from_this().lock();
  if (!keep) return nullptr;
  MenuTracker t;
  currentTracker() = &t;
  Application& app = Application::shared();
  // Ahead of every other monitor: the in-window shortcuts must not act on the menu's keys (Escape would
  // close the window under the menu as well).
  auto monitor = app.addLocalMonitorForEvents(
      EventMasks::Any, [&t](const Event& e) { return t.handle(e); }, true);

  const MenuRowLayout layout = MenuRowLayout::of(menu);
  long row = -1;
  for (std::size_t i = 0; positioned && i < layout.rows.size(); ++i) {
    if (layout.rows[i].item.get() == positioned) row = static_cast<long>(i);
  }
  Point topLeft = at;
  if (row >= 0) {
    const auto& r = layout.rows[static_cast<std::size_t>(row)];
    topLeft = {at.x - MenuRowLayout::kMarkColumn, at.y + r.top + r.height / 2};
  }
  t.openLevel(keep, placed(topLeft, {layout.width, layout.height}));
  if (row >= 0 && selectable(*layout.rows[static_cast<std::size_t>(row)].item)) {
    t.levels_.front()->setHighlighted(row);
  }

  dispatch::MainLoop::runWhile([&t] { return !t.done_; });
  if (!t.done_) t.cancel();  // the program is quitting

  app.removeMonitor(monitor);
  t.closeLevelsAbove(0);
  if (!t.levels_.empty()) t.levels_.front()->orderOut();
  t.levels_.clear();
  currentTracker() = nullptr;
  return t.chosen_;
}

void MenuTracker::openLevel(const std::shared_ptr<Menu>& menu, Point topLeft) {
  auto w = std::make_shared<MenuWindow>(menu, topLeft);
  levels_.push_back(w);
  w->orderFront();
}

void MenuTracker::openSubmenuOf(std::size_t level, long row, bool highlightFirst) {
  if (level >= levels_.size()) return;
  MenuWindow& parent = *levels_[level];
  const auto& rows = parent.rows().rows;
  if (row < 0 || row >= static_cast<long>(rows.size())) return;
  const std::shared_ptr<MenuItem>& item = rows[static_cast<std::size_t>(row)].item;
  std::shared_ptr<Menu> sub = item->submenu();
  if (!sub || !item->isEnabled()) return;
  if (level + 1 < levels_.size() && levels_[level + 1]->menu() == sub) {
    closeLevelsAbove(level + 1);
  } else {
    closeLevelsAbove(level);
    if (auto d = sub->delegate()) d->menuNeedsUpdate(*sub);
    sub->update();
    const MenuRowLayout layout = MenuRowLayout::of(*sub);
    const Rect r = parent.screenRectOfRow(row);
    const Rect f = parent.frame();
    const Point want{f.maxX() - 2, r.maxY() + MenuRowLayout::kPadding};
    openLevel(sub, placed(want, {layout.width, layout.height}, f.minX() + 2));
  }
  if (highlightFirst) moveHighlight(1);
}

void MenuTracker::closeLevelsAbove(std::size_t level) {
  while (levels_.size() > level + 1) {
    levels_.back()->orderOut();
    levels_.pop_back();
  }
}

void MenuTracker::moveHighlight(int step) {
  if (levels_.empty()) return;
  MenuWindow& w = *levels_.back();
  const auto& rows = w.rows().rows;
  const long n = static_cast<long>(rows.size());
  long at = w.highlighted();
  for (long tries = 0; tries < n; ++tries) {
    at = at < 0 ? (step > 0 ? 0 : n - 1) : (at + step + n) % n;
    if (selectable(*rows[static_cast<std::size_t>(at)].item)) {
      w.setHighlighted(at);
      return;
    }
  }
}

void MenuTracker::choose(std::size_t level, long row) {
  const auto& rows = levels_[level]->rows().rows;
  if (row < 0 || row >= static_cast<long>(rows.size())) return;
  const std::shared_ptr<MenuItem>& item = rows[static_cast<std::size_t>(row)].item;
  if (!selectable(*item)) return;
  if (item->hasSubmenu()) {
    openSubmenuOf(level, row, true);
    return;
  }
  chosen_ = item;
  done_ = true;
}

std::optional<Event> MenuTracker::handle(const Event& event) {
  if (done_) return std::nullopt;
  if (event.type() == EventType::KeyDown) {
    key(event);
  } else if (event.isMouseEvent()) {
    mouse(event);
  }
  // While a menu is open nothing else sees the keyboard or the pointer.
  return std::nullopt;
}

void MenuTracker::mouse(const Event& event) {
  auto from = event.window();
  const Point p = from ? from->convertPointToScreen(event.locationInWindow()) : event.locationInWindow();
  long level = -1, row = -1;
  for (long i = static_cast<long>(levels_.size()) - 1; i >= 0; --i) {
    if (levels_[static_cast<std::size_t>(i)]->frame().contains(p)) {
      level = i;
      row = levels_[static_cast<std::size_t>(i)]->rowAtScreenPoint(p);
      break;
    }
  }
  switch (event.type()) {
    case EventType::LeftMouseDown:
    case EventType::RightMouseDown:
    case EventType::OtherMouseDown:
      if (level < 0) {
        cancel();
        return;
      }
      armed_ = true;
      break;
    case EventType::LeftMouseUp:
    case EventType::RightMouseUp:
    case EventType::OtherMouseUp:
      if (level >= 0 && armed_) choose(static_cast<std::size_t>(level), row);
      return;
    case EventType::MouseMoved:
    case EventType::LeftMouseDragged:
    case EventType::RightMouseDragged:
    case EventType::OtherMouseDragged:
      break;
    default:
      return;
  }
  if (level < 0) return;
  MenuWindow& w = *levels_[static_cast<std::size_t>(level)];
  const bool usable = row >= 0 && selectable(*w.rows().rows[static_cast<std::size_t>(row)].item);
  if (usable) armed_ = true;
  if (usable && w.highlighted() == row) return;
  w.setHighlighted(usable ? row : -1);
  if (usable) {
    openSubmenuOf(static_cast<std::size_t>(level), row, false);
    if (!w.rows().rows[static_cast<std::size_t>(row)].item->hasSubmenu()) {
      closeLevelsAbove(static_cast<std::size_t>(level));
    }
  } else {
    closeLevelsAbove(static_cast<std::size_t>(level));
  }
}

void MenuTracker::key(const Event& event) {
  if (levels_.empty()) return;
  const std::size_t deepest = levels_.size() - 1;
  const long lit = levels_.back()->highlighted();
  switch (event.keyCode()) {
    case KeyCode::DownArrow:
      moveHighlight(1);
      return;
    case KeyCode::UpArrow:
      moveHighlight(-1);
      return;
    case KeyCode::RightArrow:
      openSubmenuOf(deepest, lit, true);
      return;
    case KeyCode::LeftArrow:
      if (deepest > 0) closeLevelsAbove(deepest - 1);
      return;
    case KeyCode::Escape:
      if (deepest > 0) {
        closeLevelsAbove(deepest - 1);
      } else {
        cancel();
      }
      return;
    case KeyCode::Return:
    case KeyCode::KeypadEnter:
    case KeyCode::Space:
      choose(deepest, lit);
      return;
    default:
      return;
  }
}

}  // namespace vl::ui
