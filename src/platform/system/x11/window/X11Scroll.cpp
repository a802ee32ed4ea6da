#include "platform/system/x11/window/X11Scroll.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Log.h"

namespace vl::x11 {

std::optional<ScrollDelta> wheelButtonScroll(unsigned button, bool fromSmooth) {
  if (fromSmooth || button < 4 || button > 7) return std::nullopt;
  // Up and left reveal what lies above and to the left.
  switch (button) {
    case 4:
      return ScrollDelta{0, 1};
    case 5:
      return ScrollDelta{0, -1};
    case 6:
      return ScrollDelta{1, 0};
    default:
      return ScrollDelta{-1, 0};
  }
}

std::vector<std::pair<int, double>> setValuators(const unsigned char* mask, int maskLength,
                                                 const double* values) {
  std::vector<std::pair<int, double>> set;
  if (!mask || !values || maskLength <= 0) return set;
  const int bytes = std::min(maskLength, SmoothScroll::kMaxValuatorMaskBytes);
  for (int i = 0; i < bytes * 8; ++i) {
    if (mask[i >> 3] & (1 << (i & 7))) set.emplace_back(i, *values++);
  }
  return set;
}

void SmoothScroll::addDevice(int device, const std::vector<ScrollAxis>& axes) {
  if (devices_.size() >= kMaxDevices && !knows(device)) {
    logWarning("X11 windows: too many pointer devices; smooth scrolling starts over");
    devices_.clear();
  }
  std::vector<Axis>& list = devices_[device];
  list.clear();
  for (ScrollAxis a : axes) {
    if (!(a.increment != 0 && std::isfinite(a.increment))) a.increment = 1;
    list.push_back({a, std::nullopt});
  }
}

void SmoothScroll::restart() {
  for (auto& [device, axes] : devices_) {
    for (auto& a : axes) a.last.reset();
  }
}

std::optional<ScrollDelta> SmoothScroll::motion(int device,
                                                const std::vector<std::pair<int, double>>& valuators) {
  auto found = devices_.find(device);
  if (found == devices_.end()) return std::nullopt;
  ScrollDelta d;
  for (const auto& [number, value] : valuators) {
    for (Axis& a : found->second) {
      if (a.axis.number != number) continue;
      if (!std::isfinite(value)) {
        a.last.reset();  // a broken value must not make the next step huge
        continue;
      }
      // One increment is one notch, one line; valuators grow downwards and to the right.
      if (a.last) (a.axis.vertical ? d.dy : d.dx) -= (value - *a.last) / a.axis.increment;
      a.last = value;
    }
  }
  if ((d.dx == 0 && d.dy == 0) || !std::isfinite(d.dx) || !std::isfinite(d.dy)) return std::nullopt;
  return d;
}

}  // namespace vl::x11
