#include "platform/ui/controls/PopUpButton.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Log.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/view/SystemColors.h"

namespace vl::ui {

namespace {
constexpr double kArrowRoom = 22;  // the arrows at the right end
constexpr double kInset = 8;
}  // namespace

PopUpButton::PopUpButton(const Rect& frame, bool pullsDown)
    : Control(frame), popUpMenu_(Menu::create()), pullsDown_(pullsDown) {
  // The pop-up decides what is selectable; items need no actions of their own.
  popUpMenu_->setAutoenablesItems(false);
}

void PopUpButton::setMenu(std::shared_ptr<Menu> menu) {
  popUpMenu_ = menu ? std::move(menu) : Menu::create();
  selected_.reset();
  if (popUpMenu_->numberOfItems() > 0) selected_ = popUpMenu_->items().front();
  setNeedsDisplay(true);
}

void PopUpButton::addItemWithTitle(const std::string& title) { insertItemWithTitle(title, numberOfItems()); }

void PopUpButton::addItemsWithTitles(const std::vector<std::string>& titles) {
  for (const auto& t : titles) addItemWithTitle(t);
}

void PopUpButton::insertItemWithTitle(const std::string& title, long index) {
  if (long existing = indexOfItemWithTitle(title); existing >= 0) {
    std::shared_ptr<MenuItem> old = popUpMenu_->itemAtIndex(existing);
    popUpMenu_->removeItemAtIndex(existing);
    if (existing < index) --index;
    if (selected_.lock() == old) selected_.reset();
  }
  if (index < 0 || index > numberOfItems()) {
    logWarningf("pop-up: insert index %ld out of range (%ld items)", index, numberOfItems());
    return;
  }
  popUpMenu_->insertItem(MenuItem::create(title), index);
  // The first item becomes the selection of an empty pop-up.
  if (!selectedItem()) selected_ = popUpMenu_->items().front();
  setNeedsDisplay(true);
}

void PopUpButton::removeItemWithTitle(const std::string& title) {
  long i = indexOfItemWithTitle(title);
  if (i >= 0) removeItemAtIndex(i);
}

void PopUpButton::removeItemAtIndex(long index) {
  std::shared_ptr<MenuItem> item = popUpMenu_->itemAtIndex(index);
  if (!item) return;
  bool wasSelected = selected_.lock() == item;
  popUpMenu_->removeItemAtIndex(index);
  if (wasSelected) {
    selected_.reset();
    if (numberOfItems() > 0) selected_ = popUpMenu_->items().front();
  }
  setNeedsDisplay(true);
}

void PopUpButton::removeAllItems() {
  popUpMenu_->removeAllItems();
  selected_.reset();
  setNeedsDisplay(true);
}

std::shared_ptr<MenuItem> PopUpButton::lastItem() const {
  return numberOfItems() > 0 ? popUpMenu_->items().back() : nullptr;
}

std::vector<std::string> PopUpButton::itemTitles() const {
  std::vector<std::string> out;
  for (auto& item : popUpMenu_->items()) out.push_back(item->title());
  return out;
}

void PopUpButton::selectItem(const MenuItem* item) {
  long i = item ? indexOfItem(item) : -1;
  selected_.reset();
  if (i >= 0) selected_ = popUpMenu_->items()[static_cast<std::size_t>(i)];
  setNeedsDisplay(true);
}

void PopUpButton::selectItemAtIndex(long index) {
  if (index == -1) {
    selectItem(nullptr);
    return;
  }
  if (auto item = itemAtIndex(index)) selectItem(item.get());
}

bool PopUpButton::selectItemWithTitle(const std::string& title) {
  auto item = itemWithTitle(title);
  if (!item) return false;
  selectItem(item.get());
  return true;
}

std::shared_ptr<MenuItem> PopUpButton::selectedItem() const {
  auto item = selected_.lock();
  // An item taken out of the menu behind the pop-up's back is no longer its selection.
  return item && item->menu() == popUpMenu_.get() ? item : nullptr;
}

long PopUpButton::indexOfSelectedItem() const {
  auto item = selectedItem();
  return item ? indexOfItem(item.get()) : -1;
}

std::string PopUpButton::titleOfSelectedItem() const {
  auto item = selectedItem();
  return item ? item->title() : std::string();
}

bool PopUpButton::popUp() {
  if (!isEnabled()) return false;
  std::shared_ptr<View> keep = self();
  std::shared_ptr<Menu> menu = popUpMenu_;
  std::shared_ptr<MenuItem> before = selectedItem();
  Point at{0, isFlipped() ? 0 : bounds().size.height};
  std::shared_ptr<MenuItem> chosen = menu->trackPopUp(before.get(), at, this);
  if (!chosen) return false;
  if (!pullsDown_) selectItem(chosen.get());
  // An item with an action of its own sends it as well, as in any menu.
  if (!chosen->action().empty()) Menu::performItem(*chosen);
  sendAction();
  return true;
}

void PopUpButton::mouseDown(const Event&) { popUp(); }

Size PopUpButton::intrinsicContentSize() const {
  double w = 0;
  for (auto& item : popUpMenu_->items()) w = std::max(w, TextMetrics::widthOfString(item->title(), font()));
  return {std::ceil(w + kInset + kArrowRoom), std::ceil(std::max(font().lineHeight() + 4, 20.0))};
}

void PopUpButton::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsContext::current();
  if (!ctx) return;
  Rect b = bounds();
  BezierPath bezel = BezierPath::roundedRect(b.insetBy(0.5, 0.5), 4, 4);
  ctx->fillPath(bezel, SystemColors::controlBackground());
  bezel.setLineWidth(1);
  ctx->strokePath(bezel, SystemColors::controlBorder());
  const Color ink = isEnabled() ? SystemColors::controlText() : SystemColors::disabledText();
  drawArrows(*ctx, ink);
  std::string title = titleOfSelectedItem();
  if (title.empty()) return;
  double room = std::max(0.0, b.width() - kInset - kArrowRoom);
  double h = font().lineHeight();
  ctx->drawText(TextMetrics::truncateTail(title, font(), room), {kInset, (b.height() - h) / 2, room, h},
                font(), ink);
}

void PopUpButton::drawArrows(GraphicsContext& ctx, const Color& ink) const {
  // Up and down chevrons say "one of a list"; a pull-down menu only opens downwards.
  const Rect b = bounds();
  const double cx = b.width() - kArrowRoom / 2, cy = b.height() / 2, half = 3.5, rise = 2.5;
  BezierPath arrows;
  if (pullsDown_) {
    arrows.moveTo({cx - half, cy + rise / 2});
    arrows.lineTo({cx, cy - rise / 2 - 0.5});
    arrows.lineTo({cx + half, cy + rise / 2});
  } else {
    // y grows upwards: the upper chevron points up, the lower one down.
    arrows.moveTo({cx - half, cy + 1.5});
    arrows.lineTo({cx, cy + 1.5 + rise + 0.5});
    arrows.lineTo({cx + half, cy + 1.5});
    arrows.moveTo({cx - half, cy - 1.5});
    arrows.lineTo({cx, cy - 1.5 - rise - 0.5});
    arrows.lineTo({cx + half, cy - 1.5});
  }
  arrows.setLineWidth(1.5);
  ctx.strokePath(arrows, ink);
}

}  // namespace vl::ui
