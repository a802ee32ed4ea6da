#include <gtest/gtest.h>

#include <cmath>

#include "PreferencesTestSupport.h"
#include "Windows/Preferences/AdvancedViewController.h"
#include "Windows/Preferences/GeneralViewController.h"
#include "Windows/Preferences/Security/SecurityViewController.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/view/Appearance.h"
#include "statusbar/HotkeyTextField.h"
#include "support/Gallery.h"
#include "support/TextContrast.h"
#include "ui/themechooser/ThemeViewController.h"

namespace vl {
namespace {

constexpr double kBar = 51;  // the tab bar and the line under it
constexpr double kPaneHeights[] = {530, 420, 420, 380, 200, 400};
const char* const kTitles[] = {"pref.general",  "pref.shortcuts", "pref.snippets",
                               "pref.security", "pref.theme",     "pref.advanced"};

class PreferencesWindowTest : public test::PreferencesFixture {
 protected:
  double top() const { return window_->frame().maxY(); }
  // Start-up again: a new window over the same settings.
  void relaunch() {
    window_->close();
    window_ = PreferencesWindow::registerPreferencesWindow(hooks());
    show();
  }
};

TEST_F(PreferencesWindowTest, EachTabFitsTheWindowToItsPaneWithTheTopEdgeKept) {
  show();
  const double T = window_->titlebarHeight();
  const double firstTop = top();
  for (std::size_t i : {0, 4, 1, 3, 5, 2, 0}) {
    bar().selectItemAtIndex(i);
    EXPECT_EQ(window_->frame().height(), kPaneHeights[i] + kBar + T) << i;
    EXPECT_EQ(window_->frame().width(), 650) << i;
    EXPECT_DOUBLE_EQ(top(), firstTop) << i;
    EXPECT_EQ(window_->title(), "Vellisto Preferences") << i;
    EXPECT_EQ(UserDefaults::standard().integerValue(PreferencesViewController::kSelectedIndexKey),
              static_cast<long long>(i));
  }
}

TEST_F(PreferencesWindowTest, TheStoredTabShowsAgainAndANameOfNoTabShowsGeneral) {
  struct Case {
    Json stored;
    std::size_t shown;
  };
  for (const Case& c : {Case{nullptr, 0}, Case{4, 4}, Case{6, 0}, Case{-1, 0}, Case{"3", 0}, Case{2.5, 0}}) {
    UserDefaults::standard().setObject(PreferencesViewController::kSelectedIndexKey, c.stored);
    relaunch();
    ASSERT_TRUE(bar().lastItem()) << c.stored;
    EXPECT_EQ(bar().lastItem()->index(), static_cast<std::int64_t>(c.shown)) << c.stored;
    EXPECT_EQ(window_->frame().height(), kPaneHeights[c.shown] + kBar + window_->titlebarHeight());
  }
  EXPECT_TRUE(logged("names no tab"));
}

TEST_F(PreferencesWindowTest, ShowingAgainKeepsTheTabAndItsSizeAndReselectingDoesNothing) {
  show();
  bar().selectItemAtIndex(4);
  window_->setFrameOrigin({10, 20});
  const ui::Rect frame = window_->frame();
  bar().selectItemAtIndex(4);
  EXPECT_EQ(window_->frame(), frame);
  window_->close();
  EXPECT_FALSE(WindowCenter::shared().windowAppear(kPreferencesWindowKey));
  show();
  EXPECT_TRUE(WindowCenter::shared().windowAppear(kPreferencesWindowKey));
  EXPECT_EQ(bar().lastItem()->index(), 4);
  EXPECT_EQ(window_->frame().size, frame.size);
}

TEST_F(PreferencesWindowTest, RecordersStopOnCloseAndLeavingGeneralAndSnippetsReloadOnKey) {
  std::vector<const void*> stops;
  int reloads = 0;
  Observation s =
      NotificationCenter::defaultCenter().observe(HotkeyTextField::kShouldStopMonitor, nullptr,
                                                  [&](const Notification& n) { stops.push_back(n.object); });
  Observation r = NotificationCenter::defaultCenter().observe(
      PreferencesWindow::kSnippetsShouldReload, nullptr, [&](const Notification&) { ++reloads; });
  show();
  EXPECT_EQ(reloads, 1);
  EXPECT_EQ(WindowCenter::shared().currentKeyWindow(), kPreferencesWindowKey);
  auto& general = pane<GeneralViewController>(0);
  stops.clear();
  bar().selectItemAtIndex(5);
  EXPECT_EQ(stops, (std::vector<const void*>{&general}));  // only the General pane's recorder
  window_->close();
  EXPECT_EQ(stops.back(), nullptr);
  EXPECT_FALSE(window_->appeared());
}

TEST_F(PreferencesWindowTest, SettingsWrittenByAnotherProcessReachTheOpenPanes) {
  show();
  auto& general = pane<GeneralViewController>(0);
  auto& advanced = pane<AdvancedViewController>(5);
  auto& theme = pane<ThemeViewController>(4);
  int reloads = 0;
  Observation r = NotificationCenter::defaultCenter().observe(
      PreferencesWindow::kSnippetsShouldReload, nullptr, [&](const Notification&) { ++reloads; });
  writeElsewhere(VLConfig::kPlaySound, true);
  writeElsewhere(VLConfig::kMaxTextLength, 1234);
  writeElsewhere(VLConfig::kPasteDirectly, false);
  writeElsewhere(VLConfig::kMergingCopy, true);
  writeElsewhere(VLConfig::kSecondConnector, "--");
  writeElsewhere(VLConfig::kThemeName, "forest");
  events_.advance(PreferencesViewController::kSettingsPollMs);
  for (const auto& thumbnail : theme.thumbnailList()) {
    EXPECT_EQ(thumbnail->selected(), thumbnail->getThemeName() == "forest") << thumbnail->getThemeName();
  }
  EXPECT_EQ(general.sound()->checkButton()->state(), 1);
  EXPECT_EQ(general.maxCharacters()->customTextField()->stringValue(), "1234");
  EXPECT_EQ(general.directPasteSetting()->checkButton()->state(), 0);
  EXPECT_EQ(advanced.mergingCopyConfig()->checkButton()->state(), 1);
  EXPECT_EQ(advanced.mergingCopyConfig()->customTextField()->stringValue(), "--");
  // Settings that are not the snippets' leave the snippets page as it is (it looks at its own itself).
  EXPECT_EQ(reloads, 0);

  window_->close();
  writeElsewhere(VLConfig::kPlaySound, false);
  events_.advance(2 * PreferencesViewController::kSettingsPollMs);
  EXPECT_EQ(general.sound()->checkButton()->state(), 1);  // a closed window does not watch
  show();
  EXPECT_EQ(general.sound()->checkButton()->state(), 0);  // shown again, it catches up at once
}

TEST_F(PreferencesWindowTest, TheSecurityTabIsTheIgnoreListPaneAndFollowsOtherProcesses) {
  show();
  bar().selectItemAtIndex(3);
  auto page = std::dynamic_pointer_cast<SecurityViewController>(bar().items()[3]->viewController());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->view()->frame().size, (ui::Size{650, 380}));
  EXPECT_NE(dynamic_cast<SettingsPane*>(page.get()), nullptr);
}

// The box of a check box or radio button in the window's points (the toolkit's 14-point mark, centred).
ui::Rect boxOf(const ui::Button& button) {
  const ui::Rect f = button.convertRectToView(button.bounds(), nullptr);
  return {f.minX(), f.minY() + std::round((f.height() - 14) / 2), 14, 14};
}

// The pixels inside the box: the blue of a chosen box's face, and the white of its mark (a tick, a dot).
struct BoxInk {
  int accent = 0;
  int white = 0;
};
BoxInk inkOf(const test::PixelProbe& picture, const ui::Rect& box) {
  BoxInk ink;
  for (double y = box.minY() + 2.5; y < box.maxY() - 2; y += 1) {
    for (double x = box.minX() + 2.5; x < box.maxX() - 2; x += 1) {
      const test::Pixel p = picture.at({x, y});
      if (p.b > p.r + 60) ++ink.accent;
      if (p.r > 235 && p.g > 235 && p.b > 235) ++ink.white;
    }
  }
  return ink;
}

TEST_F(PreferencesWindowTest, Gallery) {
  test::DesktopPaintingScope painting;
  relaunch();
  const char* names[] = {"general", "shortcuts", "snippets", "security", "theme", "advanced"};
  for (std::size_t i : {0, 1, 2, 3, 4, 5}) {
    bar().selectItemAtIndex(i);
    const auto written = test::writeGallery(*window_, std::string("preferences-") + names[i]);
    ASSERT_EQ(written.size(), 2u);
    // Light and dark: a ticked box shows its tick, a chosen radio button its dot; one left off shows none.
    std::vector<std::pair<ui::Button*, bool>> marks;
    std::vector<ui::Rect> arrows;  // where each pop-up draws its arrows
    if (i == 0) {
      auto& general = dynamic_cast<GeneralViewController&>(*bar().items()[0]->viewController());
      marks = {{general.directPasteSetting()->checkButton().get(), true},
               {general.launchAtLogin()->checkButton().get(), false}};
      // Every check box of the pane stands in one column.
      const double column = boxOf(*general.launchAtLogin()->checkButton()).minX();
      for (ui::Button* box :
           {general.directPasteSetting()->checkButton().get(), general.imageStore()->checkButton().get(),
            general.animate()->checkButton().get(), general.sound()->checkButton().get()}) {
        EXPECT_EQ(boxOf(*box).minX(), column);
      }
      for (ui::PopUpButton* popUp : {general.searchWay()->browserPopUpButton().get(),
                                     general.searchWay()->enginePopUpButton().get()}) {
        const ui::Rect f = popUp->convertRectToView(popUp->bounds(), nullptr);
        arrows.push_back({f.maxX() - 16, f.minY() + 4, 10, f.height() - 8});
      }
    } else if (i == 5) {
      auto& advanced = dynamic_cast<AdvancedViewController&>(*bar().items()[5]->viewController());
      const auto& merging = *advanced.mergingCopyConfig();
      marks = {{merging.radioSystemButton().get(), true}, {merging.radioCustomButton().get(), false}};
    }
    // The theme tab: each miniature's rows end before the miniature's right edge, so no text is cut there.
    std::vector<ui::Rect> rowEnds;
    if (i == 4) {
      auto& themes = dynamic_cast<ThemeViewController&>(*bar().items()[4]->viewController());
      for (const auto& thumbnail : themes.thumbnailList()) {
        for (const auto& row : {thumbnail->selectedRow(), thumbnail->unselectedRow()}) {
          const ui::Rect r = row->convertRectToView(row->bounds(), nullptr);
          rowEnds.push_back({r.maxX() - 4, r.minY() + 3, 3, r.height() - 6});
        }
      }
    }
    for (const std::string& path : written) {
      const auto picture = test::PixelProbe::fromPng(path);
      ASSERT_TRUE(picture.has_value()) << path;
      for (const ui::Rect& arrow : arrows) {
        const test::Pixel face = picture->at({arrow.minX() - 3, arrow.midY()});
        EXPECT_GT(picture->inkIn(arrow, face, 60).count, 6)
            << "no arrows at " << ui::stringFromRect(arrow) << " of " << path;
      }
      for (const ui::Rect& end : rowEnds) {
        const test::Pixel fill = picture->at({end.minX() + 0.5, end.minY() + 0.5});
        EXPECT_EQ(picture->inkIn(end, fill, 12).count, 0)
            << "text runs into " << ui::stringFromRect(end) << " of " << path;
      }
      for (const auto& [button, on] : marks) {
        ASSERT_EQ(button->state() == 1, on) << path;
        const BoxInk ink = inkOf(*picture, boxOf(*button));
        const std::string where = ui::stringFromRect(boxOf(*button)) + " of " + path;
        if (on) {
          EXPECT_GE(ink.accent, 20) << "the chosen box is not filled at " << where;
          EXPECT_GE(ink.white, 6) << "no mark drawn in the box at " << where;
        } else {
          EXPECT_EQ(ink.accent, 0) << where;
        }
      }
    }
  }
}

// Dark preferences: every text of every tab reads at 4.5:1 or better against what is behind it.
TEST_F(PreferencesWindowTest, EveryTextOfTheDarkPanesStandsOut) {
  test::DesktopPaintingScope painting;
  relaunch();
  ui::SystemAppearance::shared().setDark(true);
  for (std::size_t i : {0, 1, 2, 3, 4, 5}) {
    bar().selectItemAtIndex(i);
    const auto faults = test::textContrastFaults(*window_);
    EXPECT_TRUE(faults.empty()) << kTitles[i] << ":\n" << test::describe(faults);
  }
  ui::SystemAppearance::shared().setDark(false);
}

}  // namespace
}  // namespace vl
