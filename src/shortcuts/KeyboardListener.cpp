#include "shortcuts/KeyboardListener.h"

#include <cstdint>
#include <optional>

#include "platform/ui/window/Application.h"
#include "shortcuts/ShortcutHelper.h"

namespace vl {

namespace {

// The last key-down a shortcut acted on; a press is told apart by its time, key and modifiers.
struct TakenPress {
  double timestamp = 0;
  std::uint16_t keyCode = 0;
  std::uint64_t flags = 0;
};

std::optional<TakenPress>& lastTaken() {
  static std::optional<TakenPress> taken;
  return taken;
}

KeyboardListener*& instance() {
  static KeyboardListener* listener = nullptr;
  return listener;
}

class Suspension {
 public:
  explicit Suspension(std::shared_ptr<int> count) : count_(std::move(count)) { ++*count_; }
  ~Suspension() { --*count_; }
  Suspension(const Suspension&) = delete;
  Suspension& operator=(const Suspension&) = delete;

 private:
  std::shared_ptr<int> count_;
};

}  // namespace

KeyboardListener& KeyboardListener::shared() {
  // Never destroyed in the program: the application object it watches outlives every static.
  KeyboardListener*& listener = instance();
  if (!listener) listener = new KeyboardListener(ui::Application::shared());
  return *listener;
}

void KeyboardListener::resetForTesting() {
  lastTaken().reset();
  delete instance();
  instance() = nullptr;
}

KeyboardListener::KeyboardListener(ui::Application& application) : application_(application) {
  monitor_ = application_.addLocalMonitorForEvents(ui::EventMasks::KeyDown | ui::EventMasks::FlagsChanged,
                                                   [this](const ui::Event& event) { return handle(event); });
}

KeyboardListener::~KeyboardListener() { application_.removeMonitor(monitor_); }

std::shared_ptr<void> KeyboardListener::suspendDispatch() {
  return std::make_shared<Suspension>(suspensions_);
}

std::optional<ui::Event> KeyboardListener::handle(const ui::Event& event) {
  if (!isSuspended()) {
    // Only the device-independent bits: the low 16 tell left from right modifier keys and vary by
    // keyboard, and stored presses never carry them.
    const auto flags =
        static_cast<std::int64_t>(event.modifierFlags() & ui::ModifierFlags::DeviceIndependentMask);
    const bool taken = ShortcutHelper::dispatchWithModifierFlags(flags, event.keyCode());
    if (event.type() == ui::EventType::KeyDown) {
      lastTaken() = taken ? std::optional<TakenPress>(
                                TakenPress{event.timestamp(), event.keyCode(), event.modifierFlags()})
                          : std::nullopt;
    }
  }
  return event;
}

bool KeyboardListener::tookPress(const ui::Event& event) {
  const std::optional<TakenPress>& taken = lastTaken();
  return taken && event.type() == ui::EventType::KeyDown && taken->timestamp == event.timestamp() &&
         taken->keyCode == event.keyCode() && taken->flags == event.modifierFlags();
}

}  // namespace vl
