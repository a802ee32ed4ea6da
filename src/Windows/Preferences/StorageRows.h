#pragma once

#include <memory>
#include <string>

#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/PopUpButton.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/text/TextView.h"
#include "platform/ui/view/View.h"
#include "ui/controls/ButtonTextView.h"

namespace vl {

// Whether copied image files are kept, and for how long (key 105: "isCopy", "timeList", "storageTime").
class ImageStore : public ui::View {
 public:
  static constexpr double kHeight = 90;
  static constexpr std::size_t kMaxCodes = 16;
  static std::shared_ptr<ImageStore> create(double width);
  explicit ImageStore(const ui::Rect& frame) : ui::View(frame) {}

  // A storage time code's title; an unknown code reads as one week, which is what the cleaner keeps.
  static std::string transferTime(const std::string& code);
  void reload();
  void checked();
  void popUpSelected();
  const std::shared_ptr<ui::Button>& checkButton() const { return checkButton_; }
  const std::shared_ptr<ui::PopUpButton>& timePopUpButton() const { return timePopUpButton_; }

 private:
  void build();
  std::shared_ptr<ui::Button> checkButton_;
  std::shared_ptr<ButtonTextView> titleView_;
  std::shared_ptr<ui::TextView> tip1View_;
  std::shared_ptr<ButtonTextView> tip2View_;
  std::shared_ptr<ui::PopUpButton> timePopUpButton_;
  std::shared_ptr<ButtonTextView> tip3View_;
};

// Digits only, white space around them allowed. A number beyond what the settings store can read back
// (2^31 - 1) is shown and kept as that largest number; anything else beeps and is refused, so the field
// keeps its text.
class OnlyIntegerValueFormatter : public ui::Formatter {
 public:
  static constexpr long long kMax = 2147483647LL;
  // The number the text stands for, at most kMax (then *clamped is set), or -1 for text that is no number.
  static long long parse(const std::string& text, bool* clamped = nullptr);
  bool isPartialStringValid(const std::string& partial, std::string* newEditingString,
                            std::string* errorDescription) override;
};

// The most characters kept of a copied text (key 102). Every accepted edit is stored at once; 0, or an
// empty field, keeps whole texts.
class MaxCharacters : public ui::View, public ui::TextFieldDelegate {
 public:
  static constexpr double kHeight = 52;
  static std::shared_ptr<MaxCharacters> create(double width);
  explicit MaxCharacters(const ui::Rect& frame) : ui::View(frame) {}

  void reload();
  void controlTextDidChange(ui::TextField& field) override;
  const std::shared_ptr<ui::TextField>& customTextField() const { return customTextField_; }
  const std::shared_ptr<ui::TextView>& tip1View() const { return tip1View_; }

 private:
  void build();
  std::shared_ptr<ButtonTextView> titleView_;
  std::shared_ptr<ui::TextView> tip1View_;
  std::shared_ptr<ui::TextField> customTextField_;
};

}  // namespace vl
