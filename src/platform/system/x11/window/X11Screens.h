#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ui/graphics/Geometry.h"
#include "platform/ui/window/Screen.h"

// Xlib itself stays out of this header: its macros clash with the toolkit's names.
typedef struct _XDisplay Display;

namespace vl::x11 {

// A rectangle in X root pixels (top-left origin).
struct PixelRect {
  long x = 0, y = 0, width = 0, height = 0;
  bool operator==(const PixelRect&) const = default;
};

struct Monitor {
  PixelRect frame;
  bool primary = false;
  std::string name;
};

// Between X root pixels and the toolkit's screen points (bottom-left origin, the main screen's bottom
// left at (0, 0), `scale` pixels per point).
class ScreenSpace {
 public:
  ScreenSpace() = default;
  ScreenSpace(const PixelRect& mainMonitor, double scale);
  double scale() const { return scale_; }
  ui::Rect toToolkit(const PixelRect& r) const;
  // Rounded to whole pixels; a size below one pixel becomes one pixel, and sizes are capped at what X
  // can address (32767), so no frame the toolkit holds makes a request the server refuses.
  PixelRect toPixels(const ui::Rect& r) const;

 private:
  long mainX_ = 0;
  long mainBottom_ = 0;
  double scale_ = 1;
};

// The toolkit's screens: the primary monitor first (the first one when none is primary), each visible
// frame the monitor less what lies outside the work area. Without monitors, one screen of `rootSize`.
std::vector<ui::Screen> screensFromMonitors(std::vector<Monitor> monitors, std::optional<PixelRect> workArea,
                                            const PixelRect& root, double scale);
// The space the screens above are measured in.
ScreenSpace screenSpaceFor(const std::vector<Monitor>& monitors, const PixelRect& root, double scale);

// The backing scale the window server last read from the desktop; 1 before. Any thread.
double desktopScale();
void setDesktopScale(double scale);

// A point in root pixels of `dpy` (top-left origin) as the toolkit's screens measure it, with the
// monitors read from the display now. For threads that own an X connection but not the screens.
ui::Point toolkitPointOfRoot(Display* dpy, int rootX, int rootY, double scale);

}  // namespace vl::x11
