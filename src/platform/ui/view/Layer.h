#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/graphics/BezierPath.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Geometry.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/view/Animation.h"

namespace vl::ui {

class GraphicsContext;
class View;

// Where layer contents go inside the bounds.
enum class ContentsGravity {
  Center,
  Top,
  Bottom,
  Left,
  Right,
  TopLeft,
  TopRight,
  BottomLeft,
  BottomRight,
  Resize,            // stretched to the bounds
  ResizeAspect,      // scaled to fit, aspect ratio kept, centred
  ResizeAspectFill,  // scaled to fill, aspect ratio kept, centred (may overflow)
};
// The rectangle an image of `imageSize` takes in `bounds`; "top" means maximum y unless `flipped`.
Rect contentsRect(const Rect& bounds, Size imageSize, ContentsGravity gravity, bool flipped);

// A rectangle with appearance, sublayers and animations. The anchor point is always (0, 0), so the
// position is the frame's origin. A view's backing layer follows the view's frame and never animates a
// change implicitly; a standalone layer inside a layer tree animates changes of its animatable properties
// (see Transaction) unless actions are disabled. Main thread only. Layers are held by shared_ptr; the
// superlayer and backing view pointers are back references their owners clear.
class Layer : public std::enable_shared_from_this<Layer> {
 public:
  Layer() = default;
  virtual ~Layer();
  Layer(const Layer&) = delete;
  Layer& operator=(const Layer&) = delete;
  static std::shared_ptr<Layer> create() { return std::make_shared<Layer>(); }

  // Geometry, in the superlayer's coordinates.
  Rect frame() const { return {position_, bounds_.size}; }
  void setFrame(const Rect& r);
  Point position() const { return position_; }
  void setPosition(Point p);
  Rect bounds() const { return bounds_; }
  void setBounds(const Rect& r);
  // Sublayers are laid out from the top left when set (a flipped view's layer).
  bool isHidden() const { return hidden_; }
  void setHidden(bool v) {
    hidden_ = v;
    changed();
  }
  const std::string& name() const { return name_; }
  void setName(std::string n) { name_ = std::move(n); }

  // Appearance. A missing colour draws nothing.
  const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(std::optional<Color> c);
  const std::optional<Color>& borderColor() const { return borderColor_; }
  void setBorderColor(std::optional<Color> c);
  double borderWidth() const { return borderWidth_; }
  void setBorderWidth(double w);
  double cornerRadius() const { return cornerRadius_; }
  void setCornerRadius(double r);
  // CornerMask bits of the corners the radius rounds; all four by default.
  void setMaskedCorners(std::uint32_t corners) {
    maskedCorners_ = corners & AllCorners;
    changed();
  }
  void setMasksToBounds(bool v) {
    masksToBounds_ = v;
    changed();
  }
  double opacity() const { return opacity_; }
  void setOpacity(double o);

  double shadowOpacity() const { return shadowOpacity_; }
  void setShadowOpacity(double o);
  const std::optional<Color>& shadowColor() const { return shadowColor_; }
  void setShadowColor(std::optional<Color> c) {
    shadowColor_ = std::move(c);
    changed();
  }
  void setShadowOffset(Size s) {
    shadowOffset_ = s;
    changed();
  }
  double shadowRadius() const { return shadowRadius_; }
  void setShadowRadius(double r);
  void setShadowPath(std::optional<BezierPath> p) {
    shadowPath_ = std::move(p);
    changed();
  }

  const ImageRef& contents() const { return contents_; }
  void setContents(ImageRef image) {
    contents_ = std::move(image);
    changed();
  }
  ContentsGravity contentsGravity() const { return contentsGravity_; }
  void setContentsGravity(ContentsGravity g) {
    contentsGravity_ = g;
    changed();
  }
  // Only the mask's shape shows through: its path for a shape layer, else its (rounded) frame.
  const std::shared_ptr<Layer>& mask() const { return mask_; }
  void setMask(std::shared_ptr<Layer> m);

  // The outline background, border, clip and shadow follow: the bounds with the masked corners rounded.
  BezierPath outline() const;
  // What shows through when this layer is another layer's mask, in this layer's coordinates.
  virtual BezierPath shapeForMasking() const { return outline(); }

  // Tree.
  const std::vector<std::shared_ptr<Layer>>& sublayers() const { return sublayers_; }
  Layer* superlayer() const { return superlayer_; }
  void addSublayer(const std::shared_ptr<Layer>& layer);
  void insertSublayer(const std::shared_ptr<Layer>& layer, std::size_t index);
  void removeFromSuperlayer();
  // The view this layer backs, if any.
  View* view() const { return view_; }

  // Animatable properties by key path ("position.x", "position.y", "bounds.size.width",
  // "bounds.size.height", "opacity", "backgroundColor", "borderColor", "borderWidth", "cornerRadius",
  // "shadowOpacity", "shadowRadius"; subclasses add theirs). Unknown paths give nullopt / false.
  virtual std::optional<AnimValue> valueForKeyPath(const std::string& keyPath) const;
  virtual bool setValueForKeyPath(const std::string& keyPath, const AnimValue& value);
  // What is on screen now: the model value with the running (or filled) animations applied.
  std::optional<AnimValue> presentationValueForKeyPath(const std::string& keyPath) const;
  Point presentationPosition() const;
  Size presentationSize() const;
  double presentationOpacity() const;

  // Animations. Adding under a key replaces (and stops, finished false) the animation under that key.
  // Keys are kept in the order they were first added.
  void addAnimation(const std::shared_ptr<Animation>& animation, const std::string& key);
  std::shared_ptr<Animation> animationForKey(const std::string& key) const;
  std::vector<std::string> animationKeys() const;
  void removeAnimation(const std::string& key);
  void removeAllAnimations();

  // Records the layer into a display list: shadow, background, contents, then `drawContent` (a view's own
  // drawing), the layer's own content, the sublayers, `drawAbove` (a view's subviews) clipped to the
  // outline when masking, and the border on top.
  void render(GraphicsContext& ctx, const std::function<void()>& drawContent = {},
              const std::function<void()>& drawAbove = {}) const;

 protected:
  // Content a layer subclass draws over its background (a shape's path, a text).
  virtual void drawLayerContent(GraphicsContext&) const {}
  // Subclass setters call this before storing a new value of an animatable property; it also marks the
  // layer changed.
  void willChange(const std::string& keyPath, const AnimValue& oldValue, const AnimValue& newValue);
  // Every setter that alters what the layer draws calls this: the view the layer tree hangs from (through
  // superlayers, or the layer this one masks) needs display, so its window repaints at the next frame.
  void changed();

 private:
  friend class View;
  friend class AnimationEngine;
  struct Entry {
    std::string key;
    std::shared_ptr<Animation> animation;
  };
  bool implicitAnimationsAllowed() const;
  void stopAnimation(const std::shared_ptr<Animation>& animation, bool finished, bool later);
  // Sets geometry without implicit animation (a view moving its backing layer).
  void setGeometryFromView(const Rect& frame, bool flipped);

  Point position_;
  Rect bounds_;
  bool geometryFlipped_ = false;
  bool hidden_ = false;
  std::string name_;
  std::optional<Color> backgroundColor_;
  std::optional<Color> borderColor_;
  double borderWidth_ = 0;
  double cornerRadius_ = 0;
  std::uint32_t maskedCorners_ = AllCorners;
  bool masksToBounds_ = false;
  double opacity_ = 1;
  double shadowOpacity_ = 0;
  std::optional<Color> shadowColor_ = Color::black();
  Size shadowOffset_{0, -3};
  double shadowRadius_ = 3;
  std::optional<BezierPath> shadowPath_;
  ImageRef contents_;
  ContentsGravity contentsGravity_ = ContentsGravity::Resize;
  std::shared_ptr<Layer> mask_;
  std::vector<std::shared_ptr<Layer>> sublayers_;
  Layer* superlayer_ = nullptr;
  View* view_ = nullptr;
  // The layer whose mask this is; cleared when that layer lets go of it.
  Layer* maskOf_ = nullptr;
  std::vector<Entry> animations_;
};

}  // namespace vl::ui
