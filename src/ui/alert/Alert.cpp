#include "ui/alert/Alert.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/text/TextView.h"
#include "platform/ui/window/Window.h"
#include "theme/VLThemeCategories.h"
#include "ui/HeldAnimation.h"
#include "ui/panels/EscStack.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PanelCenter.h"

namespace vl {

namespace {

constexpr const char* kBackgroundKey = "modalAlertBackgroundColor";
constexpr const char* kAnimPos = "animPos";
constexpr const char* kAnimOpacity = "animOpacity";

}  // namespace

Alert::Alert(const ui::Rect& frame) : ui::View(frame) {}

void Alert::build() {
  titleView_ = PassthroughAndArrowCursorTextView::create();
  // Every line of the title shows: the alert grows to hold them (see fittedFrame).
  titleView_->setMaximumNumberOfLines(0);
  titleView_->setString("");
  titleView_->setFont(ui::Font::systemFont(16));
  titleView_->setAlignment(ui::TextAlignment::Center);
  setTextColorAssetKey(*titleView_, std::string("fontNormalColor"));
  addSubview(titleView_);

  setWantsLayer(true);
  setBackgroundColorAssetKey(static_cast<ui::View&>(*this), std::string(kBackgroundKey));
  setBorderColorAssetKey(*layer(), std::string("lineColor"));
  layer()->setBorderWidth(1);
  layer()->setCornerRadius(10);

  auto me = std::static_pointer_cast<ui::ActionTarget>(shared_from_this());
  okButton_ = DefaultConfirmButton::create();
  okButton_->setTitle(localized("ok"));
  okButton_->setTarget(me);
  okButton_->setAction("okButtonClick:");
  addSubview(okButton_);
  cancelButton_ = DefaultCancelButton::create();
  cancelButton_->setTitle(localized("cancel"));
  cancelButton_->setTarget(me);
  cancelButton_->setAction("cancelButtonClick:");
  addSubview(cancelButton_);
  setActionHandler("okButtonClick:", [this](ui::ActionTarget*) { okButtonClick(); });
  setActionHandler("cancelButtonClick:", [this](ui::ActionTarget*) { cancelButtonClick(); });

  blockView_ = BlockView::create();
}

void Alert::setTitle(const std::string& title) { titleView_->setString(title); }

std::string Alert::title() const { return titleView_->string(); }

std::shared_ptr<ui::AnimationDelegate> Alert::delegateHandle() { return animationDelegateOf(*this, *this); }

ui::Rect Alert::startFrame(ui::Size host) const {
  return {150, host.height / 2, std::max(0.0, host.width - 300), 150};
}

ui::Rect ModalAlert::startFrame(ui::Size host) const {
  return {30, host.height / 2, std::max(0.0, host.width - 60), 130};
}

void Alert::viewDidMoveToSuperview() {
  ui::View::viewDidMoveToSuperview();
  ui::View* host = superview();
  if (!host) return;
  ui::Size size = host->frame().size;
  blockView_->setFrame({0, 0, size.width, size.height});
  host->addSubview(blockView_, ui::View::Ordering::Below, this);
  setFrame(fittedFrame(size));
  layoutContent();
}

double Alert::titleHeight(double width) const {
  titleView_->setFrameSize({std::max(0.0, width), titleView_->frame().height()});
  const double inset = titleView_->textContainerInset().height;
  return std::max(kTitleLineHeight, std::ceil(titleView_->layout().usedSize().height + 2 * inset));
}

ui::Rect Alert::fittedFrame(ui::Size host) const {
  ui::Rect f = startFrame(host);
  if (titleView_->isHidden()) return f;
  // The title's lines below a 30-point margin, 20 points of air, then the buttons' row (15 + 25).
  const double needed = kTitleTop + titleHeight(f.width() - 30) + 20 + 40;
  // Taller than its start frame only as far as the host has room (a very long title is cut there).
  const double room = std::max(f.height(), host.height - 20);
  f.size.height = std::min(std::max(f.height(), needed), room);
  return f;
}

void Alert::layoutContent() {
  double w = frame().width(), h = frame().height();
  const double textWidth = std::max(0.0, w - 30);
  const double th = std::min(titleHeight(textWidth), std::max(kTitleLineHeight, h - kTitleTop - 60));
  titleView_->setFrame({15, h - kTitleTop - th, textWidth, th});
  double okW = okButton_->frame().width();
  okButton_->setFrameOrigin({w - okW - 15, 15});
  cancelButton_->setHidden(!cancelAction_);
  if (cancelAction_) {
    cancelButton_->setFrameOrigin({w - okW - 15 - 15 - cancelButton_->frame().width(), 15});
  }
}

void Alert::drawRect(const ui::Rect&) {
  auto* ctx = ui::GraphicsContext::current();
  if (!ctx) return;
  // Inside the rounded border: a square fill would show its corners outside it.
  if (auto color = VLThemeManager::shared().colorForKey(kBackgroundKey)) {
    ctx->fillPath(ui::BezierPath::roundedRect(bounds(), 10, 10), *color);
  }
}

void Alert::animateBlockOpacity(double from, double to) {
  auto anim = heldAnimation("opacity", from, to, kDuration);
  blockView_->layer()->addAnimation(anim, kAnimOpacity);
}

void Alert::showWithEscape(ui::View* host) {
  if (!host || phase_ != Phase::Hidden) {
    show(host);  // refused, with its log line; no Escape block is left behind for it
    return;
  }
  std::weak_ptr<Alert> weak = std::static_pointer_cast<Alert>(shared_from_this());
  EscStack::shared().push([weak](bool) {
    // Closed by OK or Cancel (sliding away, or gone and maybe still held by its caller), it closes
    // nothing: the Escape is the next block's.
    auto a = weak.lock();
    if (!a || !a->superview() || a->phase_ == Phase::Dismissing) return false;
    // Escape is the cancel button where the alert has one: its block runs as for a click.
    if (a->cancelAction_ && a->phase_ == Phase::Shown) {
      a->cancelButtonClick();
    } else {
      a->dismiss();
    }
    return true;
  });
  show(host);
}

void Alert::show(ui::View* host) {
  if (!host) {
    logWarning("Alert: show without a host, ignored");
    return;
  }
  if (phase_ != Phase::Hidden) {
    logWarningf("Alert: \"%s\" is already up, shown once", title().c_str());
    return;
  }
  if (ui::Window* hostWindow = host->window()) noteTheKeyboard(*hostWindow);
  const MainViewHooks& hooks = MainViewHooks::current();
  if (host == hooks.mainViewOrNull() && hooks.mainWindow) {
    if (ui::Window* window = hooks.mainWindow()) window->makeFirstResponder(nullptr);
  }
  host->addSubview(std::static_pointer_cast<ui::View>(shared_from_this()));
  // The user types the name the alert asks for at once, without a click into its field first.
  if (ui::View* field = initialFirstResponder(); field && window()) window()->makeFirstResponder(field);
  phase_ = Phase::Showing;
  blockView_->setHidden(false);
  animateBlockOpacity(0, kBlockOpacity);
  double y = frame().origin.y;
  auto anim = heldAnimation("position.y", y, y - frame().height() / 2, kDuration);
  anim->setDelegate(delegateHandle());
  anim->setValue("id", "show");
  layer()->addAnimation(anim, kAnimPos);
}

void Alert::dismiss() {
  if (phase_ == Phase::Dismissing) return;  // an OK block that closed it already
  if (phase_ == Phase::Hidden || !superview()) {
    logWarning("Alert: dismiss of an alert that is not up, ignored");
    return;
  }
  phase_ = Phase::Dismissing;
  // Now, not once it slid away: what the user types on at once after the Return reaches the field.
  giveTheKeyboardBack();
  animateBlockOpacity(kBlockOpacity, 0);
  auto anim = heldAnimation("position.y", frame().origin.y, superview()->frame().height() / 2, kDuration);
  anim->setDelegate(delegateHandle());
  anim->setValue("id", "dismiss");
  layer()->addAnimation(anim, kAnimPos);
}

bool Alert::holdsTheKeyboard(const ui::Window& window) const {
  const ui::Responder* keyboard = window.firstResponder();
  if (keyboard == &window) return true;
  const auto* view = dynamic_cast<const ui::View*>(keyboard);
  return view && view->isDescendantOf(this);
}

void Alert::noteTheKeyboard(ui::Window& window) {
  keyboardBefore_.reset();
  caretBefore_.reset();
  auto* view = dynamic_cast<ui::View*>(window.firstResponder());
  if (!view) return;
  keyboardBefore_ = view->self();
  // A field gives up its editor with the keyboard, and takes it back with its text selected whole: the
  // next letter would replace what was typed.
  if (auto* field = dynamic_cast<ui::TextField*>(view); field && field->currentEditor())
    caretBefore_ = field->currentEditor()->selectedRange();
}

void Alert::giveTheKeyboardBack() {
  std::shared_ptr<ui::View> before = keyboardBefore_.lock();
  const std::optional<Range> caret = caretBefore_;
  keyboardBefore_.reset();
  caretBefore_.reset();
  ui::Window* w = window();
  ui::View* host = superview();
  // The block put the keyboard where it wanted it (a panel's field, another window): it stays there.
  if (!w || !host || !holdsTheKeyboard(*w)) return;
  // An alert the block brought up over the same host keeps the keyboard off the views under it, and
  // gives it back where this one found it as it goes in turn.
  for (const auto& view : host->subviews()) {
    auto* other = dynamic_cast<Alert*>(view.get());
    if (!other || other == this || other->phase_ == Phase::Hidden || other->phase_ == Phase::Dismissing)
      continue;
    const std::shared_ptr<ui::View> theirs = other->keyboardBefore_.lock();
    if (!theirs || theirs->isDescendantOf(this)) {
      other->keyboardBefore_ = before;
      other->caretBefore_ = caret;
    }
    return;
  }
  if (!before || before->window() != w || before->isDescendantOf(this)) return;
  if (!w->makeFirstResponder(before.get())) {
    logDebugf("Alert: %s did not take the keyboard back", before->className().c_str());
    return;
  }
  auto* field = dynamic_cast<ui::TextField*>(before.get());
  if (ui::TextView* editor = field && caret ? field->currentEditor() : nullptr)
    editor->setSelectedRange(*caret);
}

void Alert::showDidEnd() {
  if (const auto& preview = MainViewHooks::current().setPreviewSelection) preview(false);
}

void Alert::dismissDidEnd() {
  if (PanelCenter::shared().isShown()) return;
  if (const auto& preview = MainViewHooks::current().setPreviewSelection) preview(true);
}

void Alert::animationDidStop(ui::Animation& animation, bool finished) {
  if (!finished) return;
  Json id = animation.value("id");
  ui::View* host = superview();
  if (!host) return;
  // Its buttons take clicks only once it is at rest; a road test waits for this line before it clicks on.
  if (id == "show" || id == "dismiss") logDebugf("Alert: came to rest %s", id == "show" ? "shown" : "hidden");
  if (id == "show") {
    phase_ = Phase::Shown;
    setFrameOrigin({frame().origin.x, frame().origin.y - frame().height() / 2});
    layer()->removeAnimation(kAnimPos);
    blockView_->layer()->removeAnimation(kAnimOpacity);
    blockView_->layer()->setOpacity(kBlockOpacity);
    showDidEnd();
  } else if (id == "dismiss") {
    auto keep = self();  // the host held the last reference
    phase_ = Phase::Hidden;
    blockView_->layer()->removeAnimation(kAnimOpacity);
    blockView_->layer()->setOpacity(0);
    dismissDidEnd();
    setFrameOrigin({0, host->frame().height() / 2});
    layer()->removeAnimation(kAnimPos);
    blockView_->setHidden(true);
    blockView_->removeFromSuperview();
    okAction_ = nullptr;
    cancelAction_ = nullptr;
    removeFromSuperview();
  }
}

bool Alert::performKeyEquivalent(const ui::Event& event) {
  if (phase_ == Phase::Hidden || phase_ == Phase::Dismissing || !superview()) return false;
  if (event.type() != ui::EventType::KeyDown) return false;
  constexpr std::uint64_t kChords = ui::ModifierFlags::Command | ui::ModifierFlags::Control |
                                    ui::ModifierFlags::Option | ui::ModifierFlags::Shift;
  if ((event.modifierFlags() & kChords) != 0) return false;
  const std::uint16_t key = event.keyCode();
  if (key == ui::KeyCode::Return || key == ui::KeyCode::KeypadEnter) {
    if (!okButton_->isHidden()) okButtonClick();
    return true;
  }
  if (key == ui::KeyCode::Escape && cancelAction_) {
    cancelButtonClick();
    return true;
  }
  return false;
}

void Alert::okButtonClick() {
  if (!okAction_) return;  // stays up: callers who want OK to close pass a block
  if (!canDoOkAction()) return;
  Action action = okAction_;
  action();
  dismiss();
}

void Alert::cancelButtonClick() {
  if (!cancelAction_) return;
  if (!canDoCancelAction()) return;
  Action action = cancelAction_;
  action();
  dismiss();
}

bool Alert::isShown(const ui::View* view) {
  if (!view) return false;
  return std::any_of(
      view->subviews().begin(), view->subviews().end(),
      [](const std::shared_ptr<ui::View>& v) { return dynamic_cast<Alert*>(v.get()) != nullptr; });
}

}  // namespace vl
