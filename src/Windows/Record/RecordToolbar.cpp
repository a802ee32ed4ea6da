#include "Windows/Record/RecordToolbar.h"

#include "Windows/Main/WindowCenter.h"
#include "Windows/Record/RecordTable.h"
#include "Windows/Record/RecordViewController.h"
#include "platform/ui/graphics/BezierPath.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/window/Window.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

// The program ships no icon files: the round buttons carry a glyph.
std::shared_ptr<Button2> roundButton(const ui::Rect& frame, const std::string& glyph) {
  auto button = Button2::create(frame);
  button->setRadius(9);
  button->setFont(ui::Font::boldSystemFont(11));
  button->setAlignment(ui::TextAlignment::Center);
  button->setTitle(glyph);
  return button;
}

// The close button's cross, drawn as two strokes about the button's middle. A "✕" glyph sits where its
// font puts it in the line, above the middle and apart from the circle's centre by the font's bearings;
// strokes are centred whatever font the desktop has.
class CloseMark : public VLThemed<ui::View> {
 public:
  static constexpr double kArm = 3.5;  // half the cross's width

  explicit CloseMark(const ui::Rect& frame, std::string colorKey)
      : VLThemed<ui::View>(frame), colorKey_(std::move(colorKey)) {
    themeManager().nothing();  // follows light, dark and theme changes from the first drawing on
  }

  void drawRect(const ui::Rect&) override {
    ui::GraphicsContext* ctx = ui::GraphicsContext::current();
    if (!ctx) return;
    const std::optional<ui::Color> ink = themeManager().colorForKey(colorKey_);
    if (!ink) return;
    const ui::Rect b = bounds();
    const double x = b.midX(), y = b.midY();
    ui::BezierPath cross;
    cross.moveTo({x - kArm, y - kArm});
    cross.lineTo({x + kArm, y + kArm});
    cross.moveTo({x - kArm, y + kArm});
    cross.lineTo({x + kArm, y - kArm});
    cross.setLineWidth(1.6);
    ctx->strokePath(cross, *ink);
  }
  void lightOrDarkChanged() override { setNeedsDisplay(true); }
  // Clicks belong to the button under it.
  ui::View* hitTest(ui::Point) override { return nullptr; }

 private:
  std::string colorKey_;
};

}  // namespace

std::shared_ptr<RecordToolbar> RecordToolbar::initWithFrame(const ui::Rect& frame) {
  auto bar = std::make_shared<RecordToolbar>(frame);
  const double w = frame.width(), h = frame.height();
  bar->closeButton_ = roundButton({10, 8, 18, 18}, "");
  bar->closeButton_->setButtonBackgroundColorAssetKey("accentColor");
  bar->closeButton_->setTextColorAssetKey("recordWindowBackgroundColor");
  bar->closeButton_->addSubview(
      std::make_shared<CloseMark>(bar->closeButton_->bounds(), "recordWindowBackgroundColor"));
  bar->titleLabel_ = NormalLabel::create({(w - 120) * 0.5, 0, 120, h});
  bar->titleLabel_->setFont(ui::Font::boldSystemFont(13));
  bar->titleLabel_->setTitle(kTitle);
  bar->sortButton_ = roundButton({w - 18 - 10, 8, 18, 18}, "↓");
  bar->sortButton_->setAlwaysAccentColor(true);
  bar->sortButton_->setButtonBackgroundColorAssetKey("clear");
  bar->sortButton_->setTextColorAssetKey("accentTextColor");
  std::weak_ptr<RecordToolbar> weak = bar;
  bar->setActionHandler("close:", [weak](ui::ActionTarget*) {
    if (auto self = weak.lock()) self->close();
  });
  bar->setActionHandler("sort:", [weak](ui::ActionTarget*) {
    if (auto self = weak.lock()) self->sort();
  });
  bar->closeButton_->setTarget(bar);
  bar->closeButton_->setAction("close:");
  bar->sortButton_->setTarget(bar);
  bar->sortButton_->setAction("sort:");
  bar->addSubview(bar->closeButton_);
  bar->addSubview(bar->titleLabel_);
  bar->addSubview(bar->sortButton_);
  return bar;
}

void RecordToolbar::close() {
  if (auto window = WindowCenter::shared().windowForKey(kRecordWindowKey)) window->close();
}

void RecordToolbar::sort() {
  sortButton_->setSelected(!sortButton_->isSelected());
  sortButton_->setTitle(sortButton_->isSelected() ? "↑" : "↓");
  if (auto table = RecordViewController::recordTable()) table->reverse();
}

}  // namespace vl
