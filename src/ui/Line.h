#pragma once

#include <memory>
#include <string>

#include "platform/ui/view/View.h"

namespace vl {

// The one-point separator. Its colour is the view's background asset key ("lineColor" unless given
// another), resolved at every drawing, so a theme or light/dark change shows at the next redraw. A key
// the theme lacks draws nothing.
class Line : public ui::View {
 public:
  static constexpr const char* kDefaultColorKey = "lineColor";

  // Use the factories: the key can only be stored once the line is held by a shared_ptr.
  explicit Line(const ui::Rect& frame = {}) : ui::View(frame) {}
  static std::shared_ptr<Line> create(const ui::Rect& frame = {});

  // A horizontal line at y 0, `padding` in from both ends of `width`.
  static std::shared_ptr<Line> ofWidth(int width, int padding = 0);
  static std::shared_ptr<Line> ofWidth(int width, ui::Point origin,
                                       const std::string& assetKey = kDefaultColorKey);
  static std::shared_ptr<Line> ofHeight(int height, ui::Point origin);

  void setWidth(int width, ui::Point origin);
  void setHeight(int height, ui::Point origin);

  // Stacked in a column, a line keeps its own size.
  bool isFlow() const { return false; }

  void drawRect(const ui::Rect& dirtyRect) override;
};

}  // namespace vl
