#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Text.h"
#include "platform/ui/view/Animation.h"
#include "platform/ui/view/View.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/alert/BlockView.h"
#include "ui/controls/ButtonPresets.h"

namespace vl {

// A confirmation box centred over a host view, above a dimming cover that takes every click outside it.
// OK and Cancel run their blocks and close the alert; OK without a block leaves it up. Alerts push no
// Escape block: their callers do. Held by shared_ptr; the host keeps it while it is up. Main thread only.
class Alert : public ui::View, public ui::AnimationDelegate {
 public:
  using Action = std::function<void()>;
  static constexpr double kDuration = 0.2;
  static constexpr double kBlockOpacity = 0.8;
  // The title's top margin and the height of one line of it.
  static constexpr double kTitleTop = 30;
  static constexpr double kTitleLineHeight = 18;

  explicit Alert(const ui::Rect& frame = {});

  template <typename T = Alert>
  static std::shared_ptr<T> ofTitle(const std::string& title, Action ok, Action cancel) {
    auto alert = std::make_shared<T>(ui::Rect{});
    alert->build();
    alert->setTitle(title);
    alert->okAction_ = std::move(ok);
    alert->cancelAction_ = std::move(cancel);
    return alert;
  }

  void setTitle(const std::string& title);
  std::string title() const;
  // Shows over the host; an alert already up (or on its way out) is not shown again.
  void show(ui::View* host);
  // Shows over the host with an Escape block that dismisses it; once the alert is closed by its buttons
  // the block stands aside, so the next block gets the Escape.
  void showWithEscape(ui::View* host);
  // Nothing when the alert is not up. However it closes (a button, Return, Escape), the keyboard goes back
  // at once to the view that had it before the alert showed, caret and all, unless the alert's block gave
  // it to someone else.
  void dismiss();
  // Whether any direct subview of the view is an alert.
  static bool isShown(const ui::View* view);

  // A subclass vetoes a button: it then runs no block and leaves the alert up.
  virtual bool canDoOkAction() { return true; }
  virtual bool canDoCancelAction() { return true; }
  void okButtonClick();
  void cancelButtonClick();

  const std::shared_ptr<PassthroughAndArrowCursorTextView>& titleView() const { return titleView_; }
  const std::shared_ptr<DefaultConfirmButton>& okButton() const { return okButton_; }
  const std::shared_ptr<DefaultCancelButton>& cancelButton() const { return cancelButton_; }
  const std::shared_ptr<BlockView>& blockView() const { return blockView_; }

  void viewDidMoveToSuperview() override;
  void drawRect(const ui::Rect& dirtyRect) override;
  // Return presses the default button, Escape the cancel one, wherever the keyboard is in the window.
  bool performKeyEquivalent(const ui::Event& event) override;
  void animationDidStop(ui::Animation& animation, bool finished) override;

 protected:
  // The frame the alert starts from in a host of that size (it then moves down by half its height).
  virtual ui::Rect startFrame(ui::Size host) const;
  // The field that takes the keyboard as the alert shows (one that asks for a name); none by default.
  virtual ui::View* initialFirstResponder() { return nullptr; }
  // The start frame, grown to hold every line of the title.
  ui::Rect fittedFrame(ui::Size host) const;
  // The title's height laid out at that width.
  double titleHeight(double width) const;
  virtual void showDidEnd();
  virtual void dismissDidEnd();
  void build();

 private:
  enum class Phase { Hidden, Showing, Shown, Dismissing };
  void layoutContent();
  std::shared_ptr<ui::AnimationDelegate> delegateHandle();
  void animateBlockOpacity(double from, double to);
  // Whether the window's keyboard is nowhere, or on this alert or a view inside it.
  bool holdsTheKeyboard(const ui::Window& window) const;
  void noteTheKeyboard(ui::Window& window);
  void giveTheKeyboardBack();

  Action okAction_;
  Action cancelAction_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> titleView_;
  std::shared_ptr<DefaultConfirmButton> okButton_;
  std::shared_ptr<DefaultCancelButton> cancelButton_;
  std::shared_ptr<BlockView> blockView_;
  Phase phase_ = Phase::Hidden;
  // Who had the keyboard as the alert showed, and the caret when that was a field being edited.
  std::weak_ptr<ui::View> keyboardBefore_;
  std::optional<Range> caretBefore_;
};

// The narrower alert over a modal page.
class ModalAlert : public Alert {
 public:
  using Alert::Alert;

 protected:
  ui::Rect startFrame(ui::Size host) const override;
  // Over a page the main window's preview is not ours to touch.
  void showDidEnd() override {}
  void dismissDidEnd() override {}
};

}  // namespace vl
