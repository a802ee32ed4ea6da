#include "platform/ui/graphics/DisplayList.h"

#include <cstdio>

#include "platform/foundation/Log.h"

namespace vl::ui {

namespace {

thread_local GraphicsContext* tCurrent = nullptr;

const char* kindName(DrawCommand::Kind k) {
  switch (k) {
    case DrawCommand::Kind::FillRect:
      return "fillRect";
    case DrawCommand::Kind::FillPath:
      return "fillPath";
    case DrawCommand::Kind::StrokePath:
      return "strokePath";
    case DrawCommand::Kind::DrawImage:
      return "drawImage";
    case DrawCommand::Kind::DrawText:
      return "drawText";
    case DrawCommand::Kind::FillGradient:
      return "fillGradient";
    case DrawCommand::Kind::Shadow:
      return "shadow";
    case DrawCommand::Kind::PushClip:
      return "pushClip";
    case DrawCommand::Kind::PopClip:
      return "popClip";
  }
  return "?";
}

bool usesPath(DrawCommand::Kind k) {
  return k == DrawCommand::Kind::FillPath || k == DrawCommand::Kind::StrokePath ||
         k == DrawCommand::Kind::Shadow || k == DrawCommand::Kind::PushClip;
}

}  // namespace

Rect DrawCommand::windowBounds() const {
  return toWindow.apply(usesPath(kind) ? path.controlPointBounds() : rect);
}

std::string DrawCommand::description() const {
  std::string s = kindName(kind);
  if (usesPath(kind)) {
    s += " " + path.description();
  } else if (kind != Kind::PopClip) {
    s += " " + stringFromRect(rect);
  }
  if (kind == Kind::FillRect || kind == Kind::FillPath || kind == Kind::StrokePath ||
      kind == Kind::DrawText || kind == Kind::Shadow) {
    s += " " + color.description();
  }
  if (kind == Kind::StrokePath) s += " width " + std::to_string(lineWidth);
  if (kind == Kind::DrawText) s += " \"" + text + "\"";
  if (kind == Kind::DrawText && underline != UnderlineStyle::None) s += " underline";
  if (kind == Kind::DrawText && strikethrough != UnderlineStyle::None) s += " strikethrough";
  if (alpha != 1) s += " alpha " + std::to_string(alpha);
  return s;
}

std::vector<DrawCommand> DisplayList::filter(const std::function<bool(const DrawCommand&)>& pred) const {
  std::vector<DrawCommand> out;
  for (const DrawCommand& c : commands_) {
    if (pred(c)) out.push_back(c);
  }
  return out;
}

std::vector<DrawCommand> DisplayList::ofKind(DrawCommand::Kind kind) const {
  return filter([kind](const DrawCommand& c) { return c.kind == kind; });
}

std::vector<DrawCommand> DisplayList::forView(const View* view) const {
  return filter([view](const DrawCommand& c) { return c.view == view; });
}

std::string DisplayList::description() const {
  std::string s;
  for (const DrawCommand& c : commands_) s += c.description() + "\n";
  return s;
}

GraphicsContext::GraphicsContext(DisplayList& list) : list_(list), previous_(tCurrent) { tCurrent = this; }

GraphicsContext::~GraphicsContext() { tCurrent = previous_; }

GraphicsContext* GraphicsContext::current() { return tCurrent; }

void GraphicsContext::record(DrawCommand c) {
  c.view = state_.view;
  c.layer = state_.layer;
  c.toWindow = state_.toWindow;
  c.alpha *= state_.alpha;
  list_.add(std::move(c));
}

void GraphicsContext::fillRect(const Rect& r, const Color& c) {
  DrawCommand d;
  d.kind = DrawCommand::Kind::FillRect;
  d.rect = r;
  d.color = c;
  record(std::move(d));
}

void GraphicsContext::fillPath(const BezierPath& p, const Color& c) {
  DrawCommand d;
  d.kind = DrawCommand::Kind::FillPath;
  d.path = p;
  d.rect = p.controlPointBounds();
  d.color = c;
  record(std::move(d));
}

void GraphicsContext::strokePath(const BezierPath& p, const Color& c) {
  DrawCommand d;
  d.kind = DrawCommand::Kind::StrokePath;
  d.path = p;
  d.rect = p.controlPointBounds();
  d.color = c;
  d.lineWidth = p.lineWidth();
  record(std::move(d));
}

void GraphicsContext::drawImage(const ImageRef& image, const Rect& r, CompositingOperation op,
                                double fraction) {
  if (!image) {
    logWarning("drawImage without an image, nothing drawn");
    return;
  }
  DrawCommand d;
  d.kind = DrawCommand::Kind::DrawImage;
  d.image = image;
  d.rect = r;
  d.operation = op;
  d.fraction = fraction;
  record(std::move(d));
}

void GraphicsContext::drawText(const std::string& text, const Rect& r, const Font& font, const Color& c,
                               UnderlineStyle underline, UnderlineStyle strikethrough) {
  DrawCommand d;
  d.kind = DrawCommand::Kind::DrawText;
  d.text = text;
  d.rect = r;
  d.font = font;
  d.color = c;
  d.underline = underline;
  d.strikethrough = strikethrough;
  record(std::move(d));
}

void GraphicsContext::fillGradient(const Gradient& g, const Rect& r, double angle) {
  DrawCommand d;
  d.kind = DrawCommand::Kind::FillGradient;
  d.gradient = g;
  d.rect = r;
  d.angle = angle;
  record(std::move(d));
}

void GraphicsContext::pushClip(const BezierPath& p) {
  DrawCommand d;
  d.kind = DrawCommand::Kind::PushClip;
  d.path = p;
  d.rect = p.controlPointBounds();
  record(std::move(d));
}

void GraphicsContext::popClip() {
  DrawCommand d;
  d.kind = DrawCommand::Kind::PopClip;
  record(std::move(d));
}

void GraphicsContext::save() { stack_.push_back(state_); }

void GraphicsContext::restore() {
  if (stack_.empty()) {
    logWarning("graphics context restore without save, ignored");
    return;
  }
  state_ = stack_.back();
  stack_.pop_back();
}

}  // namespace vl::ui
