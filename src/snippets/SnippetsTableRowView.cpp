#include "snippets/SnippetsTableRowView.h"

#include "platform/foundation/Text.h"
#include "platform/ui/graphics/DisplayList.h"

namespace vl {

namespace {

// An alias is one line; a pasted novel in it must not be laid out in full for a 40-point row.
constexpr std::size_t kLabelUnits = 256;
constexpr double kLabelHeight = 18;

}  // namespace

SnippetsTableRowView::SnippetsTableRowView(const ui::Rect& frame) : VLThemed<ui::TableRowView>(frame) {}

std::shared_ptr<SnippetsTableRowView> SnippetsTableRowView::create() {
  auto row = std::make_shared<SnippetsTableRowView>(ui::Rect{0, 0, 250, kHeight});
  row->setIdentifier(kReuseIdentifier);
  row->aliasTextView();
  return row;
}

const std::shared_ptr<SnippetsTextView>& SnippetsTableRowView::aliasTextView() {
  if (!aliasTextView_) {
    aliasTextView_ = SnippetsTextView::create();
    aliasTextView_->setAlignment(ui::TextAlignment::Left);
    aliasTextView_->setFont(ui::Font::systemFont(13));
    aliasTextView_->setEditable(false);
    aliasTextView_->setMaximumNumberOfLines(1);
    setBackgroundColorAssetKey(*aliasTextView_, "clear");
    setTextColorAssetKey(*aliasTextView_, "fontNormalColor");
    addSubview(aliasTextView_);
    layoutLabel();
  }
  return aliasTextView_;
}

void SnippetsTableRowView::setChunk(std::shared_ptr<Vellisto_Chunk> chunk) {
  chunk_ = std::move(chunk);
  const std::string alias = chunk_ ? chunk_->alias().value_or("") : "";
  aliasTextView()->setString(cutToUtf16Length(alias, kLabelUnits));
}

void SnippetsTableRowView::setSelected(bool selected) {
  ui::TableRowView::setSelected(selected);
  setTextColorAssetKey(*aliasTextView(), selected ? "white" : "fontNormalColor");
}

void SnippetsTableRowView::viewDidMoveToSuperview() { layoutLabel(); }

void SnippetsTableRowView::setFrameSize(ui::Size size) {
  ui::TableRowView::setFrameSize(size);
  layoutLabel();
}

void SnippetsTableRowView::layoutLabel() {
  if (!aliasTextView_) return;
  const ui::Size size = frame().size;
  // The row is flipped, so the centred label sits at the same y either way up.
  aliasTextView_->setFrame({10, (size.height - kLabelHeight) * 0.5, size.width - 10, kLabelHeight});
}

void SnippetsTableRowView::drawSelectionInRect(const ui::Rect&) {
  ui::GraphicsContext* ctx = ui::GraphicsContext::current();
  if (!ctx) return;
  if (auto accent = themeManager().colorForKey("accentColor")) {
    ctx->fillRect({0, 0, frame().width(), frame().height()}, *accent);
  }
}

}  // namespace vl
