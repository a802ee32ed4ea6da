#include "statusbar/HotkeyTextField.h"

#include <cmath>
#include <utility>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/ui/controls/Beep.h"
#include "platform/ui/text/Font.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Window.h"
#include "shortcuts/KeyboardListener.h"
#include "shortcuts/ShortcutKeys.h"

namespace vl {

namespace {

constexpr const char* kClick = "click:";
constexpr std::uint16_t kEscapeKey = 53;
constexpr std::uint16_t kCommandKey = 55;  // left Ctrl
constexpr std::uint16_t kOptionKey = 58;   // left Alt
constexpr std::uint16_t kControlKey = 59;  // left Super
constexpr std::int64_t kHighBits = 0xffff0000LL;
// What makes a combination: Ctrl, Alt, Shift or Super. Caps Lock is never part of a value.
constexpr std::int64_t kRecordable =
    modifier::kCommand | modifier::kOption | modifier::kShift | modifier::kControl;

// The key caps in the order of the display strings, each as wide as its name.
struct Cap {
  std::int64_t flag;
  const char* name;
  double width;
};
constexpr Cap kCaps[] = {{modifier::kCommand, "Ctrl", 34},
                         {modifier::kOption, "Alt", 28},
                         {modifier::kShift, "Shift", 40},
                         {modifier::kControl, "Super", 44}};

std::int64_t nowMs() { return static_cast<std::int64_t>(std::floor(Clock::current().now() * 1000.0)); }

}  // namespace

HotkeyTextField::HotkeyTextField(const ui::Rect& frame) : VLThemed<ui::Button>(frame) {}

std::shared_ptr<HotkeyTextField> HotkeyTextField::initWithFrame(
    const ui::Rect& frame, const std::shared_ptr<HotkeyTextFieldDelegate>& delegate) {
  auto field = std::make_shared<HotkeyTextField>(frame);
  field->build(delegate);
  return field;
}

void HotkeyTextField::build(const std::shared_ptr<HotkeyTextFieldDelegate>& delegate) {
  hotkeyDelegate_ = delegate;
  if (delegate) {
    inputContext_ = delegate->initInputContext();
    activeAssetKey_ = delegate->activeSymbolAssetKey();
    inactiveAssetKey_ = delegate->inactiveSymbolAssetKey();
  } else {
    inputContext_ = HokeyStruct{0, 0, 0, false};
  }
  auto self = std::static_pointer_cast<HotkeyTextField>(shared_from_this());
  const ui::Font capFont = ui::Font::systemFont(14);
  double x = 5;
  for (const Cap& cap : kCaps) {
    auto symbol = std::make_shared<SymbolDisplay>(ui::Rect{x, 8, cap.width, 20});
    symbol->setUnicode(cap.name);
    symbol->setTag(cap.flag);
    symbol->setFont(capFont);
    symbol->setTarget(self);
    symbol->setAction(kClick);
    addSubview(symbol);
    symbolDisplays_.push_back(symbol);
    x += cap.width;
  }
  updateSymbolDisplays(inputContext_.modifierFlags);
  alphabetDisplay_ = std::make_shared<AlphabetDisplay>(ui::Rect{x + 6, 8, frame().size.width - x - 11, 20});
  alphabetDisplay_->setFont(ui::Font::systemFont(15));
  alphabetDisplay_->setAlignment(ui::TextAlignment::Left);
  alphabetDisplay_->setTarget(self);
  alphabetDisplay_->setAction(kClick);
  addSubview(alphabetDisplay_);
  showKey(inputContext_.doubleTap ? kDoubleTap : keyCodeString(inputContext_.keyCode));

  // The layer draws the box, in the theme's colours; a bezel would paint over it.
  setBordered(false);
  setTitle("");
  setTarget(self);
  setAction(kClick);
  setWantsLayer(true);
  setBackgroundColorAssetKey(*layer(), std::string("hotkeyTextFieldBackgroundColor"));
  layer()->setBorderWidth(1.0);
  layer()->setCornerRadius(5.0);
  setBorderColorAssetKey(*layer(), std::string("hotkeyTextFieldBorderColor"));

  std::weak_ptr<HotkeyTextField> weak = self;
  stopObservation_ = NotificationCenter::defaultCenter().observe(
      kShouldStopMonitor, nullptr, [weak](const Notification& note) {
        auto field = weak.lock();
        if (!field) return;
        auto owner = field->hotkeyDelegate_.lock();
        // A pane's notification concerns only the fields of that pane.
        if (note.object && (!owner || note.object != owner->notificationObject())) return;
        field->viewDidHide();
      });
}

HotkeyTextField::~HotkeyTextField() { stopMonitor(); }

void HotkeyTextField::showKey(const std::string& text) {
  alphabetDisplay_->setText(text);
  alphabetDisplay_->setTextColorAssetKey(activeAssetKey_);
}

void HotkeyTextField::updateSymbolDisplays(std::int64_t flags) {
  if (flags == -1) return;
  for (const auto& symbol : symbolDisplays_) {
    symbol->setTextColorAssetKey((flags & symbol->tag()) != 0 ? activeAssetKey_ : inactiveAssetKey_);
  }
}

void HotkeyTextField::reloadInputContext(const HokeyStruct& value) {
  inputContext_ = value;
  updateSymbolDisplays(value.modifierFlags);
  showKey(value.doubleTap ? kDoubleTap : keyCodeString(value.keyCode));
}

std::string HotkeyTextField::keyCodeString(std::int64_t code) { return vl::keyCodeString(code).value_or(""); }

bool HotkeyTextField::respondsToAction(const std::string& action) const {
  return action == kClick || VLThemed<ui::Button>::respondsToAction(action);
}

bool HotkeyTextField::performAction(const std::string& action, ui::ActionTarget* sender) {
  if (action != kClick) return VLThemed<ui::Button>::performAction(action, sender);
  click();
  return true;
}

void HotkeyTextField::click() {
  focused_ = true;
  // The accent border says which field takes the next press.
  setBorderColorAssetKey(*layer(), std::string("accentColor"));
  if (auto* w = window()) w->makeFirstResponder(this);
  startMonitor();
}

void HotkeyTextField::setHidden(bool hidden) {
  VLThemed<ui::Button>::setHidden(hidden);
  if (hidden) viewDidHide();
}

void HotkeyTextField::viewDidHide() {
  focused_ = false;
  setBorderColorAssetKey(*layer(), std::string("hotkeyTextFieldBorderColor"));
  if (auto* w = window(); w && w->firstResponder() == this) w->makeFirstResponder(nullptr);
  stopMonitor();
}

void HotkeyTextField::startMonitor() {
  if (keyboardEventMonitor_) return;
  std::weak_ptr<HotkeyTextField> weak = std::static_pointer_cast<HotkeyTextField>(shared_from_this());
  keyboardEventMonitor_ = ui::Application::shared().addLocalMonitorForEvents(
      ui::EventMasks::KeyDown | ui::EventMasks::FlagsChanged,
      [weak](const ui::Event& event) -> std::optional<ui::Event> {
        auto field = weak.lock();
        if (!field) return event;
        if (event.type() == ui::EventType::KeyDown) {
          field->keyDown(event);
          // The press was the recorder's; the window must not act on it as well.
          return std::nullopt;
        }
        field->keyDownFlagsOnly(event);
        return event;
      });
  dispatchSuspension_ = KeyboardListener::shared().suspendDispatch();
}

void HotkeyTextField::stopMonitor() {
  if (keyboardEventMonitor_) ui::Application::shared().removeMonitor(keyboardEventMonitor_);
  keyboardEventMonitor_.reset();
  dispatchSuspension_.reset();
}

void HotkeyTextField::deliver() {
  if (auto owner = hotkeyDelegate_.lock()) owner->didEndKeyDown(inputContext_);
}

void HotkeyTextField::keyDown(const ui::Event& event) {
  if (!focused_) return;
  const auto f = static_cast<std::int64_t>(event.modifierFlags()) & kHighBits & ~modifier::kCapsLock;
  const std::uint16_t code = event.keyCode();
  if ((f & kRecordable) == 0) {
    if (code == kEscapeKey) {
      viewDidHide();
      return;
    }
    ui::beep();
    return;
  }
  const std::string name = keyCodeString(code);
  if (name.empty()) {
    logWarningf("hot key recorder: key %u has no key of ours on this keyboard layout; not taken",
                static_cast<unsigned>(code));
    ui::beep();
    return;
  }
  updateSymbolDisplays(f);
  showKey(name);
  inputContext_ = HokeyStruct{f, code, inputContext_.hotKeyID, false};
  // The modifiers pressed for this combination were no taps: pressed again at once, they are the user
  // trying the new hot key, which must not turn into a double tap.
  commandKeyDownTime_ = optionKeyDownTime_ = controlKeyDownTime_ = 0;
  deliver();
}

void HotkeyTextField::keyDownFlagsOnly(const ui::Event& event) {
  if (!focused_) return;
  const std::uint16_t c = event.keyCode();
  if (c != kCommandKey && c != kOptionKey && c != kControlKey) return;
  const std::int64_t now = nowMs();
  const auto full = static_cast<std::int64_t>(event.modifierFlags());
  const std::int64_t f = full & kHighBits & ~modifier::kCapsLock;
  std::int64_t* slot = nullptr;
  if ((full & modifier::kCommand) && c == kCommandKey) {
    slot = &commandKeyDownTime_;
  } else if ((full & modifier::kOption) && c == kOptionKey) {
    slot = &optionKeyDownTime_;
  } else if ((full & modifier::kControl) && c == kControlKey) {
    slot = &controlKeyDownTime_;
  }
  bool doubleTap = false;
  if (slot) {
    doubleTap = now - *slot < kDoubleTapMs;
    *slot = now;
  }
  // Letting go of a modifier is no mistake: only a press can make a double tap.
  if (f == 0 || !doubleTap) return;
  updateSymbolDisplays(f);
  showKey(kDoubleTap);
  inputContext_ = HokeyStruct{f, c, inputContext_.hotKeyID, true};
  deliver();
}

}  // namespace vl
