#pragma once

#include <string>

namespace vl {

// A pin tab's view in the tab bar. The tab tells it of activation, moves, renaming and removal; the
// tab holds it weakly (the bar owns its views).
class PinTabDelegate {
 public:
  virtual ~PinTabDelegate() = default;
  // Optional: answer false when the view does not follow activation; the tab's state then stays.
  virtual bool didActive() { return false; }
  virtual bool didInactive() { return false; }
  // One slot to the left or to the right, at once.
  virtual void moveForward() = 0;
  virtual void moveBackward() = 0;
  // Leaves the bar; the tab's folder goes right after.
  virtual void remove() = 0;
  virtual void setName(const std::string& name) = 0;
  virtual void setBgColor(const std::string& bgColor) = 0;
};

}  // namespace vl
