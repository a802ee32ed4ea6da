#include "Windows/Main/detail/FindView.h"

#include "platform/ui/graphics/BezierPath.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/view/Transaction.h"
#include "platform/ui/view/ViewAnimator.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

const ui::Color kOutline = ui::Color::rgba(230 / 255.0, 230 / 255.0, 230 / 255.0, 1);
const ui::Color kPaper = ui::Color::rgba(0xf5 / 255.0, 0xf5 / 255.0, 0xf7 / 255.0, 1);

}  // namespace

std::shared_ptr<FindView> FindView::create(const ui::Rect& frame) {
  auto view = std::make_shared<FindView>(frame);
  auto field = ui::TextField::create({5, 5, 170, 30});
  field->setPlaceholderString("find words.");
  // The regular weight: a light one is drawn from the desktop's thinnest face where it has no light one
  // (DejaVu's ExtraLight), whose strokes come out a pale grey on screen whatever the text's colour.
  field->setFont(ui::Font::systemFont(16));
  field->setBordered(false);
  field->setBezeled(false);
  field->setDrawsBackground(false);
  field->setScrollable(true);
  setTextColorAssetKey(*field, "fontNormalColor");
  field->setDelegate(view);
  view->addSubview(field);
  view->textField_ = field;
  view->themeManager();
  return view;
}

void FindView::unfold() {
  textField_->setStringValue("");
  const ui::Rect from = frame();
  setFrame({from.minX(), from.minY(), bounds().width(), 0});
  auto self = std::static_pointer_cast<FindView>(this->self());
  ui::AnimationContext::runAnimationGroup([&](ui::AnimationContext& ctx) {
    ctx.setDuration(kAnimationSeconds);
    ctx.setTimingFunction(ui::TimingFunction::named(ui::TimingFunction::Name::EaseOut));
    self->animator().setFrame(
        {from.minX(), from.minY() - kUnfoldedHeight, bounds().width(), kUnfoldedHeight});
  });
}

void FindView::controlTextDidChange(ui::TextField&) {
  if (pendingFind_) pendingFind_->cancel();
  std::weak_ptr<FindView> weak = std::static_pointer_cast<FindView>(self());
  pendingFind_ = dispatch::after(kFindDelayMs, dispatch::Queue::main(), [weak] {
    if (auto view = weak.lock()) view->doFind();
  });
}

bool FindView::controlTextViewDoCommandBySelector(ui::TextField&, ui::TextView&, const std::string& command) {
  const bool next = command == "insertNewline:" || command == "moveDown:";
  if (!next && command != "moveUp:") return false;
  // A search still waiting for the typing to pause runs first, so Return moves through fresh matches.
  if (pendingFind_ && !pendingFind_->isCancelled()) {
    pendingFind_->cancel();
    pendingFind_.reset();
    doFind();
    if (next) return true;
  }
  if (auto delegate = delegage()) delegate->findNext(next);
  return true;
}

void FindView::findNow() {
  if (pendingFind_) pendingFind_->cancel();
  pendingFind_.reset();
  if (!textField_->stringValue().empty()) doFind();
}

void FindView::doFind() {
  if (auto delegate = delegage()) delegate->shouldFindText(textField_->stringValue());
}

void FindView::drawRect(const ui::Rect& dirtyRect) {
  ui::GraphicsContext* ctx = ui::GraphicsContext::current();
  // Folded it has no height, and its outline would draw a stray line along the detail's top edge.
  if (!ctx || bounds().height() < 1) return;
  ctx->fillRect(dirtyRect, themeManager().colorForKey("recordAreaBackgroundColor").value_or(kPaper));
  ui::BezierPath outline = ui::BezierPath::rect(bounds().insetBy(0.5, 0.5));
  outline.setLineWidth(1);
  ctx->strokePath(outline, kOutline);
}

}  // namespace vl
