#include "platform/system/paint/CairoPainter.h"

#include <cairo.h>

#include "platform/foundation/Log.h"
#include "platform/ui/window/Window.h"

namespace vl::paint {

void paintDisplayList(cairo_t* cr, const ui::DisplayList& list, const PaintOptions& options) {
  cairo_save(cr);
  cairo_scale(cr, options.scale, options.scale);
  for (const auto& c : list.commands()) {
    if (c.kind != ui::DrawCommand::Kind::FillRect) continue;
    ui::Rect r = c.windowBounds();
    cairo_set_source_rgba(cr, c.color.red, c.color.green, c.color.blue, c.color.alpha * c.alpha);
    cairo_rectangle(cr, r.origin.x, options.height - r.origin.y - r.height(), r.width(), r.height());
    cairo_fill(cr);
  }
  cairo_restore(cr);
}

bool writeWindowPng(ui::Window& window, const std::string& path, double scale) {
  window.display();
  ui::Rect frame = window.frame();
  int w = static_cast<int>(frame.width() * scale), h = static_cast<int>(frame.height() * scale);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w > 0 ? w : 1, h > 0 ? h : 1);
  cairo_t* cr = cairo_create(surface);
  paintDisplayList(cr, window.displayList(), PaintOptions{scale, frame.height(), std::nullopt});
  cairo_destroy(cr);
  bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  if (!ok) vl::log("paint: cannot write " + path);
  cairo_surface_destroy(surface);
  return ok;
}

}  // namespace vl::paint
