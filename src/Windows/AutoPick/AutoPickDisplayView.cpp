#include "Windows/AutoPick/AutoPickDisplayView.h"

#include <algorithm>

#include "autopick/AutoPickNode.h"
#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/view/SystemColors.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

constexpr double kDescriptionWidth = 220;

}  // namespace

AutoPickDisplayView::AutoPickDisplayView(const ui::Rect& frame) : ui::View(frame) {
  tagView_ = RoundTextView::create({0, 0, 100, 18});
  tagView_->setFont(ui::Font::systemFont(13));
  tagView_->setTextColor(ui::Color::whiteColor());
  tagView_->setCornerRadius(6);
  addSubview(tagView_);

  descTextView_ = PassthroughAndArrowCursorTextView::create({0, 0, kDescriptionWidth, 16});
  descTextView_->setFont(ui::Font::systemFont(11));
  descTextView_->setMaximumNumberOfLines(1);
  descTextView_->setLineBreakMode(ui::LineBreakMode::TruncatingTail);
  descTextView_->setSelectable(false);
  descTextView_->setEditable(false);
  descTextView_->setDrawsBackground(false);
  descTextView_->setTextContainerInset({0, 0});
  setTextColorAssetKey(*descTextView_, std::string("fontSubtitleColor"));
  addSubview(descTextView_);
}

void AutoPickDisplayView::setNode(std::shared_ptr<AutoPickNode> node) {
  node_ = std::move(node);
  if (node_) {
    const auto& c = node_->color();
    const ui::Color fill =
        ui::Color::rgb24((std::uint32_t(c.red) << 16) | (std::uint32_t(c.green) << 8) | c.blue);
    tagView_->setRoundBackgroundColor(fill);
    // White on a light rule colour (yellow, green) would not read.
    tagView_->setTextColor(ui::SystemColors::textOn(fill));
    tagView_->setText(node_->name());
  }
  placeChip();
}

void AutoPickDisplayView::setFrame(const ui::Rect& frame) {
  ui::View::setFrame(frame);
  placeChip();
}

void AutoPickDisplayView::placeChip() {
  tagView_->setFrameOrigin({0, frame().height() - 23});
  // The description keeps to the room the row leaves it and says it was cut.
  const double width = std::min(kDescriptionWidth, frame().width());
  const ui::Rect desc = descTextView_->frame();
  descTextView_->setFrame({desc.origin.x, desc.origin.y, width, desc.height()});
  descTextView_->setString(
      node_ ? ui::TextMetrics::truncateTail(node_->desc(), descTextView_->font(),
                                            width - 2 * descTextView_->lineFragmentPadding())
            : std::string());
}

void AutoPickDisplayView::mouseDown(const ui::Event& event) {
  if (ui::View* up = superview()) up->mouseDown(event);
}

}  // namespace vl
