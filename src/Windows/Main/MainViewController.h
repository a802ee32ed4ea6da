#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/foundation/Text.h"
#include "platform/ui/view/ViewController.h"
#include "ui/Line.h"
#include "ui/view/ThemeView.h"

namespace vl {

class ChunkContent;
class DetailView;
class FocusStash;
class HintTable2;
class SearchInput2;
class ThinkingBarSlot;

// The main window's content: the pin tab bar, the search field, the thinking bar, a separator and the
// list with its preview, stacked top to bottom. It drags the borderless window by its background and
// opens the selected file or image in its default application. Main thread only.
class MainViewController : public ui::ViewController {
 public:
  static constexpr double kPinTabBarHeight = 38;
  static constexpr double kThinkingBarHeight = 38;

  static std::shared_ptr<MainViewController> create();

  void loadView() override;
  void viewDidLoad() override;

  // Computed once from the parts.
  ui::Size size();
  void layout();

  const std::shared_ptr<SearchInput2>& searchInput();
  const std::shared_ptr<ChunkContent>& chunkContent();
  std::shared_ptr<HintTable2> hintTable();
  // Empty bars until the pin tabs and the thinking bar are put in; a thinking bar put in also answers
  // ThinkingBarSlot.
  const std::shared_ptr<ui::View>& pinTabBar();
  const std::shared_ptr<ui::View>& thinkingBar();
  void setPinTabBar(std::shared_ptr<ui::View> bar) { pinTabBar_ = std::move(bar); }
  void setThinkingBar(std::shared_ptr<ui::View> bar) { thinkingBar_ = std::move(bar); }
  // The thinking bar as a part that takes the keyboard's attention; nullptr while the bar cannot.
  FocusStash* thinkingBarFocus();
  // The thinking bar that was put in; nullptr while the strip is empty.
  ThinkingBarSlot* thinkingBarSlot();
  const std::vector<std::shared_ptr<ui::View>>& components() const { return components_; }

  void searchInputBecomeFirstResponder();
  // After a click: unless what was clicked takes typing itself (a field, the detail overlay, a panel),
  // the search field has the keyboard again, its caret where it stood before the click (`caret`) or at
  // the end of the query.
  void keepTypingInSearch(const std::optional<Range>& caret);
  bool blocked() const;
  // Whether in-window shortcuts may act on the main window's parts now: the window has the keyboard, no
  // detail overlay covers it, and no field but the search field takes what is typed (the snippet name
  // field, a sheet's name).
  bool takesShortcuts();
  // The same asked by a part of the main window; a part outside any main window (driven alone) is
  // always reached.
  static bool shortcutsReach(const ui::View& part);
  void keyDown(const ui::Event&) override {}

  void mouseDown(const ui::Event& event) override;
  void mouseDragged(const ui::Event& event) override;
  void mouseUp(const ui::Event& event) override;

  // The detail overlay. A new one opens each time; the one sliding away no longer counts as shown, so
  // the shortcut opens a fresh one rather than waiting for it.
  void showDetail();
  bool isShownDetail() const;
  void dismissDetail();
  const std::shared_ptr<DetailView>& detailView() const { return detailView_; }

  // Opens the last selected row's file or image in the desktop's default application; false (and a log
  // line) when it has none that can be read.
  bool showPreview();

 private:
  ui::Size size_{};
  std::shared_ptr<SearchInput2> searchInput_;
  std::shared_ptr<ChunkContent> chunkContent_;
  std::shared_ptr<ui::View> pinTabBar_;
  std::shared_ptr<ui::View> thinkingBar_;
  std::shared_ptr<Line> line_;
  std::shared_ptr<DetailView> detailView_;
  std::vector<std::shared_ptr<ui::View>> components_;
};

}  // namespace vl
