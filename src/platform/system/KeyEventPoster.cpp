#include "platform/system/KeyEventPoster.h"

#include <mutex>

#include "platform/system/HeadlessKeyEventPoster.h"
#include "platform/ui/Event.h"

namespace vl {

namespace {

std::mutex& installMutex() {
  static std::mutex m;
  return m;
}

std::shared_ptr<KeyEventPoster>& installed() {
  static std::shared_ptr<KeyEventPoster> backend;
  return backend;
}

}  // namespace

std::shared_ptr<KeyEventPoster> KeyEventPoster::shared() {
  std::lock_guard lock(installMutex());
  auto& backend = installed();
  if (!backend) backend = std::make_shared<HeadlessKeyEventPoster>();
  return backend;
}

void KeyEventPoster::install(std::shared_ptr<KeyEventPoster> backend) {
  std::lock_guard lock(installMutex());
  installed() = backend ? std::move(backend) : std::make_shared<HeadlessKeyEventPoster>();
}

bool KeyEventPoster::postPasteChord() {
  const bool down = postKeyEvent(ui::KeyCode::V, ui::ModifierFlags::Command, true);
  // The key-up goes out even after a failed key-down, so a half-posted chord cannot leave V held.
  const bool up = postKeyEvent(ui::KeyCode::V, ui::ModifierFlags::Command, false);
  return down && up;
}

}  // namespace vl
