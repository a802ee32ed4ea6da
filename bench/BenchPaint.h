#pragma once

#include <cairo.h>

#include <string>

#include "platform/system/paint/CairoPainter.h"
#include "platform/ui/window/Window.h"

namespace vl::bench {

// A log sink for benchmarks, whose own output is their figures.
inline void silence(const std::string&) {}

// One frame of the window as the desktop would show it: its display list painted into `surface`.
inline void paintFrame(ui::Window& window, cairo_surface_t* surface) {
  window.display();
  cairo_t* cr = cairo_create(surface);
  paint::PaintOptions options;
  options.height = window.contentRect().height();
  paint::paintDisplayList(cr, window.displayList(), options);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
}

}  // namespace vl::bench
