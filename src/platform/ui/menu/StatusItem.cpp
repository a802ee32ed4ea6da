#include "platform/ui/menu/StatusItem.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/window/Screen.h"

namespace vl::ui {

namespace {
constexpr double kRightMargin = 10;
constexpr double kItemPadding = 8;
}  // namespace

// --- button ---------------------------------------------------------------------------------------------

StatusBarButton::StatusBarButton(StatusItem* item) : item_(item) {
  setBordered(false);
  setButtonType(ButtonType::MomentaryChange);
}

void StatusBarButton::setImage(ImageRef image) {
  Button::setImage(std::move(image));
  setImagePosition(title().empty() ? ImagePosition::ImageOnly : ImagePosition::ImageLeft);
  if (item_) item_->recordShown();
}

void StatusBarButton::setAlternateImage(ImageRef image) {
  Button::setAlternateImage(std::move(image));
  if (item_) item_->recordShown();
}

void StatusBarButton::setHighlighted(bool highlighted) {
  Button::setHighlighted(highlighted);
  if (item_) item_->recordShown();
}

void StatusBarButton::mouseDown(const Event& event) {
  if (item_ && item_->menu()) {
    item_->popUpStatusItemMenu(item_->menu());
    return;
  }
  Button::mouseDown(event);
}

// --- item -----------------------------------------------------------------------------------------------

StatusItem::StatusItem(double length) : length_(length) {
  button_ = std::make_shared<StatusBarButton>(this);
  window_ = Panel::create({0, 0, width(), StatusBar::kThickness},
                          WindowStyle::Borderless | WindowStyle::NonactivatingPanel);
  window_->setLevel(WindowLevel::Status);
  window_->setOpaque(false);
  window_->setBackgroundColor(Color::clear());
  window_->contentView()->addSubview(button_);
  button_->setFrame({0, 0, width(), StatusBar::kThickness});
  button_->setAutoresizingMask(View::WidthSizable | View::HeightSizable);
}

StatusItem::~StatusItem() {
  button_->item_ = nullptr;
  window_->orderOut();
  StatusBar::system().itemGone(this);
}

void StatusItem::setMenu(std::shared_ptr<Menu> menu) {
  menu_ = std::move(menu);
  StatusBar::system().itemChanged(*this);
}

double StatusItem::width() const {
  if (length_ == kSquareStatusItemLength) return StatusBar::kThickness;
  if (length_ == kVariableStatusItemLength) {
    return std::max(StatusBar::kThickness,
                    button_ ? button_->intrinsicContentSize().width + kItemPadding : 0.0);
  }
  return length_;
}

void StatusItem::setLength(double length) {
  if (!(length > 0) && length != kSquareStatusItemLength && length != kVariableStatusItemLength) {
    logWarningf("status item: length %g refused", length);
    return;
  }
  length_ = length;
  StatusBar::system().layout();
}

void StatusItem::setSymbolicIcon(std::optional<SymbolicIcon> icon) {
  if (icon == symbolicIcon_) return;
  symbolicIcon_ = std::move(icon);
  StatusBar::system().itemChanged(*this);
}

void StatusItem::popUpStatusItemMenu(const std::shared_ptr<Menu>& menu) {
  if (!menu) return;
  std::shared_ptr<StatusItem> keep = weak_from_this().lock();
  button_->setHighlighted(true);
  menu->popUpMenuPositioningItem(nullptr, {0, 0}, button_.get());
  button_->setHighlighted(false);
}

std::optional<Rect> StatusItem::iconFrameOnScreen() const {
  if (const auto& backend = StatusBar::system().backend()) return backend->iconFrame(*this);
  if (!visible_ || !window_ || !window_->isVisible()) return std::nullopt;
  return window_->frame();
}

std::string StatusItem::displayedImageName() const {
  ImageRef img = button_->displayedImage();
  return img ? img->name() : std::string();
}

void StatusItem::recordShown() {
  std::string name = displayedImageName();
  if (shown_.empty() || shown_.back() != name) shown_.push_back(name);
  StatusBar::system().itemChanged(*this);
}

// --- bar ------------------------------------------------------------------------------------------------

StatusBar& StatusBar::system() {
  static auto* bar = new StatusBar();
  return *bar;
}

std::shared_ptr<StatusItem> StatusBar::statusItemWithLength(double length) {
  if (!(length > 0) && length != kSquareStatusItemLength && length != kVariableStatusItemLength) {
    logWarningf("status bar: length %g refused; using a square item", length);
    length = kSquareStatusItemLength;
  }
  auto item = std::make_shared<StatusItem>(length);
  items_.push_back(item);
  layout();
  itemChanged(*item);
  return item;
}

std::vector<std::shared_ptr<StatusItem>> StatusBar::items() const {
  std::vector<std::shared_ptr<StatusItem>> out;
  for (auto& w : items_) {
    if (auto item = w.lock()) out.push_back(item);
  }
  return out;
}

void StatusBar::layout() {
  items_.erase(std::remove_if(items_.begin(), items_.end(), [](auto& w) { return w.expired(); }),
               items_.end());
  std::shared_ptr<Screen> screen = Screen::mainScreen();
  Rect area = screen ? screen->frame() : Rect{0, 0, 1440, 900};
  double x = area.maxX() - kRightMargin;
  // The first item sits rightmost; later ones line up to its left.
  for (auto& w : items_) {
    auto item = w.lock();
    if (!item->visible_) {
      item->window_->orderOut();
      continue;
    }
    double width = item->width();
    x -= width;
    item->window_->setFrame({x, area.maxY() - kThickness, width, kThickness}, false);
    if (backend_) {
      item->window_->orderOut();
    } else {
      item->window_->orderFront();
    }
  }
}

void StatusBar::setBackend(std::shared_ptr<StatusItemBackend> backend) {
  backend_ = std::move(backend);
  layout();
  for (auto& item : items()) itemChanged(*item);
  hostBackgroundChanged();
}

std::optional<bool> StatusBar::hostBackgroundIsDark() const {
  return backend_ ? backend_->hostBackgroundIsDark() : std::nullopt;
}

void StatusBar::hostBackgroundChanged() {
  NotificationCenter::defaultCenter().post(kHostBackgroundChangedNotification, this);
}

void StatusBar::itemChanged(StatusItem& item) {
  if (!backend_) return;
  // Items still being built, or going away, have no owner to hand out yet.
  std::shared_ptr<StatusItem> live = item.weak_from_this().lock();
  if (!live) return;
  std::shared_ptr<StatusItemBackend> keep = backend_;
  keep->statusItemChanged(live);
}

void StatusBar::itemGone(const StatusItem* item) {
  if (std::shared_ptr<StatusItemBackend> keep = backend_) keep->statusItemRemoved(item);
}

}  // namespace vl::ui
