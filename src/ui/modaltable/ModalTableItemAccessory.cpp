#include "ui/modaltable/ModalTableItemAccessory.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/window/Application.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

constexpr const char* kAccentKey = "accentColor";
// A mark on the row's surface: the accent of text, which stands out on every surface.
constexpr const char* kAccentMarkKey = "accentTextColor";

// Sends the action from `sender` when there is a target that takes it.
bool sendFrom(ui::ActionTarget* sender, const std::shared_ptr<ui::ActionTarget>& target,
              const std::string& action) {
  if (!target || action.empty() || !target->respondsToAction(action)) return false;
  return ui::Application::shared().sendAction(action, target, sender);
}

double distanceToSegment(double x, double y, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay;
  const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  const double ex = x - (ax + t * dx), ey = y - (ay + t * dy);
  return std::sqrt(ex * ex + ey * ey);
}

// A check mark the accessory's tint fills: two strokes with round ends, 15 points square drawn at two
// pixels a point and four samples a pixel each way, so it stays smooth on either screen.
ui::ImageRef checkMarkImage() {
  static const ui::ImageRef image = [] {
    constexpr int kPixels = 30, kSamples = 4;
    constexpr double kHalfStroke = 1.9;  // in pixels
    std::vector<std::uint8_t> rgba(std::size_t(kPixels) * kPixels * 4, 0);
    for (int py = 0; py < kPixels; ++py) {
      for (int px = 0; px < kPixels; ++px) {
        int hits = 0;
        for (int sy = 0; sy < kSamples; ++sy) {
          for (int sx = 0; sx < kSamples; ++sx) {
            const double x = px + (sx + 0.5) / kSamples, y = py + (sy + 0.5) / kSamples;
            const bool in = distanceToSegment(x, y, 5, 15.5, 12, 22.5) <= kHalfStroke ||
                            distanceToSegment(x, y, 12, 22.5, 25, 7.5) <= kHalfStroke;
            hits += in ? 1 : 0;
          }
        }
        std::uint8_t* p = &rgba[(std::size_t(py) * kPixels + px) * 4];
        p[0] = p[1] = p[2] = 0;
        p[3] = std::uint8_t(hits * 255 / (kSamples * kSamples));
      }
    }
    return std::make_shared<const ui::Image>(ui::Size{15, 15}, kPixels, kPixels, std::move(rgba),
                                             "modal-table-item-check");
  }();
  return image;
}

// The mark carries the accent colour in its own pixels rather than as a content tint, so whatever paints
// it draws the mark's shape and never a tinted square.
class CheckMarkView : public VLThemed<ui::ImageView> {
 public:
  using VLThemed::VLThemed;
  void lightOrDarkChanged() override {
    const ui::ImageRef mark = checkMarkImage();
    const auto accent = themeManager().colorForKey(kAccentMarkKey);
    setImage(accent ? tintedImage(*mark, *accent) : mark);
  }
};

ui::Rect centredBox(const ui::View& parent) {
  const ui::Rect b = parent.bounds();
  return {(b.width() - 15) / 2, (b.height() - 15) / 2, 15, 15};
}

std::shared_ptr<ui::ImageView> centredImageView(ui::View& parent) {
  auto view = ui::ImageView::create(centredBox(parent));
  parent.addSubview(view);
  return view;
}

}  // namespace

void ModalTableItemAccessory::mouseDown(const ui::Event&) {
  if (!enabled_) return;
  sendFrom(this, target(), action_);
}

std::shared_ptr<ModalTableItemAccessoryArrow> ModalTableItemAccessoryArrow::create(const ui::Rect& frame) {
  return std::make_shared<ModalTableItemAccessoryArrow>(frame);
}

std::shared_ptr<ModalTableItemAccessoryButton> ModalTableItemAccessoryButton::create() {
  auto button = std::make_shared<ModalTableItemAccessoryButton>(ui::Rect{0, 10, 0, 20});
  button->titleView_ = PassthroughTextView::create();
  button->titleView_->setMaximumNumberOfLines(1);
  button->titleView_->setFont(ui::Font::systemFont(16));
  button->titleView_->setAlignment(ui::TextAlignment::Center);
  button->addSubview(button->titleView_);
  return button;
}

void ModalTableItemAccessoryButton::setColorKey(const std::optional<std::string>& key) {
  setTextColorAssetKey(*titleView_, key);
}

std::optional<std::string> ModalTableItemAccessoryButton::shownColorKey() const {
  return textColorAssetKey(*titleView_);
}

void ModalTableItemAccessoryButton::showTitle(const std::string& text, bool keepRightEdge) {
  titleView_->setString(text);
  double width = ui::TextMetrics::widthOfString(text, titleView_->font()) + 10;
  ui::Rect f = frame();
  double x = keepRightEdge ? f.maxX() - width : f.origin.x;
  setFrame({x, f.origin.y, width, f.height()});
  titleView_->setFrame(bounds());
}

void ModalTableItemAccessoryButton::setTitle(const std::string& title) {
  title_ = title;
  titleView_->setString(title);
}

void ModalTableItemAccessoryButton::viewDidMoveToSuperview() {
  ModalTableItemAccessory::viewDidMoveToSuperview();
  if (!superview()) return;
  setColorKey(clicked_ ? clickedKey_ : normalKey_);
  if (!highlightedKey_) highlightedKey_ = normalKey_;
  if (!titleClicked_) titleClicked_ = title_;
  showTitle(clicked_ ? *titleClicked_ : title_, false);
}

void ModalTableItemAccessoryButton::setClicked(bool clicked) {
  clicked_ = clicked;
  setColorKey(clicked ? clickedKey_ : normalKey_);
  showTitle(clicked ? titleClicked_.value_or(title_) : title_, true);
}

void ModalTableItemAccessoryButton::setEnabled(bool enabled) {
  ModalTableItemAccessory::setEnabled(enabled);
  setColorKey(enabled ? normalKey_ : disabledKey_);
}

void ModalTableItemAccessoryButton::mouseDown(const ui::Event& event) {
  if (clicked_) return;
  ModalTableItemAccessory::mouseDown(event);
}

void ModalTableItemAccessoryButton::mouseEntered(const ui::Event&) {
  if (enabled() && !clicked_) setColorKey(highlightedKey_);
}

void ModalTableItemAccessoryButton::mouseExited(const ui::Event&) {
  if (enabled() && !clicked_) setColorKey(normalKey_);
}

std::shared_ptr<ModalTableItemAccessoryCheck> ModalTableItemAccessoryCheck::create() {
  auto check = std::make_shared<ModalTableItemAccessoryCheck>(ui::Rect{0, 10, 20, 20});
  auto mark = std::make_shared<CheckMarkView>(centredBox(*check));
  mark->lightOrDarkChanged();
  check->addSubview(mark);
  check->imageView_ = mark;
  check->imageView_->setHidden(true);
  return check;
}

void ModalTableItemAccessoryCheck::setCheck(bool check) {
  if (check == check_) return;
  check_ = check;
  imageView_->setHidden(!check);
}

std::shared_ptr<ModalTableItemAccessoryColor> ModalTableItemAccessoryColor::create() {
  auto swatch = std::make_shared<ModalTableItemAccessoryColor>(ui::Rect{0, 10, 20, 20});
  swatch->colorView_ = ui::View::create({2.5, 2.5, 15, 15});
  swatch->colorView_->setWantsLayer(true);
  swatch->colorView_->layer()->setCornerRadius(2);
  swatch->addSubview(swatch->colorView_);
  return swatch;
}

void ModalTableItemAccessoryColor::setColor(const ui::Color& color) {
  colorView_->layer()->setBackgroundColor(color);
}

std::shared_ptr<ModalTableItemAccessoryCustomView> ModalTableItemAccessoryCustomView::create() {
  return std::make_shared<ModalTableItemAccessoryCustomView>(ui::Rect{0, 10, 20, 20});
}

void ModalTableItemAccessoryCustomView::setView(const std::shared_ptr<ui::View>& view) {
  if (view == view_) return;
  if (view_) view_->removeFromSuperview();
  view_ = view;
  if (!view) return;
  addSubview(view);
  setFrame({frame().origin, view->bounds().size});
}

std::shared_ptr<ModalTableItemAccessoryIcon> ModalTableItemAccessoryIcon::create() {
  auto icon = std::make_shared<ModalTableItemAccessoryIcon>(ui::Rect{0, 10, 20, 20});
  icon->imageView_ = centredImageView(*icon);
  return icon;
}

void ModalTableItemAccessoryIcon::setImage(ui::ImageRef image) {
  imageView_->setImage(std::move(image));
  setTintColorAssetKey(*imageView_, std::string(kAccentKey));
}

std::shared_ptr<ModalTableItemAccessoryIndicator> ModalTableItemAccessoryIndicator::create() {
  auto spinner = std::make_shared<ModalTableItemAccessoryIndicator>(ui::Rect{0, 0, 20, 20});
  spinner->indicator_ = ui::ProgressIndicator::create(spinner->bounds());
  spinner->indicator_->setStyle(ui::ProgressIndicatorStyle::Spinning);
  spinner->addSubview(spinner->indicator_);
  spinner->setSpinning(false);
  return spinner;
}

void ModalTableItemAccessoryIndicator::setSpinning(bool spinning) {
  indicator_->setHidden(!spinning);
  if (spinning) {
    indicator_->startAnimation();
  } else {
    indicator_->stopAnimation();
  }
}

}  // namespace vl
