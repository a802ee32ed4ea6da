#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Windows/Preferences/PreferencesHooks.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/PopUpButton.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/text/TextView.h"
#include "ui/controls/ButtonTextView.h"
#include "ui/tabbar/VLViewController.h"

namespace vl {

// Merging copy: on or off (key 115), and the connector between merged parts: one of the fixed
// separators (key 117) when key 116 is on, else the user's own text (key 118). While merging is off every
// control below the check box is disabled and the stored choice is kept.
class MergingCopyConfig : public ui::View, public ui::TextFieldDelegate {
 public:
  static constexpr double kHeight = 180;
  // The fixed separators, in menu order: each item's tag indexes this table.
  struct Separator {
    const char* titleKey;
    const char* value;
  };
  static constexpr Separator kSeparators[] = {
      {"pref.advanced.mergingCopy.systemSeparator.newLine", "\n"},
      {"pref.advanced.mergingCopy.systemSeparator.space", " "},
      {"pref.advanced.mergingCopy.systemSeparator.noSeparator", ""},
  };

  static std::shared_ptr<MergingCopyConfig> create(double width);
  explicit MergingCopyConfig(const ui::Rect& frame) : ui::View(frame) {}

  void reload();
  void checked();
  void systemClick();
  void customClick();
  void systemPopUpSelected();
  void controlTextDidChange(ui::TextField& field) override;
  // The menu index of a stored separator; nothing for a value that is not one of them.
  static std::optional<long> itemOfValue(const std::string& value);

  const std::shared_ptr<ui::Button>& checkButton() const { return checkButton_; }
  const std::shared_ptr<ui::Button>& radioSystemButton() const { return radioSystemButton_; }
  const std::shared_ptr<ui::Button>& radioCustomButton() const { return radioCustomButton_; }
  const std::shared_ptr<ui::PopUpButton>& systemPopUpButton() const { return systemPopUpButton_; }
  const std::shared_ptr<ui::TextField>& customTextField() const { return customTextField_; }
  const std::shared_ptr<ButtonTextView>& systemSeparatorFixedTitle() const {
    return systemSeparatorFixedTitle_;
  }
  const std::shared_ptr<ButtonTextView>& customSeparatorFixedTitle() const {
    return customSeparatorFixedTitle_;
  }

 private:
  void build();
  std::shared_ptr<ui::Button> checkButton_;
  std::shared_ptr<ButtonTextView> titleView_;
  std::shared_ptr<ui::TextView> tip1View_;
  std::shared_ptr<ui::Button> radioSystemButton_;
  std::shared_ptr<ButtonTextView> systemSeparatorFixedTitle_;
  std::shared_ptr<ui::PopUpButton> systemPopUpButton_;
  std::shared_ptr<ui::Button> radioCustomButton_;
  std::shared_ptr<ButtonTextView> customSeparatorFixedTitle_;
  std::shared_ptr<ui::TextField> customTextField_;
};

// The Advanced tab: the merging copy section at the top.
class AdvancedViewController : public VLViewController, public SettingsPane {
 public:
  static constexpr double kWidth = 650;
  static constexpr double kHeight = 400;

  void loadView() override;
  void viewDidLoad() override;
  void reloadSettings() override;
  const std::shared_ptr<MergingCopyConfig>& mergingCopyConfig();

 private:
  std::shared_ptr<MergingCopyConfig> mergingCopyConfig_;
};

}  // namespace vl
