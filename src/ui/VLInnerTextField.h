#pragma once

#include <memory>

#include "platform/ui/text/TextField.h"
#include "platform/ui/text/TextView.h"

namespace vl {

class VLInnerTextField;
class VLInnerTextView;

// Told when the control inside a themed input takes the focus, before the control itself answers, so
// the input can switch to its edit look. Held weakly.
class VLInnerTextFieldDelegate {
 public:
  virtual ~VLInnerTextFieldDelegate() = default;
  virtual void didBecomeFirstResponder(VLInnerTextField& field) = 0;
};

class VLInnerTextViewDelegate {
 public:
  virtual ~VLInnerTextViewDelegate() = default;
  virtual void didBecomeFirstResponder(VLInnerTextView& textView) = 0;
};

// The one-line control inside VLTextField.
class VLInnerTextField : public ui::TextField {
 public:
  explicit VLInnerTextField(const ui::Rect& frame = {}) : ui::TextField(frame) {}
  static std::shared_ptr<VLInnerTextField> create(const ui::Rect& frame = {}) {
    return std::make_shared<VLInnerTextField>(frame);
  }

  std::shared_ptr<VLInnerTextFieldDelegate> addOnDelegate() const { return addOnDelegate_.lock(); }
  void setAddOnDelegate(const std::shared_ptr<VLInnerTextFieldDelegate>& d) { addOnDelegate_ = d; }

  bool becomeFirstResponder() override;

 private:
  std::weak_ptr<VLInnerTextFieldDelegate> addOnDelegate_;
};

// The multi-line control inside VLScrollTextView.
class VLInnerTextView : public ui::TextView {
 public:
  explicit VLInnerTextView(const ui::Rect& frame = {}) : ui::TextView(frame) {}
  static std::shared_ptr<VLInnerTextView> create(const ui::Rect& frame = {}) {
    return std::make_shared<VLInnerTextView>(frame);
  }

  // Kept for the owner's bookkeeping; the view itself never reads it.
  bool keyEquivalentResponsed() const { return keyEquivalentResponsed_; }

  std::shared_ptr<VLInnerTextViewDelegate> addOnDelegate() const { return addOnDelegate_.lock(); }
  void setAddOnDelegate(const std::shared_ptr<VLInnerTextViewDelegate>& d) { addOnDelegate_ = d; }

  bool becomeFirstResponder() override;

 private:
  bool keyEquivalentResponsed_ = false;
  std::weak_ptr<VLInnerTextViewDelegate> addOnDelegate_;
};

}  // namespace vl
