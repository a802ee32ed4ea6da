#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/VLScrollTextView.h"
#include "ui/VLTextField.h"
#include "ui/alert/Alert.h"

namespace vl {

// The sheet that adds a snippet (empty) or edits one (filled from its record): an alias field, a
// several-line text and Add or Save. OK is refused, with a beep and a line saying why, while the alias or
// the text is empty; any other alias is taken as typed, one blank or another snippet's name included.
class SnippetsEditView : public Alert {
 public:
  enum Mode { kAdd = 0, kEdit = 1 };
  // A longer text is kept whole but shown only in its beginning and not editable here: laying out
  // megabytes would hold the window for seconds.
  static constexpr std::size_t kEditableUnits = 100000;

  explicit SnippetsEditView(const ui::Rect& frame = {}) : Alert(frame) {}
  static std::shared_ptr<SnippetsEditView> initWithMode(Mode mode, Action ok, Action cancel);

  Mode mode() const { return mode_; }
  std::string alais();
  void setAlais(const std::string& alias);
  std::string snippet();
  void setSnippet(const std::string& text);
  // The signature of the record being edited; Save goes to that record whatever row is chosen by then.
  const std::string& sig() const { return sig_; }
  void setSig(std::string sig) { sig_ = std::move(sig); }

  const std::shared_ptr<VLTextField>& aliasTextField() const { return aliasTextField_; }
  const std::shared_ptr<VLScrollTextView>& snippetTextView() const { return snippetTextView_; }
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& feedbackTextView() const { return feedback_; }

  bool canDoOkAction() override;
  void viewDidMoveToSuperview() override;

 protected:
  ui::Rect startFrame(ui::Size host) const override;
  ui::View* initialFirstResponder() override;
  // The page is no main window: its preview is not ours to switch.
  void showDidEnd() override {}
  void dismissDidEnd() override {}

 private:
  void buildParts();
  void layoutParts();
  std::shared_ptr<PassthroughAndArrowCursorTextView> makeLabel(const std::string& key);

  Mode mode_ = kAdd;
  std::string sig_;
  std::optional<std::string> heldText_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> aliasFixedTextView_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> snippetFixedTextView_;
  std::shared_ptr<VLTextField> aliasTextField_;
  std::shared_ptr<VLScrollTextView> snippetTextView_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> feedback_;
};

}  // namespace vl
