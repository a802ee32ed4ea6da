#pragma once

#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace vl::x11 {

// One scroll valuator of a pointer device, as XInput2 describes it.
struct ScrollAxis {
  int number = 0;
  bool vertical = true;
  // Valuator units per wheel notch; 0 or not finite counts as 1.
  double increment = 1;
};

// A scroll in lines: positive dy reveals what lies above, positive dx what lies to the left.
struct ScrollDelta {
  double dx = 0, dy = 0;
  bool operator==(const ScrollDelta&) const = default;
};

// A button press of buttons 4-7 is a wheel notch, one line. A notch the server emulated from scroll
// valuators, or any notch of a device that scrolls smoothly (`fromSmooth`), already arrived as smooth
// motion and gives nothing, as does any other button.
std::optional<ScrollDelta> wheelButtonScroll(unsigned button, bool fromSmooth);

// The valuators set in an event's mask as (number, value), values taken in order from `values`. A mask
// longer than any device has is read only up to that length.
std::vector<std::pair<int, double>> setValuators(const unsigned char* mask, int maskLength,
                                                 const double* values);

// Turns the absolute scroll valuators of XInput2 motion into relative scrolls. A device's first value
// on an axis (and the first after restart()) only sets the base: the pointer may have scrolled other
// windows meanwhile, and that distance is not ours.
class SmoothScroll {
 public:
  static constexpr int kMaxValuatorMaskBytes = 32;
  static constexpr std::size_t kMaxDevices = 256;

  bool knows(int device) const { return devices_.count(device) != 0; }
  // The device scrolls smoothly: its wheel buttons only repeat what its valuators say.
  bool isSmooth(int device) const {
    auto it = devices_.find(device);
    return it != devices_.end() && !it->second.empty();
  }
  // The device's scroll axes (none for a device without smooth scrolling); later calls replace them.
  void addDevice(int device, const std::vector<ScrollAxis>& axes);
  // The pointer entered a window: every axis starts from its next value.
  void restart();
  // What one motion event of `device` scrolls; nullopt when it scrolls nothing.
  std::optional<ScrollDelta> motion(int device, const std::vector<std::pair<int, double>>& valuators);

 private:
  struct Axis {
    ScrollAxis axis;
    std::optional<double> last;
  };
  std::map<int, std::vector<Axis>> devices_;
};

}  // namespace vl::x11
