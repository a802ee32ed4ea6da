#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/SharedServicesFixture.h"
#include "core/apps/AppInstalledManager.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

namespace fs = std::filesystem;

// The record store as far as the index sees it: records by text, and the calls made.
class FakeRecordStore : public AppRecordStore {
 public:
  bool hasApplicationRecord(const std::string& name) override { return records.count(name) > 0; }
  void updateApplicationRecord(const std::string& name, const Json& json) override {
    records[name] = json;
    calls.push_back("update " + name + " " + json.value("app_path", ""));
  }
  void appendApplicationRecord(const std::string& name, const Json& json) override {
    records[name] = json;
    calls.push_back("append " + name + " " + json.value("app_path", ""));
  }

  std::map<std::string, Json> records;
  std::vector<std::string> calls;
};

// A private HOME, config folder and pair of application folders (the user's and the system's).
class AppInstalledManagerTest : public SharedServicesFixture {
 protected:
  void SetUp() override {
    SharedServicesFixture::SetUp();
    dispatch::MainLoop::adoptCurrentThread();
    userApps_ = dir() + "/user/applications";
    systemApps_ = dir() + "/system/applications";
    fs::create_directories(userApps_);
    fs::create_directories(systemApps_);
    env_.set("XDG_DATA_HOME", dir() + "/user");
    env_.set("XDG_DATA_DIRS", dir() + "/system");
  }

  static std::string entryText(const std::string& name) {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + name + "\n";
  }
  std::string addEntry(const std::string& folder, const std::string& file,
                       const std::string& text = std::string()) {
    std::string path = folder + "/" + file;
    std::ofstream(path) << (text.empty() ? entryText(file) : text);
    return path;
  }

  // Starts a gathering (unless one runs) and runs the main loop until the index has handled it.
  void gather(AppInstalledManager& manager, bool start = true) {
    if (start) {
      ASSERT_TRUE(manager.startQuery());
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (manager.appQuery()->isStarted()) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the gathering never reported";
      dispatch::MainLoop::runUntilIdle();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  std::string userApps_;
  std::string systemApps_;
  vl::test::ScopedEnv env_;
};

TEST_F(AppInstalledManagerTest, FirstGatheringAddsOneRecordPerApplicationName) {
  std::string mine = addEntry(userApps_, "Editor.desktop");
  addEntry(systemApps_, "Editor.desktop");
  fs::create_directories(systemApps_ + "/kde");
  addEntry(systemApps_ + "/kde", "Editor.desktop");
  std::string viewer = addEntry(systemApps_, "org.app.Viewer.desktop");

  auto store = std::make_shared<FakeRecordStore>();
  store->records["org.app.Viewer"] = "copied text";  // an existing record is refreshed, not duplicated
  AppInstalledManager manager;
  manager.setRecordStore(store);
  std::vector<Json> handed;
  manager.setInstalledBrowsersHandler([&handed](const Json& dict) { handed.push_back(dict); });
  gather(manager);

  EXPECT_EQ(store->calls,
            (std::vector<std::string>{"append Editor " + mine, "update org.app.Viewer " + viewer}));
  EXPECT_EQ(store->records["Editor"], (Json{{"app", true}, {"app_path", mine}}));
  Json expected = {{"Editor", true}, {"org.app.Viewer", true}};
  EXPECT_EQ(manager.appItemDict(), expected);
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_EQ(handed[0], expected);
  EXPECT_EQ(manager.getAppPath("Editor"), mine);
  EXPECT_EQ(manager.getAppPath("org.app.Viewer"), viewer);
}

TEST_F(AppInstalledManagerTest, LaterGatheringsAddOnlyNewApplicationsAndKeepRemovedOnes) {
  std::string editor = addEntry(systemApps_, "Editor.desktop");
  addEntry(systemApps_, "Viewer.desktop");
  auto store = std::make_shared<FakeRecordStore>();
  AppInstalledManager manager;
  manager.setRecordStore(store);
  gather(manager);
  ASSERT_EQ(store->calls.size(), 2u);

  fs::remove(systemApps_ + "/Viewer.desktop");
  std::string player = addEntry(userApps_, "Player.desktop");
  // A record the user deleted in this run stays deleted until the next run.
  store->records.erase("Editor");
  store->calls.clear();
  gather(manager);

  EXPECT_EQ(store->calls, std::vector<std::string>{"append Player " + player});
  EXPECT_EQ(manager.appItemDict(), (Json{{"Editor", true}, {"Player", true}, {"Viewer", false}}));
  EXPECT_FALSE(manager.isInstalled("Viewer"));
  EXPECT_EQ(manager.getAppPath("Editor"), editor);
}

TEST_F(AppInstalledManagerTest, EachRunStartsAfreshSoDeletedRecordsComeBack) {
  std::string editor = addEntry(systemApps_, "Editor.desktop");
  auto store = std::make_shared<FakeRecordStore>();
  {
    AppInstalledManager firstRun;
    firstRun.setRecordStore(store);
    gather(firstRun);
    firstRun.saveAppItemDict();
  }
  EXPECT_EQ(UserDefaults::standard().object(AppInstalledManager::kSaveKey), (Json{{"Editor", true}}));
  EXPECT_FALSE(UserDefaults::standard().object(AppInstalledManager::kLoadKey).has_value());

  store->records.erase("Editor");
  store->calls.clear();
  AppInstalledManager secondRun;
  secondRun.setRecordStore(store);
  gather(secondRun);
  EXPECT_EQ(store->calls, std::vector<std::string>{"append Editor " + editor});
}

TEST_F(AppInstalledManagerTest, NamesAlreadyInTheLoadedDictionaryAreNotNew) {
  addEntry(systemApps_, "Editor.desktop");
  std::string viewer = addEntry(systemApps_, "Viewer.desktop");
  // Written by something else: only names with a flag are taken.
  UserDefaults::standard().setObject(AppInstalledManager::kLoadKey,
                                     Json{{"Editor", true}, {"Gone", 1}, {"Odd", "yes"}, {"Off", false}});
  auto store = std::make_shared<FakeRecordStore>();
  AppInstalledManager manager;
  manager.setRecordStore(store);
  EXPECT_EQ(manager.appItemDict(), (Json{{"Editor", true}, {"Gone", true}, {"Off", false}}));
  gather(manager);
  EXPECT_EQ(store->calls, std::vector<std::string>{"append Viewer " + viewer});
  EXPECT_EQ(manager.appItemDict(),
            (Json{{"Editor", true}, {"Gone", false}, {"Off", false}, {"Viewer", true}}));
}

TEST_F(AppInstalledManagerTest, OneGatheringAtATime) {
  addEntry(systemApps_, "Editor.desktop");
  auto store = std::make_shared<FakeRecordStore>();
  AppInstalledManager manager;
  manager.setRecordStore(store);
  ASSERT_TRUE(manager.startQuery());
  EXPECT_FALSE(manager.startQuery());
  gather(manager, false);
  EXPECT_EQ(store->calls.size(), 1u);
  gather(manager);  // free again once the gathering was handled
}

TEST_F(AppInstalledManagerTest, AppPathDecodesTheNameAndStaysInTheApplicationFolders) {
  std::string spaced = addEntry(userApps_, "My App.desktop");
  AppInstalledManager manager;
  // Before any gathering the folders are looked at directly.
  EXPECT_EQ(manager.getAppPath("My%20App"), spaced);
  addEntry(dir(), "Outside.desktop");
  EXPECT_EQ(manager.getAppPath("..%2FOutside"), "");
  EXPECT_EQ(manager.getAppPath("../Outside"), "");
  EXPECT_EQ(manager.getAppPath(""), "");
}

}  // namespace
}  // namespace vl
