#include "platform/system/x11/window/X11Damage.h"

#include <cmath>

namespace vl::x11 {

namespace {

// Pixels a step can touch beyond its geometry: antialiasing, stroke width, shadow blur and offset.
ui::Rect reach(const ui::DrawCommand& c) {
  ui::Rect r = c.windowBounds();
  double out = 2 + c.lineWidth;
  if (c.kind == ui::DrawCommand::Kind::Shadow) {
    out += 2 * c.radius + std::fabs(c.offset.width) + std::fabs(c.offset.height);
  }
  if (c.kind == ui::DrawCommand::Kind::DrawText) out += 4;  // descenders and overhang
  return {r.origin.x - out, r.origin.y - out, r.width() + 2 * out, r.height() + 2 * out};
}

bool samePixels(const ui::DrawCommand& a, const ui::DrawCommand& b) {
  // The view and layer are identities only; the same drawing from another object looks the same.
  return a.kind == b.kind && a.rect == b.rect && a.path == b.path && a.color == b.color &&
         a.lineWidth == b.lineWidth && a.image == b.image && a.operation == b.operation &&
         a.fraction == b.fraction && a.text == b.text && a.font == b.font && a.gradient == b.gradient &&
         a.angle == b.angle && a.offset == b.offset && a.radius == b.radius && a.alpha == b.alpha &&
         a.toWindow == b.toWindow;
}

ui::Rect unite(const std::optional<ui::Rect>& a, const ui::Rect& b) {
  if (!a) return b;
  const double x0 = std::fmin(a->minX(), b.minX()), y0 = std::fmin(a->minY(), b.minY());
  const double x1 = std::fmax(a->maxX(), b.maxX()), y1 = std::fmax(a->maxY(), b.maxY());
  return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace

Damage damageBetween(const ui::DisplayList& before, const ui::DisplayList& after) {
  Damage d;
  const auto& a = before.commands();
  const auto& b = after.commands();
  if (a.size() != b.size()) {
    d.whole = true;
    return d;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (samePixels(a[i], b[i])) continue;
    const bool clip =
        a[i].kind == ui::DrawCommand::Kind::PushClip || b[i].kind == ui::DrawCommand::Kind::PushClip ||
        a[i].kind == ui::DrawCommand::Kind::PopClip || b[i].kind == ui::DrawCommand::Kind::PopClip;
    if (clip) {
      d.whole = true;
      return d;
    }
    d.rect = unite(d.rect, reach(a[i]));
    d.rect = unite(d.rect, reach(b[i]));
  }
  return d;
}

}  // namespace vl::x11
