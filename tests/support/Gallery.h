#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ui/graphics/Geometry.h"

typedef struct _cairo_surface cairo_surface_t;

namespace vl::ui {
class Window;
class ScrollView;
class DisplayList;
}  // namespace vl::ui

// Pictures of windows for a person to look at, and pixel probes for tests that check them.
namespace vl::test {

// Desktop painting (Pango metrics, decoded images) while the object lives; what was installed before
// comes back at the end. Build windows inside it so they lay out with the metrics they are painted with.
class DesktopPaintingScope {
 public:
  DesktopPaintingScope();
  ~DesktopPaintingScope();
  DesktopPaintingScope(const DesktopPaintingScope&) = delete;
  DesktopPaintingScope& operator=(const DesktopPaintingScope&) = delete;

 private:
  bool wasInstalled_;
};

// Paints the window under the light and then the dark appearance into
// ${VL_BINARY_DIR}/gallery/<name>-light.png and <name>-dark.png, with desktop painting installed for the
// call, and puts the appearance back. Returns the paths written (light first); a failure is a test
// failure and leaves its path out.
std::vector<std::string> writeGallery(ui::Window& window, const std::string& name, double scale = 1);

// Paints a recorded picture of `size` points (a drag's picture, say) at `scale` into
// ${VL_BINARY_DIR}/gallery/<name>.png, with desktop painting installed for the call. False when the file
// could not be written.
bool writeDisplayListPng(const ui::DisplayList& picture, ui::Size size, const std::string& name,
                         double scale = 1);

// Paints the window, scrolls the scroll view to `to` (its document's coordinates), paints it again, and
// counts the pixels outside the scroll view's frame that the scrolling changed: none when its content
// stays inside its frame. Desktop painting, the appearance of the moment.
int pixelsChangedOutsideWhenScrolled(ui::Window& window, ui::ScrollView& scroll, ui::Point to);

// Straight RGBA, 0-255.
struct Pixel {
  int r = 0, g = 0, b = 0, a = 0;
  bool operator==(const Pixel&) const = default;
};

// Reads pixels of a painted picture at points given in window coordinates (origin bottom left, y up).
class PixelProbe {
 public:
  // A PNG painted at `scale` device pixels per point; nullopt when it cannot be read.
  static std::optional<PixelProbe> fromPng(const std::string& path, double scale = 1);
  // An ARGB32 image surface (kept alive by the probe) painted at `scale`.
  static PixelProbe fromSurface(cairo_surface_t* surface, double scale = 1);
  PixelProbe(const PixelProbe& other);
  PixelProbe& operator=(const PixelProbe& other);
  ~PixelProbe();

  // The pixel that covers the point; transparent black outside the picture.
  Pixel at(ui::Point p) const;
  // Pixels inside the rect (window points) that differ from `background` by more than `tolerance` in
  // some component, and the device-pixel columns the leftmost and rightmost of them lie in (-1 when
  // there are none).
  struct Ink {
    int count = 0;
    int left = -1;
    int right = -1;
  };
  Ink inkIn(const ui::Rect& r, Pixel background = {}, int tolerance = 0) const;
  double scale() const { return scale_; }
  double heightInPoints() const;

 private:
  PixelProbe(cairo_surface_t* surface, double scale);
  Pixel device(int x, int y) const;
  cairo_surface_t* surface_;
  double scale_;
};

}  // namespace vl::test
