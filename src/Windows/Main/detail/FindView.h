#pragma once

#include <memory>
#include <string>

#include "platform/dispatch/Dispatch.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/view/View.h"
#include "theme/VLThemeObject.h"

namespace vl {

// What a find field asks of the text it searches. Every method is optional.
class FindViewDelegate {
 public:
  virtual ~FindViewDelegate() = default;
  // The words typed, once typing paused; false when not handled.
  virtual bool shouldFindText(const std::string& /*text*/) { return false; }
  // Return (or the down arrow) in the field moves to the next match, the up arrow to the previous one.
  virtual bool findNext(bool /*forward*/) { return false; }
};

// The small find field at the top right of the detail view. It drops down from the detail view's top
// edge and searches a fifth of a second after the last key, so a word typed quickly searches once.
// Main thread only.
class FindView : public ui::View, public ui::TextFieldDelegate, public VLThemeObject {
 public:
  static constexpr double kWidth = 180;
  static constexpr double kUnfoldedHeight = 40;
  static constexpr double kFindDelayMs = 200;
  static constexpr double kAnimationSeconds = 0.3;

  explicit FindView(const ui::Rect& frame = {}) : ui::View(frame) {}
  static std::shared_ptr<FindView> create(const ui::Rect& frame);

  const std::shared_ptr<ui::TextField>& textField() const { return textField_; }
  std::shared_ptr<FindViewDelegate> delegage() const { return delegage_.lock(); }
  void setDelegage(const std::shared_ptr<FindViewDelegate>& delegate) { delegage_ = delegate; }

  // Empties the field and drops the view 40 points down from where it sits.
  void unfold();
  void fold() {}
  bool isUnfolded() const { return frame().height() > 0; }
  // Searches now for the words typed so far, if any, instead of once typing pauses: the text they are
  // looked for in has just arrived.
  void findNow();

  void controlTextDidChange(ui::TextField& field) override;
  bool controlTextViewDoCommandBySelector(ui::TextField& field, ui::TextView& editor,
                                          const std::string& command) override;
  void drawRect(const ui::Rect& dirtyRect) override;
  void lightOrDarkChanged() override { setNeedsDisplay(true); }

 private:
  void doFind();

  std::shared_ptr<ui::TextField> textField_;
  std::weak_ptr<FindViewDelegate> delegage_;
  std::shared_ptr<dispatch::DelayedBlock> pendingFind_;
};

}  // namespace vl
