#include <atomic>
#include <thread>

#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "core/notify/VLAppNotifcationCenter.h"
#include "pins/PinManager.h"
#include "pins/PinTab.h"
#include "startup/StartupTestSupport.h"

namespace vl::test {
namespace {

namespace fs = std::filesystem;

using StartupTest = StartupFixture;

std::shared_ptr<Vellisto_Chunk> clipboardRecord(const std::string& text) {
  return VLEngine::shared().getChunkByContext(text, std::nullopt, kClipboardPinTabId);
}

TEST_F(StartupTest, CopyIsStoredQuitPostsKillAndSecondStartFindsTheRecord) {
  DistributedNotificationCenter& centre = DistributedNotificationCenter::defaultCenter();
  centre.setDeliveryExecutor([](std::function<void()> deliver) { deliver(); });
  // Datagrams arrive on the centre's receiving thread.
  std::mutex mutex;
  std::condition_variable arrived;
  std::optional<std::string> killSender;
  std::uint64_t observer =
      centre.addObserver(VLAppNotifcationCenter::kKillPreferences, "", [&](const DistributedNotification& n) {
        std::lock_guard lock(mutex);
        killSender = n.sender;
        arrived.notify_all();
      });

  startProgram();
  for (const char* relative : {".vellisto/data", ".vellisto/file", ".vellisto/audio", ".vellisto/web",
                               ".vellisto/forever", ".vellisto/log", ".vellisto/pin"}) {
    EXPECT_TRUE(files::isDirectory(home() + "/" + relative)) << relative;
  }
  // The defaults are on disk, in the shared suite's file.
  EXPECT_TRUE(files::isRegularFile(UserDefaults::suite(UserDefaults::kGroupSuite).filePath()));
  EXPECT_EQ(CrashAnalyticsService::shared().appSecret(), AppDelegate::kCrashAnalyticsSecret);
  ASSERT_NE(PinManager::shared().clipboardPinTab(), nullptr);
  EXPECT_EQ(PinManager::shared().clipboardPinTab()->activeState(), PinTab::kActive);

  copyFromOtherProgram("a line copied in another program");
  std::optional<std::string> doc = firstDocText();
  ASSERT_TRUE(doc) << "BigDoc_0 is missing or not gzip";
  EXPECT_NE(doc->find("a line copied in another program"), std::string::npos);
  // What was on the pasteboard before the start is not taken as a copy.
  EXPECT_EQ(doc->find("before start"), std::string::npos);

  delegate_->terminate();
  EXPECT_TRUE(app_->isTerminating());
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(arrived.wait_for(lock, std::chrono::seconds(5), [&] { return killSender.has_value(); }))
        << "VELLISTO_killPreferences was not posted";
    EXPECT_EQ(killSender, AppDelegate::kMainAppIdentifier);
  }
  // Termination saved the installed-application dictionary.
  EXPECT_TRUE(UserDefaults::standard().object(AppInstalledManager::kSaveKey).has_value());
  centre.removeObserver(observer);
  centre.setDeliveryExecutor(nullptr);

  stopProgram();
  EXPECT_EQ(clipboardRecord("a line copied in another program"), nullptr);
  startProgram();
  std::shared_ptr<Vellisto_Chunk> again = clipboardRecord("a line copied in another program");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->sig(), Vellisto_Chunk::md5HexDigest("a line copied in another program"));
}

TEST_F(StartupTest, InstalledApplicationsBecomeRecordsAndBrokenEntriesAreSkipped) {
  addSystemEntry("firefox.desktop",
                 "[Desktop Entry]\nType=Application\nName=Firefox\nExec=firefox %u\n"
                 "MimeType=text/html;x-scheme-handler/http;x-scheme-handler/https;\n");
  addSystemEntry("Notes.desktop", "[Desktop Entry]\nType=Application\nName=Notes\nExec=notes\n");
  addSystemEntry("broken.desktop", "this is no desktop entry\n");

  startProgram();
  waitForGathering();
  std::shared_ptr<Vellisto_Chunk> notes = clipboardRecord("Notes");
  ASSERT_NE(notes, nullptr);
  ASSERT_TRUE(notes->json().has_value());
  EXPECT_EQ((*notes->json())["app"], true);
  EXPECT_EQ((*notes->json())["app_path"], systemApps() + "/Notes.desktop");
  EXPECT_EQ(clipboardRecord("broken"), nullptr);
  EXPECT_TRUE(StartupLog::contains("broken.desktop"));

  // The gathering updated the browser list of key 104.
  std::optional<Json> webSearch = VLConfig::shared().getValueOfKey(VLConfig::kWebSearch);
  ASSERT_TRUE(webSearch && webSearch->is_object());
  EXPECT_EQ((*webSearch)["browserList"], Json::array({"Default browser", "firefox"}));

  // Capture keeps working after the gathering.
  copyFromOtherProgram("copied after indexing");
  EXPECT_NE(clipboardRecord("copied after indexing"), nullptr);
}

TEST_F(StartupTest, RefreshingApplicationsTouchesOnlyApplicationRecords) {
  struct Case {
    std::string name;
    std::optional<Json> before;
    bool becomesApplication;
  };
  const std::vector<Case> cases = {
      // Copied texts that equal an application's name stay copies: pasting them must paste them.
      // (Names no other test installs: the index remembers the names it saw for the whole process.)
      {"Webfox", Json{{"html", "<b>Webfox</b>"}}, false},
      {"Termina", Json{{"rich_text", "{\\rtf1 Termina}"}}, false},
      // What capture stores for a plain copy: it stays a copy across starts.
      {"Scratchpad", Json::object(), false},
      {"Editora", Json{{"app", true}, {"app_path", "/gone/Editora.desktop"}}, true},
  };
  startProgram();
  for (const Case& c : cases) VLEngine::shared().append(c.name, std::nullopt, c.before, kClip);
  stopProgram();
  for (const Case& c : cases)
    addSystemEntry(c.name + ".desktop", "[Desktop Entry]\nType=Application\nName=" + c.name + "\nExec=x\n");

  startProgram();
  waitForGathering();
  stopProgram();
  startProgram();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::shared_ptr<Vellisto_Chunk> record = clipboardRecord(c.name);
    ASSERT_NE(record, nullptr);
    const Json application = {{"app", true}, {"app_path", systemApps() + "/" + c.name + ".desktop"}};
    EXPECT_EQ(record->json(), c.becomesApplication ? std::optional<Json>(application) : c.before);
  }
}

TEST_F(StartupTest, UnwritableHomeIsReportedAndTheProgramKeepsRunning) {
  // A home below a plain file can hold nothing, whoever runs the test.
  std::ofstream(root() + "/not-a-folder") << "x";
  useHome(root() + "/not-a-folder/home");

  startProgram();
  EXPECT_TRUE(StartupLog::contains("start-up: the home folder " + home() + " cannot hold"));
  EXPECT_TRUE(app_->isLaunched());

  copyFromOtherProgram("kept in memory only");
  EXPECT_NE(clipboardRecord("kept in memory only"), nullptr);
}

TEST_F(StartupTest, ForeignFilesInTheDataFolderAreLeftAloneAndCaptureGoesOn) {
  const std::string data = home() + "/.vellisto/data";
  fs::create_directories(data);
  std::ofstream(data + "/notes.txt") << "mine";
  std::ofstream(data + "/BigDoc_junk") << "not a doc";
  std::ofstream(data + "/BigDoc_0") << "not gzip at all";
  fs::create_directories(data + "/BigDoc_7");

  startProgram();
  copyFromOtherProgram("stored beside foreign files");
  EXPECT_NE(clipboardRecord("stored beside foreign files"), nullptr);

  EXPECT_EQ(files::readFile(data + "/notes.txt"), std::optional<std::string>("mine"));
  // A doc file that does not read is copied aside before the store writes over it.
  bool kept = false;
  for (const auto& entry : fs::directory_iterator(data)) {
    if (entry.path().filename().string().rfind("damaged-BigDoc_0-", 0) == 0) {
      kept = files::readFile(entry.path().string()) == std::optional<std::string>("not gzip at all");
    }
  }
  EXPECT_TRUE(kept) << "the foreign BigDoc_0 was lost";
  EXPECT_TRUE(files::isDirectory(data + "/BigDoc_7"));

  // And the record survives a restart.
  stopProgram();
  startProgram();
  EXPECT_NE(clipboardRecord("stored beside foreign files"), nullptr);
}

// The fixture moves HOME between tests and within them while threads of the program may still read the
// folders derived from it; ThreadSanitizer sees a change that the readers do not wait for.
TEST_F(StartupTest, TheHomeFolderMovesWhileAThreadReadsIt) {
  std::atomic<bool> done{false};
  std::atomic<int> reads{0};
  std::thread reader([&] {
    while (!done) {
      if (!files::homeDirectory().empty() && !UserDefaults::directory().empty()) ++reads;
    }
  });
  int moves = 0;
  while ((moves < 100 || reads < 100) && moves < 100000)
    useHome(root() + "/home" + std::to_string(++moves % 3));
  done = true;
  reader.join();
  EXPECT_GE(reads, 100);
  EXPECT_EQ(files::homeDirectory(), root() + "/home" + std::to_string(moves % 3));
}

}  // namespace
}  // namespace vl::test
