#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/foundation/Json.h"
#include "ui/controls/Button3.h"

namespace vl {

class Action;

class ActionButtonDelegate {
 public:
  virtual ~ActionButtonDelegate() = default;
  virtual void enter(std::int64_t) {}
  virtual void click(std::int64_t) {}
};

// One button of the thinking bar: the action's label and the press that runs it ("UPPER_NAME  Ctrl+1"),
// orange while selected.
class ActionButton : public Button3 {
 public:
  static constexpr double kHeight = 25;
  static constexpr double kPadding = 14;
  // A longer label is cut with an ellipsis on the button; the action keeps it whole.
  static constexpr std::size_t kMaxTitleLength = 48;

  explicit ActionButton(Action& action);
  static std::shared_ptr<ActionButton> initWithAction(Action& action);

  // Asks the action for its label and sizes the button to it; `text` and `dict` are the engine's.
  void resizeWithIndex(std::int64_t index, const std::string& text, Json& dict);
  // "thinkingBarSelect1" ... "thinkingBarSelect9" for 0 ... 8; "" past them.
  static std::string getShortcutKeyOfIndex(std::int64_t index);
  static double widthOfString(const std::string& text, const ui::Font& font);
  // The label as the button shows it: one line, cut with an ellipsis past kMaxTitleLength.
  static std::string displayLabel(const std::string& label);

  void mouseEntered(const ui::Event& event) override;
  void click();

  Action& actionRef() const { return *actionRef_; }
  void setDelegate(ActionButtonDelegate* delegate) { delegate_ = delegate; }
  std::int64_t index() const { return index_; }

 private:
  Action* actionRef_;
  // The bar that owns this button's row.
  ActionButtonDelegate* delegate_ = nullptr;
  std::int64_t index_ = 0;
};

}  // namespace vl
