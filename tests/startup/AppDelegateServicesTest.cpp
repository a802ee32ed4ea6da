#include <sys/stat.h>

#include "platform/system/desktop/LoginItem.h"
#include "startup/StartupTestSupport.h"

namespace vl::test {
namespace {

using AppDelegateServicesTest = StartupFixture;

// "Default browser" leads the list, then the browsers installed here by entry id; a choice that is gone
// falls back to the desktop's own browser.
TEST_F(AppDelegateServicesTest, BrowserListIsTheDefaultBrowserAndTheInstalledOnes) {
  const DesktopEntryItem firefox{"firefox-esr", "/a/firefox-esr.desktop", "Firefox ESR", true};
  const DesktopEntryItem chromium{"chromium", "/a/chromium.desktop", "Chromium", true};
  struct Case {
    const char* what;
    std::vector<DesktopEntryItem> browsers;
    Json storedBrowser;
    Json expectedList;
    std::string expectedBrowser;
  };
  const std::vector<Case> cases = {
      {"none installed", {}, nullptr, {"Default browser"}, "Default browser"},
      {"a listed browser stays",
       {chromium, firefox},
       "firefox-esr",
       {"Default browser", "chromium", "firefox-esr"},
       "firefox-esr"},
      {"a browser gone", {chromium}, "firefox-esr", {"Default browser", "chromium"}, "Default browser"},
      {"the other platform's choice",
       {firefox},
       "Safari",
       {"Default browser", "firefox-esr"},
       "Default browser"},
      {"one entry twice", {firefox, firefox}, 7, {"Default browser", "firefox-esr"}, "Default browser"},
  };
  startProgram();
  VLConfig& config = VLConfig::shared();
  for (const Case& c : cases) {
    Json stored = {{"engine", "Google"}, {"engineList", {"Google"}}, {"browserList", {"Old"}}};
    if (!c.storedBrowser.is_null()) stored["browser"] = c.storedBrowser;
    config.setValueOfKey(VLConfig::kWebSearch, stored);
    AppDelegate::saveInstalledBrowsers(c.browsers);
    Json value = config.getValueOfKey(VLConfig::kWebSearch).value_or(Json());
    EXPECT_EQ(value["browserList"], c.expectedList) << c.what;
    EXPECT_EQ(value["browser"], c.expectedBrowser) << c.what;
    EXPECT_EQ(value["engine"], "Google") << c.what << ": the rest of the dictionary is kept";
  }

  config.setValueOfKey(VLConfig::kWebSearch, "not a dictionary");
  AppDelegate::saveInstalledBrowsers({firefox});
  Json rebuilt = config.getValueOfKey(VLConfig::kWebSearch).value_or(Json());
  EXPECT_EQ(rebuilt["browserList"], Json::array({"Default browser", "firefox-esr"}));
  EXPECT_TRUE(StartupLog::contains("settings key 104 holds no dictionary"));
}

TEST_F(AppDelegateServicesTest, LaunchAtLoginWritesAnAutostartEntryForTheLauncherBesideTheProgram) {
  startProgram();
  const std::string folder = root() + "/install dir";
  std::filesystem::create_directories(folder);
  AppDelegate::setProgramFolderForTesting(folder);
  const std::string entry = home() + "/.config/autostart/com.norrak.vellisto.launcher.pro.desktop";

  // No launcher beside the program: nothing is written and the flag keeps its value.
  EXPECT_FALSE(delegate_->launchAtLogin(true));
  EXPECT_FALSE(files::exists(entry));
  EXPECT_FALSE(delegate_->getLoginItemStatus());

  std::ofstream(folder + "/vellisto-launcher") << "#!/bin/sh\n";
  ASSERT_TRUE(delegate_->launchAtLogin(true));
  EXPECT_TRUE(delegate_->getLoginItemStatus());
  EXPECT_TRUE(LoginItem::isEnabled(AppDelegate::kLauncherAppId));
  std::optional<std::string> text = files::readFile(entry);
  ASSERT_TRUE(text);
  EXPECT_NE(text->find("Exec=\"" + folder + "/vellisto-launcher\"\n"), std::string::npos) << *text;
  EXPECT_NE(text->find("Type=Application\n"), std::string::npos);

  ASSERT_TRUE(delegate_->launchAtLogin(false));
  EXPECT_FALSE(files::exists(entry));
  EXPECT_FALSE(delegate_->getLoginItemStatus());
  // Disabling what is already off is no failure.
  EXPECT_TRUE(delegate_->launchAtLogin(false));
}

TEST(LoginItem, ExecArgumentsKeepEveryCharacterOfThePath) {
  struct Case {
    const char* path;
    const char* written;
  };
  // The second column is the file's text: quoting first, then the string escape of backslashes.
  const std::vector<Case> cases = {
      {"/opt/vellisto/vellisto-launcher", R"("/opt/vellisto/vellisto-launcher")"},
      {"/home/a b/launcher", R"("/home/a b/launcher")"},
      {"/tmp/say \"hi\"/l", R"("/tmp/say \\"hi\\"/l")"},
      {"/tmp/$HOME/l", R"("/tmp/\\$HOME/l")"},
      {"/tmp/back\\slash/l", R"("/tmp/back\\\\slash/l")"},
      {"/tmp/100%/l", R"("/tmp/100%%/l")"},
      {"/tmp/`tick`/l", R"("/tmp/\\`tick\\`/l")"},
  };
  for (const Case& c : cases) EXPECT_EQ(LoginItem::execArgument(c.path), c.written) << c.path;
}

TEST_F(AppDelegateServicesTest, AutostartEntryStates) {
  const std::string program = root() + "/launcher";
  std::ofstream(program) << "x";
  const std::string id = "test.item";
  ASSERT_TRUE(LoginItem::setEnabled(id, true, program, "Test"));
  // The user switched it off in the desktop's settings.
  std::ofstream(LoginItem::entryPath(id), std::ios::app) << "Hidden = true\n";
  EXPECT_FALSE(LoginItem::isEnabled(id));

  EXPECT_FALSE(LoginItem::setEnabled(id, true, "relative/launcher"));
  EXPECT_FALSE(LoginItem::setEnabled(id, true, program + "\nExec=/bin/evil"));
  EXPECT_FALSE(LoginItem::setEnabled("../escape", true, program));
  EXPECT_FALSE(files::exists(home() + "/.config/escape.desktop"));
}

TEST(CrashAnalyticsService, StartsOnlyWithAGuidSecretAndAService) {
  const std::vector<std::string> badSecrets = {
      "",
      "5c0d9a17-3e42-4b8f-a6d1-70e2f4b9c38",    // 35 characters
      "5c0d9a17-3e42-4b8f-a6d1-70e2f4b9c3866",  // 37
      "5c0d9a17-3e42-4b8f-a6d1-70e2f4b9c38g",   // not hex
      "5c0d9a173-e42-4b8f-a6d1-70e2f4b9c386",   // dash out of place
  };
  CrashAnalyticsService service;
  for (const std::string& secret : badSecrets) {
    EXPECT_FALSE(service.start(secret, CrashAnalyticsService::Analytics)) << secret;
  }
  EXPECT_FALSE(service.start(AppDelegate::kCrashAnalyticsSecret, 0));
  EXPECT_FALSE(service.isStarted());
  ASSERT_TRUE(service.start(AppDelegate::kCrashAnalyticsSecret, CrashAnalyticsService::Crashes));
  EXPECT_FALSE(service.start(AppDelegate::kCrashAnalyticsSecret, CrashAnalyticsService::Analytics));
  EXPECT_EQ(service.services(), unsigned(CrashAnalyticsService::Crashes));
  // Crash reporting alone records no events.
  service.trackEvent("active");
  EXPECT_TRUE(service.events().empty());
}

TEST(CrashAnalyticsService, RecordsEventsLocallyOnceStarted) {
  vl::test::TempDir dir("vl-analytics");
  const std::string file = dir / "analytics.log";
  CrashAnalyticsService service;
  service.trackEvent("before start");
  ASSERT_TRUE(service.start(AppDelegate::kCrashAnalyticsSecret,
                            CrashAnalyticsService::Analytics | CrashAnalyticsService::Crashes, file));
  service.trackEvent("do-search");
  service.trackEvent("do-paste", {{"rows", 2}});
  std::vector<CrashAnalyticsService::Event> events = service.events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].name, "do-search");
  EXPECT_EQ(events[1].properties, (Json{{"rows", 2}}));

  std::optional<std::string> text = files::readFile(file);
  ASSERT_TRUE(text);
  EXPECT_EQ(std::count(text->begin(), text->end(), '\n'), 2);
  EXPECT_NE(text->find("\"do-paste\""), std::string::npos);

  for (std::size_t i = 0; i < CrashAnalyticsService::kMemoryLimit + 5; ++i) service.trackEvent("active");
  EXPECT_EQ(service.events().size(), CrashAnalyticsService::kMemoryLimit);
}

}  // namespace
}  // namespace vl::test
