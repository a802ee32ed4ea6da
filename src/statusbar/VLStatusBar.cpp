#include "statusbar/VLStatusBar.h"

#include <cmath>
#include <utility>

#include "core/VLConfig.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/system/HotKeyCenter.h"
#include "platform/ui/window/Application.h"
#include "shortcuts/ShortcutKeys.h"

namespace vl {

namespace {

using namespace modifier;

std::shared_ptr<VLStatusBar>*& instance() {
  static std::shared_ptr<VLStatusBar>* bar = nullptr;
  return bar;
}

// The modifier keys whose double tap can stand in for the main hot key: the left Ctrl, Alt and Super.
constexpr std::uint16_t kCommandKey = 55;
constexpr std::uint16_t kOptionKey = 58;
constexpr std::uint16_t kControlKey = 59;
constexpr std::int64_t kModifierMask = 0x1000 | 0x800 | 0x200 | 0x100;

std::optional<std::int64_t> integerField(const Json& value, const char* name) {
  auto it = value.find(name);
  if (it == value.end() || !it->is_number_integer()) return std::nullopt;
  return it->get<std::int64_t>();
}

std::string describe(const HokeyStruct& v) {
  if (v.doubleTap) return "double tap of " + shortcutDisplayString(v.modifierFlags, -1);
  return shortcutDisplayString(v.modifierFlags, v.keyCode);
}

// The hot key a settings key holds; nothing, with a log line, for anything that cannot be one.
std::optional<HokeyStruct> storedHotKey(long key) {
  const std::optional<Json> value = VLConfig::shared().getValueOfKey(key);
  if (!value || value->is_null()) {
    logWarningf("hot keys: settings key %ld holds no hot key", key);
    return std::nullopt;
  }
  if (!value->is_object()) {
    // Text, a number or a list is no hot key the user chose: left unregistered, the window could be
    // reached from the tray only. A cleared hot key is the empty dictionary and stays cleared below.
    logWarningf("hot keys: settings key %ld holds a %s that is not a hot key; the default registered", key,
                value->type_name());
    return VLConfig::defaultHotkeyOfKey(key);
  }
  const auto flags = integerField(*value, "modifier");
  const auto code = integerField(*value, "code");
  const auto id = integerField(*value, "hotKeyID");
  const auto tap = value->find("doubleTap");
  const bool tapOk = tap == value->end() || tap->is_boolean();
  if (!flags || !code || !id || !tapOk) {
    logWarningf("hot keys: settings key %ld holds a %s that is not a hot key; none registered", key,
                value->type_name());
    return std::nullopt;
  }
  HokeyStruct hotKey{*flags, *code, *id, tap != value->end() && tap->get<bool>()};
  if (hotKey.isEmpty()) {
    logWarningf("hot keys: settings key %ld is unset", key);
    return std::nullopt;
  }
  if (*flags < 0 || *flags > 0xFFFF0000LL || (*flags & 0xFFFF) != 0 || *code < 0 || *code > 126) {
    logWarningf("hot keys: settings key %ld (0x%llx, %lld) is out of range; none registered", key,
                static_cast<unsigned long long>(*flags), static_cast<long long>(*code));
    return std::nullopt;
  }
  return hotKey;
}

}  // namespace

VLStatusBar::WindowActions& VLStatusBar::windowActions() {
  static auto* actions = new WindowActions();  // called from hot keys until exit
  return *actions;
}

void VLStatusBar::setWindowActions(WindowActions actions) { windowActions() = std::move(actions); }

VLStatusBar& VLStatusBar::shared() {
  // Never destroyed in the program: hot keys and monitors stay until the process ends.
  std::shared_ptr<VLStatusBar>*& bar = instance();
  if (!bar) bar = new std::shared_ptr<VLStatusBar>(create());
  return **bar;
}

void VLStatusBar::resetForTesting() {
  delete instance();
  instance() = nullptr;
}

std::shared_ptr<VLStatusBar> VLStatusBar::create() {
  std::shared_ptr<VLStatusBar> bar(new VLStatusBar());
  bar->start();
  return bar;
}

void VLStatusBar::start() {
  // A key taken by another program is told to the user by the registration itself.
  (void)registerStoredHotKey(VLConfig::kMainHotKey);
  (void)registerStoredHotKey(VLConfig::kRecordHotKey);

  std::weak_ptr<VLStatusBar> weak = weak_from_this();
  // Key-downs too: a key typed between two taps of a modifier (Ctrl+C, then Ctrl+V) makes them no
  // double tap.
  const ui::EventMask keys = ui::EventMasks::FlagsChanged | ui::EventMasks::KeyDown;
  globalBackend_ = GlobalEventMonitor::shared();
  globalMonitor_ = globalBackend_->addGlobalMonitorForEvents(
      keys | ui::EventMasks::LeftMouseDown | ui::EventMasks::RightMouseDown, [weak](const ui::Event& event) {
        auto self = weak.lock();
        if (!self) return;
        if (event.type() == ui::EventType::LeftMouseDown || event.type() == ui::EventType::RightMouseDown) {
          if (const auto& update = windowActions().updateByMousePoint) update(event.locationInWindow());
          return;
        }
        self->onKeyEvent(event);
      });
  localMonitor_ = ui::Application::shared().addLocalMonitorForEvents(keys, [weak](const ui::Event& event) {
    if (auto self = weak.lock()) self->onKeyEvent(event);
    return std::optional<ui::Event>(event);
  });
}

VLStatusBar::~VLStatusBar() {
  if (globalBackend_) globalBackend_->removeMonitor(globalMonitor_);
  ui::Application::shared().removeMonitor(localMonitor_);
  for (const auto& [id, value] : working_) {
    if (!value.doubleTap) HotKeyCenter::shared()->unregisterHotKey(static_cast<int>(id));
  }
}

bool VLStatusBar::registerStoredHotKey(long settingsKey) {
  if (settingsKey != VLConfig::kMainHotKey && settingsKey != VLConfig::kRecordHotKey) {
    logWarningf("hot keys: settings key %ld holds no hot key of ours", settingsKey);
    return false;
  }
  const std::int64_t id = settingsKey == VLConfig::kMainHotKey ? kMainHotKeyID : kRecordHotKeyID;
  const std::optional<HokeyStruct> stored = storedHotKey(settingsKey);
  if (!stored) {
    // Nothing is registered in its place; whatever worked before keeps working, but the status menu
    // no longer shows it as the stored key.
    if (asked_.erase(id) > 0) notifyChanged();
    return false;
  }
  if (stored->hotKeyID != id) {
    logWarningf("hot keys: settings key %ld names hot key id %lld; registered as id %lld", settingsKey,
                static_cast<long long>(stored->hotKeyID), static_cast<long long>(id));
  }
  return registerHotKeysWithID(id, "", stored->keyCode, convertModifierToKey(stored->modifierFlags),
                               stored->doubleTap);
}

bool VLStatusBar::registerHotKeysWithID(std::int64_t hotKeyID, const std::string& /*desc*/, std::int64_t code,
                                        std::int64_t modifiers, bool doubleTap) {
  const HokeyStruct value{modifiers, code, hotKeyID, doubleTap};
  if (auto it = asked_.find(hotKeyID); it != asked_.end() && it->second.value == value) {
    // Activation and the preferences program re-register the unchanged key; only a refused one is
    // tried again, as the program holding it may have let go.
    if (it->second.registered) return true;
  }
  const std::uint64_t flags = HotKeyCenter::flagsFromCarbonModifiers(static_cast<std::uint32_t>(modifiers));
  const HokeyStruct asFlags{static_cast<std::int64_t>(flags), code, hotKeyID, doubleTap};
  std::string refusal;
  if (hotKeyID != kMainHotKeyID && hotKeyID != kRecordHotKeyID) {
    refusal = "is no hot key of ours";
  } else if (code < 0 || code > 126 || (modifiers & ~kModifierMask) != 0) {
    refusal = "is out of range";
  } else if (doubleTap && hotKeyID != kMainHotKeyID) {
    refusal = "cannot be a double tap";
  } else if (doubleTap &&
             !((code == kCommandKey && (flags & kCommand)) || (code == kOptionKey && (flags & kOption)) ||
               (code == kControlKey && (flags & kControl)))) {
    refusal = "is no double tap of Ctrl, Alt or Super";
  } else if (!doubleTap && flags == 0) {
    // A plain key taken from every program would stop the user typing it.
    refusal = "has no modifier";
  }

  bool ok = refusal.empty();
  if (ok && doubleTap) {
    if (working_.contains(hotKeyID) && !working_[hotKeyID].doubleTap) {
      HotKeyCenter::shared()->unregisterHotKey(static_cast<int>(hotKeyID));
    }
  } else if (ok) {
    std::weak_ptr<VLStatusBar> weak = weak_from_this();
    ok = HotKeyCenter::shared()->registerHotKey(static_cast<int>(hotKeyID), static_cast<std::uint16_t>(code),
                                                flags, [weak](const HotKeyPress& press) {
                                                  if (auto self = weak.lock()) self->onHotKey(press.hotKeyID);
                                                });
    if (!ok) refusal = "is held elsewhere (by another program, or our other hot key)";
  }
  asked_[hotKeyID] = Held{value, ok};
  if (ok) {
    working_[hotKeyID] = asFlags;
    forgetTaps();
    logf("hot keys: hot key %lld is %s", static_cast<long long>(hotKeyID), describe(asFlags).c_str());
  } else {
    const auto kept = working_.find(hotKeyID);
    logWarningf("hot keys: hot key %lld %s %s; %s", static_cast<long long>(hotKeyID),
                describe(asFlags).c_str(), refusal.c_str(),
                kept == working_.end() ? "none is registered" : ("still " + describe(kept->second)).c_str());
  }
  notifyChanged();
  return ok;
}

std::optional<HokeyStruct> VLStatusBar::activeHotKey(std::int64_t hotKeyID) const {
  auto it = working_.find(hotKeyID);
  if (it == working_.end()) return std::nullopt;
  return it->second;
}

bool VLStatusBar::isRegistered(std::int64_t hotKeyID) const {
  auto it = asked_.find(hotKeyID);
  return it != asked_.end() && it->second.registered;
}

void VLStatusBar::notifyChanged() {
  updateWakeupItemDisplay();
  if (changed_) changed_();
}

void VLStatusBar::wakeupOrHidden() {
  if (const auto& toggle = windowActions().activeOrInactiveVellisto) {
    toggle();
    return;
  }
  static bool logged = false;
  if (!std::exchange(logged, true))
    logWarning("hot keys: the main hot key was pressed; there is no main window yet");
}

void VLStatusBar::onHotKey(std::int64_t hotKeyID) {
  if (hotKeyID == kMainHotKeyID) {
    wakeupOrHidden();
  } else if (hotKeyID == kRecordHotKeyID) {
    static bool logged = false;
    if (const auto& toggle = windowActions().toggleRecordWindow) {
      toggle();
    } else if (!std::exchange(logged, true)) {
      logWarning("hot keys: the record window's hot key was pressed; there is no record window yet");
    }
  }
}

void VLStatusBar::onKeyEvent(const ui::Event& event) {
  if (event.type() == ui::EventType::KeyDown) {
    forgetTaps();
    return;
  }
  auto main = working_.find(kMainHotKeyID);
  if (main == working_.end() || !main->second.doubleTap) return;
  const auto f = static_cast<std::int64_t>(event.modifierFlags() & ui::ModifierFlags::DeviceIndependentMask);
  // A release: only presses count.
  if (f == 0) return;
  const std::int64_t wanted = main->second.modifierFlags;
  std::int64_t* slot = nullptr;
  if (f == kControl && event.keyCode() == kControlKey && (wanted & kControl)) {
    slot = &controlKeyDownTime_;
  } else if (f == kOption && event.keyCode() == kOptionKey && (wanted & kOption)) {
    slot = &optionKeyDownTime_;
  } else if (f == kCommand && event.keyCode() == kCommandKey && (wanted & kCommand)) {
    slot = &commandKeyDownTime_;
  }
  if (!slot) {
    // A second modifier held, a right-hand key, Caps Lock on, or a modifier the hot key does not name:
    // whatever comes next starts afresh.
    forgetTaps();
    return;
  }
  const auto now = static_cast<std::int64_t>(std::floor(Clock::current().now() * 1000.0));
  const bool doubleTap = *slot != 0 && now - *slot <= kDoubleTapMs;
  *slot = now;
  if (doubleTap) wakeupOrHidden();
}

}  // namespace vl
