#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Windows/Main/ThinkingBarSlot.h"
#include "core/keys/LocalShortcutsManager.h"
#include "platform/foundation/Json.h"
#include "platform/ui/text/AttributedString.h"
#include "think/Think.h"
#include "think/bar/ActionButton.h"
#include "think/bar/ThinkBarScrollView.h"
#include "ui/view/VLVisualEffectView.h"

namespace vl {

class DisplayAttributedString;
class MainViewController;

// The strip of smart actions under the main window's search field: one button per action that fits the
// search text and the selected record, rebuilt on every selection change and search. The first click on a
// button selects it and previews its result, a click on the selected one runs it; Ctrl+1 ... Ctrl+9 run
// the first nine at once. While the bar holds the keyboard (Ctrl+Up from the list, a click) Left and Right
// move its selection, wrapping at both ends, and Return runs it. Main thread only; a refresh asked from
// another thread is posted to the main queue.
class ThinkingBar : public VLVisualEffectView,
                    public ThinkingBarSlot,
                    public ActionButtonDelegate,
                    public ThinkBarScrollViewDelegate,
                    public ShortcutReceiver {
 public:
  static constexpr double kWidth = 680;
  static constexpr double kHeight = 38;
  static constexpr double kGap = 10;
  // How far one wheel step moves the row.
  static constexpr double kWheelStep = 60;
  // How the last selection move came about.
  enum GestureState : std::uint64_t { Reset = 0, KeyLeft = 2, KeyRight = 3, WheelLeft = 4, WheelRight = 5 };

  // What the bar reads from and tells the main window. Each empty one reads as nothing and does nothing.
  struct Host {
    std::function<std::optional<std::string>()> searchText;
    // The last selected record (its text and json); nullptr while no record is selected.
    std::function<std::shared_ptr<DisplayAttributedString>()> selectedRow;
    // The list gives up the keyboard's attention.
    std::function<void()> stashList;
    // The preview shows an action's result.
    std::function<void(const std::optional<ui::AttributedString>& text, const std::string& viewCls,
                       const Json& json)>
        preview;
    std::function<void()> endAliasEditing;
    // A panel covers the window: presses are dropped.
    std::function<bool()> blocked;
  };

  // A bar registered for the in-window shortcut names.
  static std::shared_ptr<ThinkingBar> create(Host host);
  // The host of the main window's parts.
  static Host hostOf(const std::weak_ptr<MainViewController>& controller);
  // Puts a bar into the main window (before its view loads) and returns it.
  static std::shared_ptr<ThinkingBar> installInto(const std::shared_ptr<MainViewController>& controller);

  explicit ThinkingBar(Host host);
  ~ThinkingBar() override;

  // --- ThinkingBarSlot --------------------------------------------------------------------------------
  void refresh() override;
  bool isActive() const override { return onFocus_; }
  void doActionAtSelected() override { doActionAtIndex(selectedIndex_); }
  void stash() override;
  void popStash() override;

  void loadActions(std::unique_ptr<Think> think);
  void clearOldActionButtons();
  void selectItemIndex(std::int64_t index);
  void deselectItem(std::int64_t index);
  std::int64_t selectedItem() const { return selectedIndex_; }
  // The selected action's result in the preview.
  void update();
  void leftAction();
  void rightAction();
  void doActionAtIndex(std::int64_t index);
  bool blocked() const;

  // --- delegates --------------------------------------------------------------------------------------
  void click(std::int64_t index) override;
  void enter(std::int64_t) override {}
  void scrollMovingLeft() override;
  void scrollMovingRight() override;
  bool resolvedShortcutKey(const std::string& name) override;

  // --- layout -----------------------------------------------------------------------------------------
  ui::Rect scrollVisibleRect() const;
  static double getRight(const ui::Rect& rect) { return rect.maxX(); }
  ui::Size size() const { return {kWidth, kHeight}; }
  bool isFlow() const { return false; }
  void setFrameSize(ui::Size size) override;

  const std::shared_ptr<ThinkBarScrollView>& scrollView() const { return scrollView_; }
  const std::vector<std::shared_ptr<ActionButton>>& actionButtons() const { return actionButtons_; }
  std::uint64_t gestureState() const { return gestureState_; }
  std::int64_t stashSelectedIndex() const { return stashSelectedIndex_; }
  Think* think() const { return think_.get(); }

 private:
  void scrollContentTo(double x);
  // The definition of a word the bar offers arrived after the bar was laid out.
  void definitionArrived(const std::string& word);

  Host host_;
  std::shared_ptr<ThinkBarScrollView> scrollView_;
  std::shared_ptr<ui::View> row_;
  std::vector<std::shared_ptr<ActionButton>> actionButtons_;
  // Where the row of buttons ends, its last gap included.
  double rowEnd_ = 0;
  std::uint64_t gestureState_ = Reset;
  bool onFocus_ = false;
  std::int64_t selectedIndex_ = 0;
  std::int64_t stashSelectedIndex_ = 0;
  std::unique_ptr<Think> think_;
};

}  // namespace vl
