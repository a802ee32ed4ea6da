#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/PopUpButton.h"
#include "platform/ui/text/TextView.h"
#include "platform/ui/view/View.h"
#include "statusbar/HotkeyTextField.h"
#include "ui/controls/ButtonTextView.h"

namespace vl {

// A title, a check box and its explanation, bound to one flag. Used for launch at login, the copy
// animation and the copy sound.
class CheckBoxRow : public ui::View {
 public:
  static constexpr double kHeight = 20;
  struct Binding {
    std::string titleKey;
    std::string explainKey;
    std::function<bool()> read;
    // false when the change could not be made; the box then shows the old state again.
    std::function<bool(bool on)> write;
  };
  static std::shared_ptr<CheckBoxRow> create(double width, Binding binding);
  explicit CheckBoxRow(const ui::Rect& frame) : ui::View(frame) {}

  void valueChange();
  void reload();
  const std::shared_ptr<ui::Button>& checkButton() const { return checkButton_; }

 private:
  void build();
  Binding binding_;
  std::shared_ptr<ButtonTextView> titleView_;
  std::shared_ptr<ui::Button> checkButton_;
  std::shared_ptr<ButtonTextView> explainTextView_;
};

// Direct paste: key 119 on, and key 120 (the manual paste popover) always its opposite.
class DirectPasteSetting : public ui::View {
 public:
  static constexpr double kHeight = 52;
  static std::shared_ptr<DirectPasteSetting> create(double width);
  explicit DirectPasteSetting(const ui::Rect& frame) : ui::View(frame) {}

  void valueChange();
  void reload();
  const std::shared_ptr<ui::Button>& checkButton() const { return checkButton_; }

 private:
  void build();
  std::shared_ptr<ButtonTextView> titleView_;
  std::shared_ptr<ui::Button> checkButton_;
  std::shared_ptr<ButtonTextView> explainTextView_;
  std::shared_ptr<ui::TextView> tip1View_;
};

// The main hot key's recorder. A recorded key is stored in key 1 and registered at once.
class Hotkey : public ui::View, public HotkeyTextFieldDelegate {
 public:
  static constexpr double kHeight = 35;
  static std::shared_ptr<Hotkey> create(double width, std::function<void(const HokeyStruct&)> registerHotKey);
  explicit Hotkey(const ui::Rect& frame) : ui::View(frame) {}

  void reload();
  const std::shared_ptr<HotkeyTextField>& hotkeyTextField() const { return hotkeyTextField_; }
  // The pane whose stop notifications concern this recorder; set once the row exists.
  void setController(const void* controller) { controller_ = controller; }

  HokeyStruct initInputContext() override;
  std::string activeSymbolAssetKey() override { return "accentTextColor"; }
  std::string inactiveSymbolAssetKey() override { return "hotkeyTextFieldInactiveColor"; }
  const void* notificationObject() override { return controller_; }
  bool didEndKeyDown(const HokeyStruct& value) override;

 private:
  std::shared_ptr<ButtonTextView> titleView_;
  std::shared_ptr<HotkeyTextField> hotkeyTextField_;
  const void* controller_ = nullptr;
  std::function<void(const HokeyStruct&)> registerHotKey_;
};

// The web search's browser and engine (key 104).
class SearchWay : public ui::View {
 public:
  static constexpr double kHeight = 20;
  // A list longer than this in a hand-edited settings file is cut, so the menu stays usable.
  static constexpr std::size_t kMaxListItems = 64;
  static constexpr double kBrowserPopUpWidth = 160;
  static std::shared_ptr<SearchWay> create(double width);
  explicit SearchWay(const ui::Rect& frame) : ui::View(frame) {}

  void reload();
  void popUpSelected();
  const std::shared_ptr<ui::PopUpButton>& browserPopUpButton() const { return browserPopUpButton_; }
  const std::shared_ptr<ui::PopUpButton>& enginePopUpButton() const { return enginePopUpButton_; }

 private:
  void build();
  std::shared_ptr<ButtonTextView> titleView_;
  std::shared_ptr<ui::PopUpButton> browserPopUpButton_;
  std::shared_ptr<ButtonTextView> engineView_;
  std::shared_ptr<ui::PopUpButton> enginePopUpButton_;
};

}  // namespace vl
