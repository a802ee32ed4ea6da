#include "platform/ui/controls/Beep.h"

#include <utility>

namespace vl::ui {

namespace {

std::size_t& count() {
  static std::size_t n = 0;
  return n;
}

std::function<void()>& handler() {
  static std::function<void()> h;
  return h;
}

}  // namespace

void beep() {
  ++count();
  if (auto h = handler()) h();
}

std::size_t beepCount() { return count(); }

void resetBeepCount() { count() = 0; }

void setBeepHandler(std::function<void()> h) { handler() = std::move(h); }

}  // namespace vl::ui
