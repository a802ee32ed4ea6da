#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/view/ViewController.h"

namespace vl {

namespace ui {
class Popover;
class View;
}  // namespace ui
class ButtonTextView;
class PassthroughAndArrowCursorTextView;

// The manual-paste popover's content: how to paste, the text that was meant to be pasted, and a
// button that turns the popover off for good (settings key 120).
class PastePopoverViewController : public ui::ViewController {
 public:
  static constexpr const char* kDismissAction = "dismissClick:";

  static std::shared_ptr<PastePopoverViewController> create() {
    return std::make_shared<PastePopoverViewController>();
  }

  // The text of the selected rows, shown each time the popover appears. The record list installs it.
  using SelectedText = std::function<std::string()>;
  static void setSelectedTextSource(SelectedText source);
  static bool hasSelectedTextSource();

  std::shared_ptr<ui::Popover> popover() const { return popover_.lock(); }
  void setPopover(const std::shared_ptr<ui::Popover>& popover) { popover_ = popover; }

  void viewDidLoad() override;
  void viewWillAppear() override;
  void dismissClick();

  const std::shared_ptr<PassthroughAndArrowCursorTextView>& howToTextView();
  const std::shared_ptr<ui::View>& contentBgView();
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& contentTextView();
  const std::shared_ptr<ButtonTextView>& dismissButton();

  bool respondsToAction(const std::string& action) const override;
  bool performAction(const std::string& action, ui::ActionTarget* sender) override;

 private:
  std::weak_ptr<ui::Popover> popover_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> howToTextView_;
  std::shared_ptr<ui::View> contentBgView_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> contentTextView_;
  std::shared_ptr<ButtonTextView> dismissButton_;
};

}  // namespace vl
