#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Windows/About/AboutViewController.h"
#include "Windows/About/AboutWindow.h"
#include "Windows/About/HelpViewController.h"
#include "Windows/About/HelpWindow.h"
#include "Windows/Main/WindowCenter.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Resources.h"
#include "platform/system/web/HeadlessWebEngine.h"
#include "support/Gallery.h"
#include "ui/WidgetTestSupport.h"

namespace vl {
namespace {

class AboutWindowsTest : public test::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    WindowCenter::shared().resetForTesting();
    WebEngine::install(engine_);
  }
  void TearDown() override {
    WindowCenter::shared().resetForTesting();
    WebEngine::install(nullptr);
    env_.set("VELLISTO_RESOURCES", std::nullopt);
    resetResourceDirectoryForTesting();
    WidgetTest::TearDown();
  }
  static AboutViewController& aboutController(const std::shared_ptr<AboutWindow>& window) {
    return static_cast<AboutViewController&>(*window->contentViewController());
  }
  static std::optional<ui::Color> firstColour(const ui::TextView& text) {
    return text.length() ? text.textStorage().attributesAt(0).foregroundColor : std::nullopt;
  }

  std::shared_ptr<HeadlessWebEngine> engine_ = std::make_shared<HeadlessWebEngine>();
};

TEST_F(AboutWindowsTest, TheVersionLineNamesVersionBuildAndLinux) {
  AboutViewController controller("2.1", "300");
  controller.view();
  EXPECT_EQ(controller.versionTextView()->string(), localized("about.version") + " 2.1 (300) for Linux");
  EXPECT_EQ(controller.appNameTextView()->string(), "Vellisto");
  EXPECT_EQ(controller.copyrightTextView()->string(), localized("about.copyright"));
  ASSERT_NE(controller.iconImageView()->image(), nullptr);
}

TEST_F(AboutWindowsTest, TheIntroductionSwapsWithLightAndDark) {
  auto window = AboutWindow::registerAboutWindow();
  AboutViewController& controller = aboutController(window);
  controller.view();
  EXPECT_EQ(controller.loadedDocument(), "introduce-light");
  const auto light = firstColour(*controller.introduceTextView());
  ASSERT_TRUE(light.has_value());
  setDark(true);
  EXPECT_EQ(controller.loadedDocument(), "introduce-dark");
  ASSERT_TRUE(firstColour(*controller.introduceTextView()).has_value());
  EXPECT_NE(*firstColour(*controller.introduceTextView()), *light);
  EXPECT_GT(controller.introduceTextView()->frame().height(), 100) << "the text view grows to its text";

  // Without the documents the introduction stays as it was.
  const std::string shown = controller.introduceTextView()->string();
  test::TempDir empty;
  env_.set("VELLISTO_RESOURCES", empty.path());
  resetResourceDirectoryForTesting();
  setDark(false);
  EXPECT_EQ(controller.loadedDocument(), "introduce-dark");
  EXPECT_EQ(controller.introduceTextView()->string(), shown);
}

TEST_F(AboutWindowsTest, OpeningTheWindowsTwiceShowsTheSameWindowsAsTheyWere) {
  auto about = AboutWindow::registerAboutWindow();
  auto help = HelpWindow::registerHelpWindow();
  WindowCenter& center = WindowCenter::shared();
  for (const char* key : {kAboutWindowKey, kHelpWindowKey}) {
    center.showWindowByKey(key);
    auto shown = center.windowForKey(key);
    EXPECT_TRUE(center.windowAppear(key)) << key;
    EXPECT_EQ(center.currentKeyWindow(), key);
    const auto content = shown->contentViewController()->view();
    shown->close();
    EXPECT_FALSE(center.windowAppear(key)) << key;
    center.showWindowByKey(key);
    EXPECT_EQ(center.windowForKey(key), shown) << key;
    EXPECT_EQ(shown->contentViewController()->view(), content) << key;
    EXPECT_TRUE(shown->isVisible()) << key;
    shown->close();
  }
  EXPECT_EQ(about->frame().size.width, AboutWindow::kWidth);
  EXPECT_EQ(help->title(), "Vellisto Help");
  EXPECT_EQ(about->title(), "About Vellisto");
}

// What the About window, the manual and the string table say is said in a Linux desktop's words: the
// tray menu, Ctrl and Alt, never the other platform's menu names or key symbols.
TEST(ShippedTextsTest, SpeakOfTheLinuxDesktop) {
  const std::vector<std::string> foreign = {"status menu", "menu bar", "\u2318",   "\u2325",
                                            "\u2303",      "Cmd+",     "Command-", "Option-"};
  std::vector<std::filesystem::path> files = {std::filesystem::path(VL_RESOURCES_DIR) / "strings/en.json",
                                              std::filesystem::path(VL_RESOURCES_DIR) / "introduce-light.rtf",
                                              std::filesystem::path(VL_RESOURCES_DIR) / "introduce-dark.rtf"};
  for (const auto& page :
       std::filesystem::directory_iterator(std::filesystem::path(VL_RESOURCES_DIR) / "help"))
    files.push_back(page.path());
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in) << file;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const std::string& word : foreign)
      EXPECT_EQ(text.find(word), std::string::npos) << word << " in " << file;
  }
}

TEST_F(AboutWindowsTest, HelpLoadsTheShippedManualEachTimeItShows) {
  auto help = HelpWindow::registerHelpWindow();
  auto& controller = static_cast<HelpViewController&>(*help->contentViewController());
  const std::string home = HelpViewController::manualHomeURL();
  ASSERT_TRUE(home.starts_with("file://") && home.ends_with("/help/index.html")) << home;
  WindowCenter::shared().showWindowByKey(kHelpWindowKey);
  dispatch::MainLoop::runUntilIdle();
  ASSERT_EQ(engine_->loads().size(), 1u);
  EXPECT_EQ(engine_->loads()[0].url, home);
  EXPECT_EQ(controller.webViewToolbar()->homeURL(), home);
  controller.webView()->loadURL(home.substr(0, home.size() - 10) + "keys.html");
  dispatch::MainLoop::runUntilIdle();
  EXPECT_TRUE(controller.webViewToolbar()->back()->enabled());
  help->close();
  WindowCenter::shared().showWindowByKey(kHelpWindowKey);
  dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(engine_->loads().back().url, home);
  EXPECT_TRUE(controller.webViewToolbar()->back()->enabled()) << "the pages seen stay behind Back";
  help->close();
}

// The manual's pages link to each other and to their style sheet only; every link must lead somewhere.
TEST_F(AboutWindowsTest, EveryLinkOfTheManualLeadsToAShippedFile) {
  const std::filesystem::path folder = std::filesystem::path(VL_RESOURCES_DIR) / "help";
  int pages = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".html") continue;
    ++pages;
    std::ifstream in(entry.path());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const std::string attribute : {"href=\"", "src=\""}) {
      for (std::size_t at = text.find(attribute); at != std::string::npos;
           at = text.find(attribute, at + 1)) {
        const std::size_t start = at + attribute.size();
        const std::string target = text.substr(start, text.find('"', start) - start);
        EXPECT_EQ(target.find(':'), std::string::npos) << entry.path() << " leaves the manual: " << target;
        EXPECT_TRUE(std::filesystem::is_regular_file(folder / target)) << entry.path() << " -> " << target;
      }
    }
  }
  EXPECT_GE(pages, 5);
}

TEST_F(AboutWindowsTest, Gallery) {
  test::DesktopPaintingScope painting;
  auto about = AboutWindow::registerAboutWindow();
  about->contentViewController()->view();
  about->display();
  EXPECT_EQ(test::writeGallery(*about, "about-window").size(), 2u);
}

}  // namespace
}  // namespace vl
