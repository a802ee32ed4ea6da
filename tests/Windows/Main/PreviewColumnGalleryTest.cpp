#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/preview/Complement.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "core/keys/LocalShortcutsManager.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/Text.h"
#include "support/Gallery.h"
#include "support/TextContrast.h"
#include "theme/VLFont.h"
#include "ui/VLWindow.h"
#include "ui/WidgetTestSupport.h"

namespace vl {
namespace {

class PreviewColumnGallery : public test::WidgetTest {
 protected:
  void TearDown() override {
    PreviewColumnHooks::install({});
    VLEngine::resetForTesting();
    date::setDefaultTimeZone("");
    test::WidgetTest::TearDown();
  }
};

TEST_F(PreviewColumnGallery, TextHtmlFileRowsThatAreNoRecordAndNothingInLightAndDark) {
  test::DesktopPaintingScope painting;
  LocalShortcutsManager::shared().removeAllReceiversForTesting();
  date::setDefaultTimeZone("UTC");
  clock_->setNow(*date::parse("2026-12-10 15:30:00", "yyyy-MM-dd HH:mm:ss"));
  VLEngine::resetForTesting();
  VLEngine::shared().setFolders(home_.path());
  VLEngine::shared().load();

  struct Case {
    const char* name;
    std::string text;
    std::optional<Json> json;
    const char* alias;
  };
  const std::string note =
      "Release notes\n\nThe record list keeps its selection while the preview switch slides the column "
      "away, and the layout of the preview follows the theme.\n\n- faster search\n- quieter sound\n";
  const std::vector<Case> cases = {
      {"text", note, std::nullopt, "notes"},
      {"html", "Quarterly report\nRevenue grew 12% over the layout of last year.\nSee the attached table.",
       Json{{"html", "<h1>Quarterly report</h1><p>Revenue grew 12%</p>"}}, nullptr},
      {"file", "/home/user/Documents/layout-review.pdf",
       Json{{"custom_view", "FileView"}, {"file", "file:///home/user/Documents/layout-review.pdf"}}, nullptr},
      {"empty", "", std::nullopt, nullptr},
      {"web-search-row", "Search the web for 'layout'",
       Json{{"search", true}, {"custom_view", "EmbededWebview"}, {"search_context", "layout"}}, nullptr},
      {"pin-tab-tip", "Records you pin to \"Links\" show up here", Json{{"default_tip", "1"}}, nullptr},
  };
  for (const Case& c : cases) {
    auto window =
        VLWindow::create({60, 60, Complement::kWidth, Complement::kHeight}, ui::WindowStyle::Titled);
    auto column = Complement::create();
    HintTableHooks hooks;
    hooks.preview = [column](const PreviewNotice& n) { column->show(n); };
    hooks.clearPreview = [column] { column->clear(); };
    auto list = HintTable2::create(hooks);
    PreviewColumnHooks columnHooks;
    columnHooks.list = [list] { return list; };
    PreviewColumnHooks::install(columnHooks);
    window->contentView()->addSubview(column);
    if (!c.text.empty()) {
      VLEngine::shared().append(c.text, std::nullopt, c.json,
                                c.alias ? std::optional<std::string>(c.alias) : std::nullopt,
                                kClipboardPinTabId);
      std::vector<Range> matches;
      const auto at = c.text.find("layout");
      if (at != std::string::npos) matches.emplace_back(utf16IndexOfByteOffset(c.text, at), 6);
      auto row = DisplayAttributedString::resultRow(c.text, matches, VLFont::mainFont());
      row->setJson(c.json);
      row->setTimestamp(clock_->now() - 3 * 3600);
      list->refreshDataSource({row}, false);
      list->reload();
      list->tableView()->selectRowIndexes(ui::IndexSet{0}, false);
      list->update();
    } else {
      column->clear();
    }
    dispatch::MainLoop::runUntilIdle();
    const auto written = test::writeGallery(*window, std::string("preview-column-") + c.name);
    ASSERT_EQ(written.size(), 2u) << c.name;
    // Every text, the matches on their highlight included, reads after each change of look.
    for (bool dark : {true, false}) {
      setDark(dark);
      const auto faults = test::textContrastFaults(*window);
      EXPECT_TRUE(faults.empty()) << c.name << (dark ? " dark" : " light") << ":\n" << test::describe(faults);
    }
    auto probe = test::PixelProbe::fromPng(written[0]);
    ASSERT_TRUE(probe);
    // The toolbar's delete button shows in the accent colour while there is a record to delete; with
    // none it is off, its grey title on the plain face; a row that is no record has no button at all.
    const bool record = !c.json || (!c.json->contains("search") && !c.json->contains("default_tip"));
    const ui::Color face = colorOf(!record          ? "toolbarBackgroundColor"
                                   : c.text.empty() ? "viceButtonBackgroundColor"
                                                    : "accentColor");
    const test::Pixel button = probe->at({336 / 2 + 5 + 20, 50 + 20});
    EXPECT_NEAR(button.r, face.red * 255, 3) << c.name;
    EXPECT_NEAR(button.b, face.blue * 255, 3) << c.name;
    PreviewColumnHooks::install({});
  }
}

}  // namespace
}  // namespace vl
