#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/keys/HokeyStruct.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/view/Event.h"
#include "theme/VLThemeCategories.h"
#include "ui/controls/ButtonTextView.h"

namespace vl {

namespace ui {
class EventMonitor;
}

// One modifier's key cap ("Ctrl", "Alt", "Shift", "Super"), lit or dimmed by its colour key; its tag
// is the modifier's flag.
class SymbolDisplay : public ButtonTextView {
 public:
  using ButtonTextView::ButtonTextView;
  void setUnicode(const std::string& text) { setText(text); }
};

// The recorded key's name, or "double tap".
class AlphabetDisplay : public ButtonTextView {
 public:
  using ButtonTextView::ButtonTextView;
};

// The row that owns a recorder: what it shows first, its colours, and where each new value goes.
class HotkeyTextFieldDelegate {
 public:
  virtual ~HotkeyTextFieldDelegate() = default;
  virtual HokeyStruct initInputContext() = 0;
  virtual std::string activeSymbolAssetKey() = 0;
  virtual std::string inactiveSymbolAssetKey() = 0;
  // The sender whose stop notifications concern this field; nullptr hears every sender.
  virtual const void* notificationObject() = 0;
  // Every newly recorded value; false when not handled.
  virtual bool didEndKeyDown(const HokeyStruct&) { return false; }
};

// Records the global hot key: a click starts recording; the next key pressed with Ctrl, Alt, Shift or
// Super, or one of the left Ctrl, Alt and Super keys tapped twice within half a second, becomes the
// value handed to the delegate, which stores it. A key alone beeps, Escape alone ends recording, and a
// key this keyboard layout cannot produce (no key code of ours) beeps and is refused. Recording goes on
// after a value until the field is hidden, Escape is pressed or the stop notification comes. While it
// records, in-window shortcuts are not dispatched and the presses do not reach the window. Main thread
// only.
class HotkeyTextField : public VLThemed<ui::Button> {
 public:
  static constexpr const char* kShouldStopMonitor = "kHotkeyTextFieldShouldStopMonitor";
  static constexpr const char* kDoubleTap = "double tap";
  static constexpr std::int64_t kDoubleTapMs = 500;

  static std::shared_ptr<HotkeyTextField> initWithFrame(
      const ui::Rect& frame, const std::shared_ptr<HotkeyTextFieldDelegate>& delegate);
  explicit HotkeyTextField(const ui::Rect& frame);
  ~HotkeyTextField() override;

  const HokeyStruct& inputContext() const { return inputContext_; }
  void reloadInputContext(const HokeyStruct& value);
  bool focused() const { return focused_; }

  void click();
  void viewDidHide();
  void keyDown(const ui::Event& event) override;
  void keyDownFlagsOnly(const ui::Event& event);
  void updateSymbolDisplays(std::int64_t flags);
  static std::string keyCodeString(std::int64_t code);

  const std::vector<std::shared_ptr<SymbolDisplay>>& symbolDisplays() const { return symbolDisplays_; }
  const std::shared_ptr<AlphabetDisplay>& alphabetDisplay() const { return alphabetDisplay_; }
  std::int64_t commandKeyDownTime() const { return commandKeyDownTime_; }
  std::int64_t optionKeyDownTime() const { return optionKeyDownTime_; }
  std::int64_t controlKeyDownTime() const { return controlKeyDownTime_; }

  bool respondsToAction(const std::string& action) const override;
  bool performAction(const std::string& action, ui::ActionTarget* sender) override;
  void setHidden(bool hidden) override;

 private:
  void build(const std::shared_ptr<HotkeyTextFieldDelegate>& delegate);
  void startMonitor();
  void stopMonitor();
  void showKey(const std::string& text);
  void deliver();

  HokeyStruct inputContext_ = HokeyStruct::empty();
  std::vector<std::shared_ptr<SymbolDisplay>> symbolDisplays_;
  std::shared_ptr<AlphabetDisplay> alphabetDisplay_;
  std::weak_ptr<HotkeyTextFieldDelegate> hotkeyDelegate_;
  bool focused_ = false;
  std::shared_ptr<ui::EventMonitor> keyboardEventMonitor_;
  std::shared_ptr<void> dispatchSuspension_;
  std::string activeAssetKey_;
  std::string inactiveAssetKey_;
  std::int64_t commandKeyDownTime_ = 0;
  std::int64_t optionKeyDownTime_ = 0;
  std::int64_t controlKeyDownTime_ = 0;
  Observation stopObservation_;
};

}  // namespace vl
