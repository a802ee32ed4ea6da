#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Localization.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Window.h"
#include "shortcuts/KeyboardListener.h"
#include "shortcuts/ShortcutsView.h"
#include "shortcuts/ShortcutsViewController.h"
#include "shortcuts/VLShortcutCenter.h"
#include "support/Gallery.h"
#include "theme/ClassicThemeFixture.h"

namespace vl {
namespace {

namespace Flags = ui::ModifierFlags;

class ShortcutsPaneTest : public test::ClassicThemeFixture {
 protected:
  void SetUp() override {
    ClassicThemeFixture::SetUp();
    VLShortcutCenter::resetForTesting();
    window_ = ui::Window::create({100, 100, ShortcutsView::kWidth, ShortcutsView::kHeight},
                                 ui::WindowStyle::Titled);
    pane_ = ShortcutsView::create();
    window_->contentView()->addSubview(pane_);
  }
  void TearDown() override {
    pane_.reset();
    window_.reset();
    dispatch::MainLoop::advance(2000);
    KeyboardListener::resetForTesting();
    VLShortcutCenter::resetForTesting();
    ClassicThemeFixture::TearDown();
  }
  ShortcutsTableView& table() { return *pane_->shortcutsTableView(); }
  long rowOf(const std::string& name) {
    const auto& rows = table().activeSource();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i]->key() == name) return static_cast<long>(i);
    }
    ADD_FAILURE() << name << " is not shown";
    return -1;
  }
  std::shared_ptr<ShortcutsRowView> row(const std::string& name) { return table().rowView(rowOf(name)); }
  // Two clicks: the first selects the row, the second starts recording.
  void startRecording(const std::string& name) {
    auto button = row(name)->shortcutsEditButton();
    button->performAction("edit:", button.get());
    button = row(name)->shortcutsEditButton();
    button->performAction("edit:", button.get());
    ASSERT_TRUE(button->edit());
  }
  void press(std::uint16_t code, std::uint64_t flags) {
    ui::Application::shared().sendEvent(ui::Event::keyEvent(ui::EventType::KeyDown, code, flags, "", ""));
  }
  std::vector<std::string> marked() {
    std::vector<std::string> out;
    for (long i = 0; i < static_cast<long>(table().activeSource().size()); ++i) {
      auto view = table().rowView(i);
      if (!view->alertTextView()->isHidden()) out.push_back(view->shortcut()->key());
    }
    return out;
  }
  std::vector<std::string> shown() {
    std::vector<std::string> out;
    for (VLShortcut* s : table().activeSource()) out.push_back(s->key());
    return out;
  }
  std::string conflictsTitle(long n) {
    return localized("pref.shortcuts.conflicts") + " (" + std::to_string(n) + ")";
  }
  Json stored(const std::string& name) { return storedShortcutDictionary()[name]; }

  std::shared_ptr<ui::Window> window_;
  std::shared_ptr<ShortcutsView> pane_;
};

// A wheel notch moves the pane by three rows, as every other list does.
TEST_F(ShortcutsPaneTest, WheelNotchScrollsThreeRows) {
  double before = table().documentVisibleRect().origin.y;
  table().scrollWheel(ui::Event::scrollEvent({10, 10}, 0, -1));
  EXPECT_DOUBLE_EQ(table().documentVisibleRect().origin.y - before, 3 * ShortcutsTableView::kRowHeight);
}

TEST_F(ShortcutsPaneTest, RecordingCountsConflictsAndRestorePutsEveryPressBack) {
  EXPECT_EQ(table().activeSource().size(), 28u);
  EXPECT_EQ(pane_->toolbar()->conflictsButton()->title(), conflictsTitle(0));
  EXPECT_TRUE(marked().empty());

  startRecording("historyUp");
  press(14, 0);               // a plain letter is not taken
  press(53, 0);               // nor is Escape
  press(18, Flags::Command);  // Ctrl+1, which the thinking bar's first item holds
  EXPECT_EQ(stored("historyUp"), (Json{{"modifier", 0x100000}, {"code", 18}}));
  EXPECT_EQ(table().conflictCount(), 2);
  EXPECT_EQ(pane_->toolbar()->conflictsButton()->title(), conflictsTitle(2));
  EXPECT_EQ(marked(), (std::vector<std::string>{"historyUp", "thinkingBarSelect1"}));
  EXPECT_EQ(row("historyUp")->shortcutsEditButton()->title(), "Ctrl+1");
  EXPECT_TRUE(table().tableView()->preventKeyDown());
  dispatch::MainLoop::advance(1000);  // recording ends a second after the press
  EXPECT_FALSE(table().tableView()->preventKeyDown());

  // In the conflict view a resolved row stays, without its mark, until All is chosen again.
  pane_->toolbar()->conflictsClick();
  const std::vector<std::string> conflicts = {"clipboardHistory", "historyUp", "thinkingBar",
                                              "thinkingBarSelect1"};
  EXPECT_EQ(shown(), conflicts);
  startRecording("historyUp");
  press(126, Flags::NumericPad | Flags::Function);  // Up alone
  EXPECT_EQ(stored("historyUp"), (Json{{"modifier", 0xa00000}, {"code", 126}}));
  EXPECT_EQ(shown(), conflicts);
  EXPECT_TRUE(marked().empty());
  EXPECT_EQ(table().conflictCount(), 0);
  dispatch::MainLoop::advance(1000);
  pane_->toolbar()->allClick();
  EXPECT_EQ(table().activeSource().size(), 28u);

  // Two cleared presses are equal, so they conflict.
  for (const char* name : {"historyDel", "pinRecord"}) row(name)->shortcutsEditButton()->clear();
  EXPECT_EQ(table().conflictCount(), 2);
  EXPECT_EQ(marked(), (std::vector<std::string>{"historyDel", "pinRecord"}));

  // Leaving the tab while recording: later presses store nothing.
  startRecording("historySearch");
  // Any Shortcuts tab that goes away stops every recorder.
  ShortcutsViewController tab;
  ASSERT_TRUE(std::dynamic_pointer_cast<ShortcutsView>(tab.view()));
  tab.viewWillDisappear();
  press(18, Flags::Command | Flags::Shift);
  EXPECT_NE(stored("historySearch"), (Json{{"modifier", 0x120000}, {"code", 18}}));

  pane_->resetClick();
  EXPECT_EQ(table().conflictCount(), 0);
  EXPECT_EQ(table().activeSource().size(), 28u);
  EXPECT_TRUE(marked().empty());
  for (auto* group :
       {&VLShortcutCenter::defaultCenter().clipboardHistory(),
        &VLShortcutCenter::defaultCenter().thinkingBar(), &VLShortcutCenter::defaultCenter().pin()}) {
    for (const VLShortcut& s : *group) {
      SCOPED_TRACE(s.key());
      EXPECT_EQ(s.shortcutValue(), s.defaultShortcutValue());
      EXPECT_EQ(stored(s.key()), s.defaultShortcutValue().toJson());
    }
  }
}

TEST_F(ShortcutsPaneTest, WhichPressesTheRecorderTakes) {
  struct Case {
    const char* what;
    std::uint16_t code;
    std::uint64_t flags;
    std::optional<VLShortcutValue> value;
  };
  const Case cases[] = {
      {"Shift+Up", 126, Flags::Shift | Flags::NumericPad | Flags::Function, VLShortcutValue{0xa20000, 126}},
      {"Up without its pad bits", 126, 0, VLShortcutValue{0xa00000, 126}},
      {"Return", 36, 0, VLShortcutValue{0, 36}},
      {"Backspace", 51, 0, VLShortcutValue{0, 51}},
      {"Home", 115, Flags::Function, VLShortcutValue{0x800000, 115}},
      {"End", 119, Flags::Function, VLShortcutValue{0x800000, 119}},
      {"Page Up", 116, Flags::Function, std::nullopt},
      {"Delete", 117, Flags::Function, std::nullopt},
      {"Ctrl+K with Caps Lock and device bits", 40, Flags::Command | Flags::CapsLock | 0x8,
       VLShortcutValue{0x100000, 40}},
      {"Escape", 53, 0, std::nullopt},
      {"Tab", 48, 0, std::nullopt},
      {"a letter with Caps Lock", 0, Flags::CapsLock, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ShortcutsEditButton::valueOfPress(
                  ui::Event::keyEvent(ui::EventType::KeyDown, c.code, c.flags, "", "")),
              c.value);
  }
}

TEST_F(ShortcutsPaneTest, Gallery) {
  test::DesktopPaintingScope painting;
  setBackgroundColorAssetKey(*window_, std::string("vellistoBackgroundColorSystem11"));
  pane_->removeFromSuperview();
  pane_ = ShortcutsView::create();  // laid out with the painted metrics
  window_->contentView()->addSubview(pane_);
  startRecording("historyUp");
  press(18, Flags::Command);
  EXPECT_EQ(test::writeGallery(*window_, "shortcuts-pane").size(), 2u);
}

// Scrolled half way, the rows show only inside the list's frame: nothing of them over the toolbar above
// it or in the strip below its border, light or dark.
TEST_F(ShortcutsPaneTest, ScrolledRowsStayInsideTheListFrame) {
  test::DesktopPaintingScope painting;
  setBackgroundColorAssetKey(*window_, std::string("vellistoBackgroundColorSystem11"));
  pane_->removeFromSuperview();
  pane_ = ShortcutsView::create();
  window_->contentView()->addSubview(pane_);
  const auto top = test::writeGallery(*window_, "shortcuts-pane-top");
  const double rows = table().documentView()->frame().height();
  ASSERT_GT(rows, 2 * table().contentSize().height) << "the list must be long enough to scroll past";
  // Between two rows, so one is cut by each edge.
  table().scrollToPoint({0, std::floor(rows / 2) + 13});
  const auto scrolled = test::writeGallery(*window_, "shortcuts-pane-scrolled");
  ASSERT_EQ(top.size(), 2u);
  ASSERT_EQ(scrolled.size(), 2u);
  const auto& toolbar = *pane_->toolbar();
  const ui::Rect list = table().convertRectToView(table().bounds(), nullptr);
  const ui::Rect regions[] = {toolbar.convertRectToView(toolbar.bounds(), nullptr),
                              {list.minX(), list.minY() - 8, list.width(), 6}};
  for (std::size_t mode = 0; mode < 2; ++mode) {
    const auto before = test::PixelProbe::fromPng(top[mode]);
    const auto after = test::PixelProbe::fromPng(scrolled[mode]);
    ASSERT_TRUE(before && after);
    for (const ui::Rect& r : regions) {
      int changed = 0;
      for (double y = r.minY() + 0.5; y < r.maxY(); y += 1) {
        for (double x = r.minX() + 0.5; x < r.maxX(); x += 1)
          changed += before->at({x, y}) != after->at({x, y});
      }
      EXPECT_EQ(changed, 0) << "rows drawn over " << ui::stringFromRect(r) << " in " << scrolled[mode];
    }
  }
}

}  // namespace
}  // namespace vl
