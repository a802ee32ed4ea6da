#pragma once

#include <optional>
#include <string>

#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/graphics/Geometry.h"

typedef struct _cairo cairo_t;

namespace vl::ui {
class Window;
}

namespace vl::paint {

struct PaintOptions {
  // Device pixels per point (2 on a 2x screen).
  double scale = 1;
  // The height of the area in points: the toolkit's coordinates have their origin at the bottom left,
  // Cairo's at the top left.
  double height = 0;
  // Only steps that touch this rect (in points) are painted, clipped to it; the whole list without it.
  std::optional<ui::Rect> dirty;
  // Makes the painted area (the dirty rect, else all the context's clip lets through) transparent first,
  // as a back buffer kept between frames needs: a clear window would otherwise pile up its own alpha.
  bool clear = true;
};

// Paints a recorded display list into a Cairo context, every kind of step included: geometry goes
// through each step's transform, flipped from the toolkit's bottom-left origin to Cairo's top-left;
// text and images stand upright in their rects. Text is drawn by PangoTextEngine::shared() whether or not
// it is installed as the toolkit's measurer. Steps with coordinates that are not numbers are left out
// (one log line per call), as are clip ends without a clip.
void paintDisplayList(cairo_t* cr, const ui::DisplayList& list, const PaintOptions& options);

// Lays out and displays the window (background and content), paints it into an ARGB image of its content
// rect's size at `scale` (transparent where nothing is drawn), and writes it as PNG. False, with a log
// line, when the file cannot be written or the picture would be too large.
[[nodiscard]] bool writeWindowPng(ui::Window& window, const std::string& path, double scale = 1);

}  // namespace vl::paint
