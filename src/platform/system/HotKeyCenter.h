#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "platform/foundation/Mutex.h"

namespace vl {

// One press of a registered hot key, in the terms of stored shortcuts (virtual key code, modifier flags).
struct HotKeyPress {
  int hotKeyID = 0;
  std::uint16_t keyCode = 0;
  std::uint64_t modifierFlags = 0;
  bool operator==(const HotKeyPress&) const = default;
};

// System-wide key combinations: pressed in any application, they reach this program. A backend is
// installed once at start; headless by default.
//
// Registration is serialised; presses are delivered on the main queue. Only Shift, Control, Option and
// Command take part in a combination: lock keys (Caps Lock, Num Lock) never stop a hot key.
class HotKeyCenter {
 public:
  using Handler = std::function<void(const HotKeyPress&)>;
  virtual ~HotKeyCenter() = default;

  static std::shared_ptr<HotKeyCenter> shared();
  // nullptr goes back to a fresh headless centre.
  static void install(std::shared_ptr<HotKeyCenter> backend);

  // Registers the combination under `hotKeyID`, replacing what the id held before. The new combination
  // is taken before the old one is let go, so when the desktop refuses it (another application holds
  // it) the old combination stays registered and the answer is false. A combination already held by
  // another id of ours is refused too.
  [[nodiscard]] bool registerHotKey(int hotKeyID, std::uint16_t keyCode, std::uint64_t modifierFlags,
                                    Handler handler);
  void unregisterHotKey(int hotKeyID);
  // The combination an id holds: (key code, modifier flags).
  std::optional<std::pair<std::uint16_t, std::uint64_t>> registeredCombination(int hotKeyID) const;

  // Converts the modifier mask of the old hot-key API (Command 0x100, Shift 0x200, Option 0x800,
  // Control 0x1000) that stored hot keys were registered with into modifier flags, and back.
  static std::uint64_t flagsFromCarbonModifiers(std::uint32_t carbonModifiers);
  static std::uint32_t carbonModifiersFromFlags(std::uint64_t modifierFlags);
  // The modifier flags that take part in a combination.
  static std::uint64_t significantFlags(std::uint64_t modifierFlags);

 protected:
  // Takes the combination for this program; false when the desktop refuses it.
  [[nodiscard]] virtual bool grabCombination(std::uint16_t keyCode, std::uint64_t modifierFlags) = 0;
  virtual void releaseCombination(std::uint16_t keyCode, std::uint64_t modifierFlags) = 0;
  // Backends report a press of a taken combination here, from any thread.
  void deliverPress(std::uint16_t keyCode, std::uint64_t modifierFlags);

 private:
  struct Registration {
    std::uint16_t keyCode = 0;
    std::uint64_t modifierFlags = 0;
    std::shared_ptr<Handler> handler;
  };

  // Held across grab and release, which may wait for a backend thread; that thread only ever takes
  // mutex_, so a press arriving meanwhile cannot deadlock a registration.
  Mutex registrationMutex_ VL_ACQUIRED_BEFORE(mutex_);
  mutable Mutex mutex_;
  std::map<int, Registration> registrations_ VL_GUARDED_BY(mutex_);
};

}  // namespace vl
