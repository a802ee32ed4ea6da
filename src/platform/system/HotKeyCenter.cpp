#include "platform/system/HotKeyCenter.h"

#include <utility>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/system/desktop/InstalledBackend.h"
#include "platform/system/headless/HeadlessHotKeyCenter.h"
#include "platform/ui/view/Event.h"

namespace vl {

std::shared_ptr<HotKeyCenter> HotKeyCenter::shared() {
  return InstalledBackend<HotKeyCenter, HeadlessHotKeyCenter>::get();
}

void HotKeyCenter::install(std::shared_ptr<HotKeyCenter> backend) {
  InstalledBackend<HotKeyCenter, HeadlessHotKeyCenter>::install(std::move(backend));
}

namespace {

// Hot key modifier bits and the event flags they stand for.
constexpr std::pair<std::uint32_t, std::uint64_t> kHotKeyModifiers[] = {
    {0x100, ui::ModifierFlags::Command},
    {0x200, ui::ModifierFlags::Shift},
    {0x800, ui::ModifierFlags::Option},
    {0x1000, ui::ModifierFlags::Control},
};

}  // namespace

std::uint64_t HotKeyCenter::flagsFromCarbonModifiers(std::uint32_t carbonModifiers) {
  std::uint64_t flags = 0;
  for (const auto& [bit, flag] : kHotKeyModifiers) {
    if (carbonModifiers & bit) flags |= flag;
  }
  return flags;
}

std::uint32_t HotKeyCenter::carbonModifiersFromFlags(std::uint64_t modifierFlags) {
  std::uint32_t bits = 0;
  for (const auto& [bit, flag] : kHotKeyModifiers) {
    if (modifierFlags & flag) bits |= bit;
  }
  return bits;
}

std::uint64_t HotKeyCenter::significantFlags(std::uint64_t modifierFlags) {
  using namespace ui::ModifierFlags;
  return modifierFlags & (Shift | Control | Option | Command);
}

bool HotKeyCenter::registerHotKey(int hotKeyID, std::uint16_t keyCode, std::uint64_t modifierFlags,
                                  Handler handler) {
  const std::uint64_t flags = significantFlags(modifierFlags);
  auto shared = std::make_shared<Handler>(std::move(handler));
  MutexLock registering(registrationMutex_);
  std::optional<Registration> old;
  {
    MutexLock lock(mutex_);
    for (auto& [id, r] : registrations_) {
      if (r.keyCode != keyCode || r.modifierFlags != flags) continue;
      if (id == hotKeyID) {
        // The same combination again: nothing to take from the desktop, only the handler changes.
        r.handler = std::move(shared);
        return true;
      }
      logWarningf("hot key %d: key %u flags 0x%llx is already hot key %d", hotKeyID, keyCode,
                  static_cast<unsigned long long>(flags), id);
      return false;
    }
    auto it = registrations_.find(hotKeyID);
    if (it != registrations_.end()) old = it->second;
  }
  if (!grabCombination(keyCode, flags)) {
    logWarningf("hot key %d: key %u flags 0x%llx could not be registered (held by another application?)",
                hotKeyID, keyCode, static_cast<unsigned long long>(flags));
    return false;
  }
  {
    MutexLock lock(mutex_);
    registrations_[hotKeyID] = Registration{keyCode, flags, std::move(shared)};
  }
  if (old) releaseCombination(old->keyCode, old->modifierFlags);
  return true;
}

void HotKeyCenter::unregisterHotKey(int hotKeyID) {
  MutexLock registering(registrationMutex_);
  Registration old;
  {
    MutexLock lock(mutex_);
    auto it = registrations_.find(hotKeyID);
    if (it == registrations_.end()) return;
    old = it->second;
    registrations_.erase(it);
  }
  releaseCombination(old.keyCode, old.modifierFlags);
}

std::optional<std::pair<std::uint16_t, std::uint64_t>> HotKeyCenter::registeredCombination(
    int hotKeyID) const {
  MutexLock lock(mutex_);
  auto it = registrations_.find(hotKeyID);
  if (it == registrations_.end()) return std::nullopt;
  return std::make_pair(it->second.keyCode, it->second.modifierFlags);
}

void HotKeyCenter::deliverPress(std::uint16_t keyCode, std::uint64_t modifierFlags) {
  const std::uint64_t flags = significantFlags(modifierFlags);
  std::shared_ptr<Handler> handler;
  HotKeyPress press{0, keyCode, flags};
  {
    MutexLock lock(mutex_);
    for (const auto& [id, r] : registrations_) {
      if (r.keyCode == keyCode && r.modifierFlags == flags) {
        handler = r.handler;
        press.hotKeyID = id;
        break;
      }
    }
  }
  if (!handler || !*handler) return;
  dispatch::Queue::main()->async([handler, press] { (*handler)(press); });
}

}  // namespace vl
