#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/view/Event.h"
#include "shortcuts/VLShortcut.h"
#include "ui/controls/Button2.h"
#include "ui/controls/ButtonTextView.h"

namespace vl {

namespace ui {
class EventMonitor;
}

class ShortcutsEditButton;

// The owner of the pane's recorders (the shortcuts table). Only enterShortcutValue must be answered.
class ShortcutsEditButtonDelegate {
 public:
  virtual ~ShortcutsEditButtonDelegate() = default;
  virtual void editButtonPrepareEdit(ShortcutsEditButton& button) = 0;
  virtual void editButtonDidBeginEdit(ShortcutsEditButton&) {}
  virtual void editButtonDidEndEdit(ShortcutsEditButton&) {}
  virtual void editButtonDidEnterShortcutValue(ShortcutsEditButton& button, const VLShortcutValue& value) = 0;
};

// One row's press, shown as its display string; while it records, every press with Ctrl, Alt, Shift or
// Super (and Return, Backspace and the arrows alone) becomes the row's new press, and the clear button
// empties it. Main thread only.
class ShortcutsEditButton : public ButtonTextView {
 public:
  static constexpr const char* kShouldStopMonitor = "ShortcutsEditButtonShouldStopMonitor";

  explicit ShortcutsEditButton(const ui::Rect& frame);
  static std::shared_ptr<ShortcutsEditButton> create(const ui::Rect& frame);
  ~ShortcutsEditButton() override;

  bool edit() const { return edit_; }
  void setEdit(bool edit);
  bool selected() const { return selected_; }
  void setSelected(bool selected);
  void setText(const std::string& text);
  void setDelegate(const std::shared_ptr<ShortcutsEditButtonDelegate>& d) { delegate_ = d; }
  const std::shared_ptr<Button2>& clearButton();
  void clear();
  void startMonitor();
  void stopMonitor();

  // The value a key-down records, or nothing when the press is not taken.
  static std::optional<VLShortcutValue> valueOfPress(const ui::Event& event);

  void resizeSubviewsWithOldSize(ui::Size oldSize) override;
  void lightOrDarkChanged() override;

 private:
  void applyTitleColours();

  std::shared_ptr<ui::EventMonitor> keyboardEventMonitor_;
  std::shared_ptr<void> dispatchSuspension_;
  bool edit_ = false;
  bool selected_ = false;
  std::weak_ptr<ShortcutsEditButtonDelegate> delegate_;
  std::shared_ptr<Button2> clearButton_;
  Observation stopObservation_;
};

}  // namespace vl
