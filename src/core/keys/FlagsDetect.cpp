#include "core/keys/FlagsDetect.h"

#include <mutex>

#include "platform/dispatch/Dispatch.h"
#include "platform/ui/view/Event.h"
#include "platform/ui/window/Application.h"

namespace vl {

namespace {

std::mutex& providerMutex() {
  static std::mutex m;
  return m;
}

FlagsDetect::CurrentEventFlags& provider() {
  static FlagsDetect::CurrentEventFlags p;
  return p;
}

std::uint64_t currentFlags() {
  FlagsDetect::CurrentEventFlags p;
  {
    std::lock_guard lock(providerMutex());
    p = provider();
  }
  if (p) return p();
  // The event being handled is the application's, on the main thread; elsewhere none is.
  if (!dispatch::MainLoop::isMainThread()) return 0;
  const ui::Event* event = ui::Application::shared().currentEvent();
  return event ? event->modifierFlags() : 0;
}

}  // namespace

void FlagsDetect::setCurrentEventFlagsProvider(CurrentEventFlags p) {
  std::lock_guard lock(providerMutex());
  provider() = std::move(p);
}

bool FlagsDetect::isCommandOn() { return (currentFlags() & kCommandFlag) != 0; }

bool FlagsDetect::isShiftOn() { return (currentFlags() & kShiftFlag) != 0; }

}  // namespace vl
