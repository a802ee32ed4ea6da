#include "platform/ui/controls/Button.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/view/SystemColors.h"

namespace vl::ui {

namespace {

constexpr double kSpacing = 4;
constexpr double kBoxSize = 14;      // the square of a check box or the circle of a radio button
constexpr double kPushPadding = 12;  // title inset from a bordered push button's sides

}  // namespace

Button::Button(const Rect& frame) : Control(frame) { setAlignment(TextAlignment::Center); }

std::shared_ptr<Button> Button::buttonWithTitle(const std::string& title,
                                                const std::shared_ptr<ActionTarget>& target,
                                                const std::string& action) {
  auto b = create();
  b->setTitle(title);
  b->setTarget(target);
  b->setAction(action);
  b->sizeToFit();
  return b;
}

std::shared_ptr<Button> Button::checkboxWithTitle(const std::string& title,
                                                  const std::shared_ptr<ActionTarget>& target,
                                                  const std::string& action) {
  auto b = buttonWithTitle(title, target, action);
  b->setButtonType(ButtonType::Switch);
  b->sizeToFit();
  return b;
}

std::shared_ptr<Button> Button::radioButtonWithTitle(const std::string& title,
                                                     const std::shared_ptr<ActionTarget>& target,
                                                     const std::string& action) {
  auto b = buttonWithTitle(title, target, action);
  b->setButtonType(ButtonType::Radio);
  b->sizeToFit();
  return b;
}

void Button::setButtonType(ButtonType type) {
  type_ = type;
  if (isCheckOrRadio()) {
    bordered_ = false;
    setAlignment(TextAlignment::Left);
  }
  setNeedsDisplay(true);
}

void Button::setTitle(const std::string& title) {
  title_ = title;
  attributedTitle_.reset();
  setNeedsDisplay(true);
}

AttributedString Button::attributedTitle() const {
  return attributedTitle_ ? *attributedTitle_ : AttributedString(title_);
}

void Button::setAttributedTitle(const AttributedString& title) {
  title_ = title.string();
  attributedTitle_ = title;
  setNeedsDisplay(true);
}

void Button::setImage(ImageRef image) {
  image_ = std::move(image);
  if (image_ && imagePosition_ == ImagePosition::NoImage) {
    imagePosition_ = title_.empty() ? ImagePosition::ImageOnly : ImagePosition::ImageLeft;
  }
  setNeedsDisplay(true);
}

void Button::setAlternateImage(ImageRef image) {
  alternateImage_ = std::move(image);
  setNeedsDisplay(true);
}

bool Button::showsAlternate() const {
  switch (type_) {
    case ButtonType::MomentaryChange:
      return isHighlighted();
    case ButtonType::Toggle:
    case ButtonType::Switch:
    case ButtonType::Radio:
      return state() != ControlStateValue::Off;
    default:
      return false;
  }
}

ImageRef Button::displayedImage() const {
  return showsAlternate() && alternateImage_ ? alternateImage_ : image_;
}

std::string Button::displayedTitle() const {
  return showsAlternate() && !alternateTitle_.empty() ? alternateTitle_ : title_;
}

void Button::setImagePosition(ImagePosition p) {
  imagePosition_ = p;
  setNeedsDisplay(true);
}

void Button::setImageHugsTitle(bool v) {
  imageHugsTitle_ = v;
  setNeedsDisplay(true);
}

void Button::setContentTintColor(std::optional<Color> c) {
  contentTintColor_ = std::move(c);
  setNeedsDisplay(true);
}

void Button::setBordered(bool v) {
  bordered_ = v;
  setNeedsDisplay(true);
}

void Button::setBezelStyle(BezelStyle s) {
  bezelStyle_ = s;
  setNeedsDisplay(true);
}

int Button::nextState() const {
  switch (type_) {
    case ButtonType::Switch:
    case ButtonType::Toggle:
    case ButtonType::PushOnPushOff:
    case ButtonType::OnOff:
      if (allowsMixedState_) {
        // On, off, mixed, on again.
        if (state() == ControlStateValue::On) return ControlStateValue::Off;
        if (state() == ControlStateValue::Off) return ControlStateValue::Mixed;
        return ControlStateValue::On;
      }
      return state() == ControlStateValue::On ? ControlStateValue::Off : ControlStateValue::On;
    case ButtonType::Radio:
      return ControlStateValue::On;
    default:
      return state();
  }
}

void Button::turnOffRadioSiblings() {
  View* parent = superview();
  if (!parent || action().empty()) return;
  for (auto& sub : std::vector<std::shared_ptr<View>>(parent->subviews())) {
    auto* other = dynamic_cast<Button*>(sub.get());
    if (other && other != this && other->type_ == ButtonType::Radio && other->action() == action()) {
      other->setState(ControlStateValue::Off);
    }
  }
}

void Button::performClick() {
  if (!isEnabled()) return;
  std::shared_ptr<View> keep = self();
  setState(nextState());
  if (type_ == ButtonType::Radio) turnOffRadioSiblings();
  sendAction();
}

bool Button::performKeyEquivalent(const Event& event) {
  if (!keyEquivalent_.empty() && isEnabled() && !isHiddenOrHasHiddenAncestor() &&
      event.type() == EventType::KeyDown) {
    constexpr std::uint64_t relevant =
        ModifierFlags::Command | ModifierFlags::Shift | ModifierFlags::Option | ModifierFlags::Control;
    std::string typed = event.charactersIgnoringModifiers();
    if ((event.modifierFlags() & relevant) == (keyModifiers_ & relevant) && typed == keyEquivalent_) {
      performClick();
      return true;
    }
  }
  return View::performKeyEquivalent(event);
}

// --- layout ---------------------------------------------------------------------------------------------

Size Button::titleSize() const {
  std::string shown = displayedTitle();
  if (shown.empty()) return {};
  if (attributedTitle_ && shown == title_) return TextLayout(*attributedTitle_, font(), 0).usedSize();
  return TextMetrics::sizeOfString(shown, font());
}

Size Button::imageSize() const {
  ImageRef img = displayedImage();
  if (!img || !img->isValid() || imagePosition_ == ImagePosition::NoImage) return {};
  Size s = img->size();
  double h = bounds().size.height;
  // Images taller than the button shrink with their proportions kept.
  if (h > 0 && s.height > h) s = {s.width * h / s.height, h};
  return s;
}

Rect Button::imageRect() const {
  Size is = imageSize();
  if (is.width <= 0) return {};
  Size ts = imagePosition_ == ImagePosition::ImageOnly ? Size{} : titleSize();
  double W = bounds().size.width, H = bounds().size.height;
  double gap = ts.width > 0 ? kSpacing : 0;
  double cx = (W - is.width) / 2, cy = (H - is.height) / 2;
  switch (imagePosition_) {
    case ImagePosition::ImageLeft:
    case ImagePosition::ImageLeading:
      return {imageHugsTitle_ || !isBordered() ? (W - is.width - gap - ts.width) / 2 : kSpacing, cy, is.width,
              is.height};
    case ImagePosition::ImageRight:
    case ImagePosition::ImageTrailing: {
      double x =
          imageHugsTitle_ || !isBordered() ? (W + ts.width + gap - is.width) / 2 : W - is.width - kSpacing;
      return {x, cy, is.width, is.height};
    }
    case ImagePosition::ImageAbove: {
      double y0 = (H - is.height - gap - ts.height) / 2;
      return {cx, y0 + ts.height + gap, is.width, is.height};
    }
    case ImagePosition::ImageBelow:
      return {cx, (H - is.height - gap - ts.height) / 2, is.width, is.height};
    default:
      return {cx, cy, is.width, is.height};
  }
}

Rect Button::titleRect() const {
  if (imagePosition_ == ImagePosition::ImageOnly) return {};
  Size ts = titleSize();
  if (ts.width <= 0) return {};
  double W = bounds().size.width, H = bounds().size.height;
  if (isCheckOrRadio()) return {kBoxSize + kSpacing, (H - ts.height) / 2, ts.width, ts.height};
  Rect img = imageRect();
  double gap = img.isEmpty() ? 0 : kSpacing;
  double cy = (H - ts.height) / 2;
  switch (img.isEmpty() ? ImagePosition::NoImage : imagePosition_) {
    case ImagePosition::ImageLeft:
    case ImagePosition::ImageLeading:
      if (imageHugsTitle_ || !isBordered()) return {img.maxX() + gap, cy, ts.width, ts.height};
      return {(W - ts.width) / 2 + (img.width() + gap) / 2, cy, ts.width, ts.height};
    case ImagePosition::ImageRight:
    case ImagePosition::ImageTrailing:
      if (imageHugsTitle_ || !isBordered()) return {img.minX() - gap - ts.width, cy, ts.width, ts.height};
      return {(W - ts.width) / 2 - (img.width() + gap) / 2, cy, ts.width, ts.height};
    case ImagePosition::ImageAbove:
      return {(W - ts.width) / 2, img.minY() - gap - ts.height, ts.width, ts.height};
    case ImagePosition::ImageBelow:
      return {(W - ts.width) / 2, img.maxY() + gap, ts.width, ts.height};
    default:
      break;
  }
  double pad = isBordered() ? kPushPadding : 0;
  switch (alignment()) {
    case TextAlignment::Left:
      return {pad, cy, ts.width, ts.height};
    case TextAlignment::Right:
      return {W - pad - ts.width, cy, ts.width, ts.height};
    default:
      return {(W - ts.width) / 2, cy, ts.width, ts.height};
  }
}

Size Button::intrinsicContentSize() const {
  Size ts = imagePosition_ == ImagePosition::ImageOnly ? Size{} : titleSize();
  Size is;
  if (ImageRef img = displayedImage(); img && imagePosition_ != ImagePosition::NoImage) is = img->size();
  double gap = ts.width > 0 && is.width > 0 ? kSpacing : 0;
  double w, h;
  if (imagePosition_ == ImagePosition::ImageAbove || imagePosition_ == ImagePosition::ImageBelow) {
    w = std::max(ts.width, is.width);
    h = ts.height + gap + is.height;
  } else if (imagePosition_ == ImagePosition::ImageOverlaps || imagePosition_ == ImagePosition::ImageOnly) {
    w = std::max(ts.width, is.width);
    h = std::max(ts.height, is.height);
  } else {
    w = ts.width + gap + is.width;
    h = std::max(ts.height, is.height);
  }
  if (isCheckOrRadio()) {
    w += kBoxSize + kSpacing;
    h = std::max(h, kBoxSize);
  } else if (isBordered()) {
    w += 2 * kPushPadding;
    h = std::max(h + 8, 21.0);
  }
  return {std::ceil(w), std::ceil(h)};
}

// --- mouse ----------------------------------------------------------------------------------------------

void Button::mouseDown(const Event&) {
  if (!isEnabled()) return;
  tracking_ = true;
  setHighlighted(true);
}

void Button::mouseDragged(const Event& event) {
  if (!tracking_) return;
  setHighlighted(bounds().contains(event.locationInView(*this)));
}

void Button::mouseUp(const Event& event) {
  if (!tracking_) return;
  tracking_ = false;
  bool inside = bounds().contains(event.locationInView(*this));
  setHighlighted(false);
  if (inside) performClick();
}

// --- drawing --------------------------------------------------------------------------------------------

void Button::drawRect(const Rect&) {
  GraphicsContext* ctx = GraphicsContext::current();
  if (!ctx) return;
  const Rect b = bounds();
  if (isBordered() && !isCheckOrRadio()) {
    BezierPath bezel = BezierPath::roundedRect(b.insetBy(0.5, 0.5), 4, 4);
    ctx->fillPath(bezel, isHighlighted() ? SystemColors::controlHighlightBackground()
                                         : SystemColors::controlBackground());
    bezel.setLineWidth(1);
    ctx->strokePath(bezel, SystemColors::controlBorder());
  }
  if (isCheckOrRadio()) drawBox(*ctx, {0, std::round((b.height() - kBoxSize) / 2), kBoxSize, kBoxSize});
  if (ImageRef img = displayedImage(); img && !imageRect().isEmpty()) {
    ctx->drawImage(img, imageRect(), CompositingOperation::SourceOver, isEnabled() ? 1 : 0.5);
  }
  Rect tr = titleRect();
  if (!tr.isEmpty()) {
    Color c = isEnabled() ? SystemColors::controlText() : SystemColors::disabledText();
    if (attributedTitle_ && displayedTitle() == title_ && !attributedTitle_->runs().empty()) {
      c = attributedTitle_->runs().front().attributes.foregroundColor.value_or(c);
    }
    ctx->drawText(TextMetrics::truncateTail(displayedTitle(), font(), std::max(0.0, b.width() - tr.minX())),
                  tr, font(), c);
  }
}

void Button::drawBox(GraphicsContext& ctx, const Rect& box) const {
  const bool radio = type_ == ButtonType::Radio;
  const bool on = state() != ControlStateValue::Off;
  BezierPath face = radio ? BezierPath::oval(box) : BezierPath::roundedRect(box, 3, 3);
  if (!on) {
    ctx.fillPath(face, SystemColors::controlBackground());
    BezierPath edge = radio ? BezierPath::oval(box.insetBy(0.5, 0.5))
                            : BezierPath::roundedRect(box.insetBy(0.5, 0.5), 2.5, 2.5);
    edge.setLineWidth(1);
    ctx.strokePath(edge, SystemColors::controlBorder());
    return;
  }
  Color fill = contentTintColor_.value_or(SystemColors::controlAccent());
  if (!isEnabled()) fill.alpha *= 0.5;
  ctx.fillPath(face, fill);
  const Color mark = SystemColors::controlMark();
  const double x = box.minX(), y = box.minY(), s = box.width();
  if (radio) {
    ctx.fillPath(BezierPath::oval({x + s * 0.32, y + s * 0.32, s * 0.36, s * 0.36}), mark);
    return;
  }
  BezierPath stroke;
  if (state() == ControlStateValue::Mixed) {
    stroke.moveTo({x + s * 0.25, y + s * 0.5});
    stroke.lineTo({x + s * 0.75, y + s * 0.5});
  } else {
    // A tick: down from the left to the foot, then up to the top right (y grows upwards here).
    stroke.moveTo({x + s * 0.22, y + s * 0.52});
    stroke.lineTo({x + s * 0.42, y + s * 0.30});
    stroke.lineTo({x + s * 0.78, y + s * 0.72});
  }
  stroke.setLineWidth(std::max(1.5, s * 0.14));
  ctx.strokePath(stroke, mark);
}

}  // namespace vl::ui
