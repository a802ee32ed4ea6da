#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/graphics/BezierPath.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Geometry.h"
#include "platform/ui/graphics/Image.h"
#include "platform/ui/text/AttributedString.h"
#include "platform/ui/text/Font.h"

namespace vl::ui {

class View;
class Layer;

// How an image combines with what lies under it.
enum class CompositingOperation { Clear, Copy, SourceOver, SourceIn, SourceOut, SourceAtop, DestinationOver };

// One recorded drawing step. Geometry is in the coordinates of the view (or layer) that drew it;
// `toWindow` maps those coordinates to the window's (or the recording root's), so a renderer can paint
// the list and tests can check either.
struct DrawCommand {
  enum class Kind {
    FillRect,      // rect, color; with an image, the colour only where the image has ink
    FillPath,      // path, color
    StrokePath,    // path (its line width), color
    DrawImage,     // image into rect, operation, fraction
    DrawText,      // text in rect, font, color, underline, strikethrough
    FillGradient,  // gradient across rect at angle
    Shadow,        // a layer shadow: path, color, offset, radius; alpha is the shadow opacity
    PushClip,      // path: clip what follows until the matching PopClip
    PopClip,
  };

  Kind kind = Kind::FillRect;
  // The view whose drawing produced the step (identity only; it may be gone by the time the list is read).
  const View* view = nullptr;
  // The layer that produced it, for steps drawn from layer properties; nullptr for drawRect output.
  const Layer* layer = nullptr;
  Rect rect;
  BezierPath path;
  Color color;
  double lineWidth = 0;
  ImageRef image;
  CompositingOperation operation = CompositingOperation::SourceOver;
  double fraction = 1;
  std::string text;
  Font font;
  // Lines the painter draws with the text, in its colour, where the face puts them.
  UnderlineStyle underline = UnderlineStyle::None;
  UnderlineStyle strikethrough = UnderlineStyle::None;
  Gradient gradient;
  double angle = 0;
  Size offset;
  double radius = 0;
  // Opacity of the views and layers around the step, multiplied together.
  double alpha = 1;
  Transform toWindow;

  // The step's own geometry (its rect, or its path's bounds) in window coordinates.
  Rect windowBounds() const;
  std::string description() const;
};

class DisplayList {
 public:
  void add(DrawCommand c) { commands_.push_back(std::move(c)); }
  void clear() { commands_.clear(); }
  const std::vector<DrawCommand>& commands() const { return commands_; }
  std::size_t size() const { return commands_.size(); }
  bool empty() const { return commands_.empty(); }

  std::vector<DrawCommand> filter(const std::function<bool(const DrawCommand&)>& pred) const;
  std::vector<DrawCommand> ofKind(DrawCommand::Kind kind) const;
  std::vector<DrawCommand> forView(const View* view) const;
  // One line per step, for test failure messages and debugging.
  std::string description() const;

 private:
  std::vector<DrawCommand> commands_;
};

// Where drawRect and layers draw. A view's drawRect finds it with current(); it records into a display list
// with the transform and opacity of the view being drawn.
class GraphicsContext {
 public:
  explicit GraphicsContext(DisplayList& list);
  ~GraphicsContext();
  GraphicsContext(const GraphicsContext&) = delete;
  GraphicsContext& operator=(const GraphicsContext&) = delete;

  // The context being drawn into on this thread, or nullptr outside drawing.
  static GraphicsContext* current();

  void fillRect(const Rect& r, const Color& c);
  void fillPath(const BezierPath& p, const Color& c);
  // Uses the path's line width.
  void strokePath(const BezierPath& p, const Color& c);
  void drawImage(const ImageRef& image, const Rect& r,
                 CompositingOperation op = CompositingOperation::SourceOver, double fraction = 1);
  void drawText(const std::string& text, const Rect& r, const Font& font, const Color& c,
                UnderlineStyle underline = UnderlineStyle::None,
                UnderlineStyle strikethrough = UnderlineStyle::None);
  void fillGradient(const Gradient& g, const Rect& r, double angle = 0);
  void pushClip(const BezierPath& p);
  void popClip();
  // Records a prepared step with the current view, layer, transform and opacity.
  void record(DrawCommand c);

  // State, saved and restored in pairs by the view and layer walks.
  struct State {
    Transform toWindow;
    double alpha = 1;
    const View* view = nullptr;
    const Layer* layer = nullptr;
  };
  const State& state() const { return state_; }
  void save();
  void restore();
  // Moves the origin: `t` maps the new coordinates into the current ones.
  void concat(const Transform& t) { state_.toWindow = state_.toWindow.after(t); }
  void multiplyAlpha(double a) { state_.alpha *= a; }
  void setView(const View* v) { state_.view = v; }
  void setLayer(const Layer* l) { state_.layer = l; }

 private:
  DisplayList& list_;
  State state_;
  std::vector<State> stack_;
  GraphicsContext* previous_ = nullptr;
};

}  // namespace vl::ui
