#include "shortcuts/ShortcutsEditButton.h"

#include "platform/ui/window/Application.h"
#include "shortcuts/KeyboardListener.h"
#include "shortcuts/ShortcutKeys.h"
#include "theme/VLThemeAttributedString.h"

namespace vl {

namespace {
constexpr std::int64_t kTakenModifiers = 0x1e0000;
constexpr std::uint16_t kReturn = 36;
constexpr std::uint16_t kBackspace = 51;
constexpr std::uint16_t kHome = 115;
constexpr std::uint16_t kEnd = 119;
bool isArrow(std::uint16_t code) { return code >= 123 && code <= 126; }
// Keys a press may name without a modifier: moving and choosing keys, never one that types.
bool takenAlone(std::uint16_t code) {
  return code == kReturn || code == kBackspace || code == kHome || code == kEnd || isArrow(code);
}
}  // namespace

ShortcutsEditButton::ShortcutsEditButton(const ui::Rect& frame) : ButtonTextView(frame) {}

std::shared_ptr<ShortcutsEditButton> ShortcutsEditButton::create(const ui::Rect& frame) {
  auto button = std::make_shared<ShortcutsEditButton>(frame);
  button->setBackgroundColorAssetKey(std::string("clear"));
  std::weak_ptr<ShortcutsEditButton> weak = button;
  // Leaving the pane ends the monitors only; the looks stay until the rows are made again.
  button->stopObservation_ =
      NotificationCenter::defaultCenter().observe(kShouldStopMonitor, nullptr, [weak](const Notification&) {
        if (auto self = weak.lock()) self->stopMonitor();
      });
  return button;
}

ShortcutsEditButton::~ShortcutsEditButton() { stopMonitor(); }

std::optional<VLShortcutValue> ShortcutsEditButton::valueOfPress(const ui::Event& event) {
  const auto flags = static_cast<std::int64_t>(event.modifierFlags());
  const std::uint16_t code = event.keyCode();
  if ((flags & kTakenModifiers) == 0 && !takenAlone(code)) return std::nullopt;
  std::int64_t value = flags | (isArrow(code) ? modifier::kArrow : 0);
  // Caps Lock is no part of a press: the dispatcher ignores it as well.
  value &= 0xffff0000LL & ~modifier::kCapsLock;
  return VLShortcutValue::ofModifierFlags(value, code);
}

const std::shared_ptr<Button2>& ShortcutsEditButton::clearButton() {
  if (!clearButton_) {
    clearButton_ = Button2::create({0, 0, 14, 14});
    clearButton_->setTitle("×");
    clearButton_->setFont(ui::Font::systemFont(12));
    clearButton_->setAlignment(ui::TextAlignment::Center);
    clearButton_->setTextColorAssetKey(std::string("white"));
    clearButton_->setButtonBackgroundColorAssetKey(std::string("fontSubtitleColor"));
    clearButton_->setRadius(7);
    clearButton_->setHidden(true);
    auto self = std::static_pointer_cast<ShortcutsEditButton>(shared_from_this());
    std::weak_ptr<ShortcutsEditButton> weak = self;
    clearButton_->setActionHandler("clear:", [weak](ui::ActionTarget*) {
      if (auto button = weak.lock()) button->clear();
    });
    clearButton_->setTarget(clearButton_);
    clearButton_->setAction("clear:");
    addSubview(clearButton_);
    resizeSubviewsWithOldSize(frame().size);
  }
  return clearButton_;
}

void ShortcutsEditButton::resizeSubviewsWithOldSize(ui::Size oldSize) {
  ButtonTextView::resizeSubviewsWithOldSize(oldSize);
  if (clearButton_) {
    const ui::Size size = frame().size;
    clearButton_->setFrame({size.width - 14 - 5, (size.height - 14) / 2, 14, 14});
  }
}

void ShortcutsEditButton::clear() {
  if (auto d = delegate_.lock()) d->editButtonDidEnterShortcutValue(*this, VLShortcutValue::empty());
}

void ShortcutsEditButton::setText(const std::string& text) {
  ButtonTextView::setText(text);
  applyTitleColours();
}

void ShortcutsEditButton::setSelected(bool selected) {
  selected_ = selected;
  applyTitleColours();
}

void ShortcutsEditButton::applyTitleColours() {
  ui::AttributedString text(title());
  const Range all(0, text.length());
  if (edit_) {
    addAttribute(text, ui::TextAttribute::ForegroundColor, "accentTextColor", all);
  } else {
    addAttribute(text, ui::TextAttribute::ForegroundColor, selected_ ? "white" : "fontNormalColor", all);
  }
  setAttributedTitle(text);
}

void ShortcutsEditButton::lightOrDarkChanged() {
  ButtonTextView::lightOrDarkChanged();
  applyTitleColours();
}

void ShortcutsEditButton::setEdit(bool edit) {
  if (edit) {
    edit_ = true;
    applyTitleColours();
    if (auto d = delegate_.lock()) d->editButtonDidBeginEdit(*this);
    startMonitor();
    clearButton()->setHidden(false);
    setFocusRingType(ui::FocusRingType::Exterior);
    setBackgroundColorAssetKey(std::string("shortcutsEditBackgroundColor"));
    return;
  }
  const bool was = edit_;
  edit_ = false;
  stopMonitor();
  if (clearButton_) clearButton_->setHidden(true);
  setFocusRingType(ui::FocusRingType::None);
  setBackgroundColorAssetKey(std::string("clear"));
  applyTitleColours();
  if (was) {
    if (auto d = delegate_.lock()) d->editButtonDidEndEdit(*this);
  }
}

void ShortcutsEditButton::startMonitor() {
  if (keyboardEventMonitor_) return;
  std::weak_ptr<ShortcutsEditButton> weak = std::static_pointer_cast<ShortcutsEditButton>(shared_from_this());
  keyboardEventMonitor_ = ui::Application::shared().addLocalMonitorForEvents(
      ui::EventMasks::KeyDown, [weak](const ui::Event& event) -> std::optional<ui::Event> {
        auto self = weak.lock();
        if (!self) return event;
        if (auto value = valueOfPress(event)) {
          if (auto d = self->delegate_.lock()) d->editButtonDidEnterShortcutValue(*self, *value);
        }
        return event;
      });
  // The press being recorded must not also run the command it used to name.
  dispatchSuspension_ = KeyboardListener::shared().suspendDispatch();
}

void ShortcutsEditButton::stopMonitor() {
  if (keyboardEventMonitor_) ui::Application::shared().removeMonitor(keyboardEventMonitor_);
  keyboardEventMonitor_.reset();
  dispatchSuspension_.reset();
}

}  // namespace vl
