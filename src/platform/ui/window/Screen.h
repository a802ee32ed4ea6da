#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/graphics/Geometry.h"

namespace vl::ui {

// A display, in the global screen coordinates (bottom-left origin, the main screen at (0, 0)). Headless there
// is one 1440 x 900 screen unless a backend or test sets others. Main thread only.
class Screen {
 public:
  Screen(const Rect& frame, const Rect& visibleFrame, double backingScaleFactor = 1, std::string name = {})
      : frame_(frame), visibleFrame_(visibleFrame), scale_(backingScaleFactor), name_(std::move(name)) {}

  const Rect& frame() const { return frame_; }
  // The frame less the desktop's bars and docks.
  const Rect& visibleFrame() const { return visibleFrame_; }
  double backingScaleFactor() const { return scale_; }
  const std::string& name() const { return name_; }

  // In the system's order; the first is the main screen.
  static std::vector<std::shared_ptr<Screen>> screens();
  // nullptr when there are no screens.
  static std::shared_ptr<Screen> mainScreen();
  // Replaces the screens (an empty list means none).
  static void setScreens(std::vector<Screen> screens);
  // One 1440 x 900 screen whose visible frame is the whole frame.
  static void resetToDefault();

 private:
  Rect frame_;
  Rect visibleFrame_;
  double scale_;
  std::string name_;
};

}  // namespace vl::ui
