#pragma once

#include <optional>
#include <string>

#include "platform/ui/view/Layer.h"

namespace vl::ui {

// A layer that fills and strokes a path over its background. Adds the key paths "fillColor",
// "strokeColor" and "lineWidth".
class ShapeLayer : public Layer {
 public:
  static std::shared_ptr<ShapeLayer> create() { return std::make_shared<ShapeLayer>(); }

  const BezierPath& path() const { return path_; }
  void setPath(BezierPath p) {
    path_ = std::move(p);
    changed();
  }
  // Black by default; none fills nothing.
  const std::optional<Color>& fillColor() const { return fillColor_; }
  void setFillColor(std::optional<Color> c);
  // None by default.
  const std::optional<Color>& strokeColor() const { return strokeColor_; }
  void setStrokeColor(std::optional<Color> c);
  double lineWidth() const { return lineWidth_; }
  void setLineWidth(double w);

  std::optional<AnimValue> valueForKeyPath(const std::string& keyPath) const override;
  bool setValueForKeyPath(const std::string& keyPath, const AnimValue& value) override;
  BezierPath shapeForMasking() const override { return path_; }

 protected:
  void drawLayerContent(GraphicsContext& ctx) const override;

 private:
  BezierPath path_;
  std::optional<Color> fillColor_ = Color::black();
  std::optional<Color> strokeColor_;
  double lineWidth_ = 1;
};

}  // namespace vl::ui
