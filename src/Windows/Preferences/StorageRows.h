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

// Digits only, white space around them allowed, and no more than the settings store can read back
// (2^31 - 1). Anything else beeps and is refused, so the field keeps its text.
class OnlyIntegerValueFormatter : public ui::Formatter {
 public:
  static constexpr long long kMax = 2147483647LL;
  // The number the text stands for, or -1 for text that is not one within the limit.
  static long long parse(const std::string& text);
  bool isPartialStringValid(const std::string& partial, std::string* newEditingString,
                            std::string* errorDescription) override;
};

// The most characters kept of a copied text (key 102). Every accepted edit that names a positive
// number is stored at once; an empty field or 0 is not stored: the tip says why and, when editing ends,
// the field shows the stored number again.
class MaxCharacters : public ui::View, public ui::TextFieldDelegate {
 public:
  static constexpr double kHeight = 52;
  static std::shared_ptr<MaxCharacters> create(double width);
  explicit MaxCharacters(const ui::Rect& frame) : ui::View(frame) {}

  void reload();
  bool showsRefusal() const { return refused_; }
  void controlTextDidChange(ui::TextField& field) override;
  void controlTextDidEndEditing(ui::TextField& field) override;
  const std::shared_ptr<ui::TextField>& customTextField() const { return customTextField_; }
  const std::shared_ptr<ui::TextView>& tip1View() const { return tip1View_; }

 private:
  void build();
  void showRefusal(bool refused);
  std::shared_ptr<ButtonTextView> titleView_;
  std::shared_ptr<ui::TextView> tip1View_;
  std::shared_ptr<ui::TextField> customTextField_;
  bool refused_ = false;
};

}  // namespace vl
