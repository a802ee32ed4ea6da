#pragma once

#include <cstddef>
#include <functional>

namespace vl::ui {

// The system alert sound. Headless it is only counted; a desktop backend installs a handler that plays it.
// Main thread only.
void beep();
std::size_t beepCount();
void resetBeepCount();
// nullptr: count only.
void setBeepHandler(std::function<void()> handler);

}  // namespace vl::ui
