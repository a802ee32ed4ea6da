#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <thread>

#include "SharedServicesFixture.h"
#include "core/VLConfig.h"
#include "core/notify/VLAppNotifcationCenter.h"

namespace vl {
namespace {

using Center = VLAppNotifcationCenter;

// A record store that keeps its clipboard tab as a list and logs every call.
class FakeSnippetsStore : public Center::SnippetsStore {
 public:
  void delChunkByDigest(const std::string& digest) override { calls.push_back("del " + digest); }
  bool findContext(const std::string& context) override {
    std::lock_guard lock(mutex);
    return std::find(texts.begin(), texts.end(), context) != texts.end();
  }
  void updateContext(const std::string& context, const std::string& alias) override {
    calls.push_back("update " + context + " as " + alias);
  }
  void append(const std::string& context, const std::string& alias) override {
    std::lock_guard lock(mutex);
    texts.push_back(context);
    calls.push_back("append " + context + " as " + alias);
  }
  void clearClipboardCachedFile() override { calls.push_back("clear cache"); }
  std::vector<AliasRecord> getHasAliasChunks() override { return aliased; }

  std::mutex mutex;
  std::vector<std::string> texts;
  std::vector<std::string> calls;
  std::vector<AliasRecord> aliased;
};

class VLAppNotifcationCenterTest : public SharedServicesFixture {
 protected:
  void SetUp() override {
    SharedServicesFixture::SetUp();
    distributed_ = std::make_unique<DistributedNotificationCenter>(dir() + "/dnc");
    distributed_->setDeliveryExecutor([](std::function<void()> f) { f(); });
    center_ = std::make_unique<Center>(*distributed_);
    store_ = std::make_shared<FakeSnippetsStore>();
  }
  void TearDown() override {
    center_.reset();
    distributed_.reset();
    SharedServicesFixture::TearDown();
  }

  void setChanges(const Json& changes) {
    VLConfig::shared().setValueOfKey(VLConfig::kSnippetsMirror, changes);
    VLConfig::shared().setBoolValueOfKey(VLConfig::kSnippetsMerge, true);
  }

  std::unique_ptr<DistributedNotificationCenter> distributed_;
  std::unique_ptr<Center> center_;
  std::shared_ptr<FakeSnippetsStore> store_;
};

TEST_F(VLAppNotifcationCenterTest, OnlyThePreferencesUpdateOfKeyOneRefreshesTheHotKey) {
  std::mutex mutex;
  std::condition_variable called;
  std::vector<std::tuple<std::int64_t, std::string, std::int64_t, std::int64_t, bool>> registrations;
  center_->setRegisterHotKeyHook([&](std::int64_t id, const std::string& desc, std::int64_t code,
                                     std::int64_t modifiers, bool doubleTap) {
    std::lock_guard lock(mutex);
    registrations.emplace_back(id, desc, code, modifiers, doubleTap);
    called.notify_all();
  });
  VLConfig::shared().setHotkeyValueOfKey(VLConfig::kMainHotKey, {0x140000, 9, 1, true});

  // Datagrams from one sender arrive in order, so once the last one is seen the others were judged.
  EXPECT_TRUE(distributed_->post(Center::getUpdateNameOfGroupUserDefaultsKey(1), "org.example.other"));
  EXPECT_TRUE(distributed_->post(Center::getUpdateNameOfGroupUserDefaultsKey(2), kPreferencesAppId));
  EXPECT_TRUE(distributed_->post(Center::getFetchNameOfGroupUserDefaultsKey(1), kPreferencesAppId));
  EXPECT_TRUE(distributed_->post(Center::getUpdateNameOfGroupUserDefaultsKey(1), kPreferencesAppId));

  std::unique_lock lock(mutex);
  ASSERT_TRUE(called.wait_for(lock, std::chrono::seconds(10), [&] { return !registrations.empty(); }));
  ASSERT_EQ(registrations.size(), 1u);
  EXPECT_EQ(registrations[0],
            std::make_tuple(std::int64_t{1}, std::string(), std::int64_t{9}, std::int64_t{0x140000}, true));
}

TEST_F(VLAppNotifcationCenterTest, UpdateHotkeyWithoutHookOrValueDoesNothing) {
  center_->updateHotkey();  // no status bar yet: only a log line
  int calls = 0;
  center_->setRegisterHotKeyHook([&](auto...) { ++calls; });
  center_->updateHotkey();
  EXPECT_EQ(calls, 1) << "the default of key 1 registers";
  VLConfig::shared().setValueOfKey(VLConfig::kMainHotKey, nullptr);
  center_->updateHotkey();
  EXPECT_EQ(calls, 1) << "an empty hot key is not registered";
}

TEST_F(VLAppNotifcationCenterTest, MergeAppliesTheChangeListInOrder) {
  store_->texts = {"world"};
  store_->aliased = {{"a1", "hello", "h", "100.000000", nullptr}};
  center_->setSnippetsStore(store_);
  setChanges(Json::array({
      {{"action", "add"}, {"digest", ""}, {"content", "hello"}, {"name", "h"}},
      {{"action", "add"}, {"content", "world"}, {"name", "w"}},
      {{"action", "update"}, {"digest", ""}, {"content", "ignored"}, {"name", "x"}},
      {{"action", "update"}, {"digest", "d1"}, {"content", "fresh"}, {"name", "f"}},
      {{"action", "del"}, {"digest", "d2"}},
      {{"action", "rename"}, {"digest", "d3"}, {"content", "nope"}},
      "not a dictionary",
      {{"action", "add"}, {"content", ""}, {"name", "empty"}},
      {{"action", "del"}, {"digest", ""}},
  }));

  EXPECT_TRUE(center_->mergeSnippets());
  EXPECT_EQ(store_->calls, (std::vector<std::string>{"append hello as h", "update world as w", "del d1",
                                                     "append fresh as f", "del d2", "clear cache"}));
  // Written back from the store, and the flag is down so the list is not merged twice.
  EXPECT_EQ(VLConfig::shared().getValueOfKey(VLConfig::kSnippetsMirror),
            Json::array({{{"digest", "a1"}, {"content", "hello"}, {"name", "h"}}}));
  EXPECT_FALSE(VLConfig::shared().getBoolValueOfKey(VLConfig::kSnippetsMerge));
  EXPECT_FALSE(center_->mergeSnippets());
}

TEST_F(VLAppNotifcationCenterTest, MergeWaitsForFlagListAndStore) {
  VLConfig::shared().setValueOfKey(VLConfig::kSnippetsMirror,
                                   Json::array({{{"action", "add"}, {"content", "a"}}}));
  VLConfig::shared().setBoolValueOfKey(VLConfig::kSnippetsMerge, false);
  center_->setSnippetsStore(store_);
  EXPECT_FALSE(center_->mergeSnippets());

  for (const Json& list : {Json(), Json::array(), Json("text")}) {
    setChanges(list);
    EXPECT_FALSE(center_->mergeSnippets()) << list;
  }
  EXPECT_TRUE(store_->calls.empty());

  // No store yet: the flag stays up so the list is merged once the store is installed.
  center_->setSnippetsStore(nullptr);
  setChanges(Json::array({{{"action", "add"}, {"content", "a"}}}));
  EXPECT_FALSE(center_->mergeSnippets());
  EXPECT_TRUE(VLConfig::shared().getBoolValueOfKey(VLConfig::kSnippetsMerge));
  center_->setSnippetsStore(store_);
  EXPECT_TRUE(center_->mergeSnippets());
}

TEST_F(VLAppNotifcationCenterTest, MergesAtTheSameTimeApplyTheListOnce) {
  center_->setSnippetsStore(store_);
  setChanges(Json::array({{{"action", "add"}, {"content", "once"}, {"name", "o"}}}));
  std::thread a([&] { center_->mergeSnippets(); });
  std::thread b([&] { center_->mergeSnippets(); });
  a.join();
  b.join();
  EXPECT_EQ(std::count(store_->calls.begin(), store_->calls.end(), "append once as o"), 1);
}

TEST_F(VLAppNotifcationCenterTest, SaveWritesAliasedTextsNewestFirst) {
  store_->aliased = {
      {"s1", "older", "o", "9.500000", nullptr},
      {"s2", "newer", "n", "10.000000", Json::object()},
      {"s3", "a file", "f", "11.000000", {{"file", "/tmp/a"}}},
      {"s4", "<b>rich</b>", "r", "8.000000", {{"html", "<b>rich</b>"}}},
      {"s5", "broken stamp", "b", "soon", nullptr},
  };
  center_->setSnippetsStore(store_);
  VLConfig::shared().setBoolValueOfKey(VLConfig::kSnippetsMerge, true);
  center_->saveSnippets();

  const Json saved = VLConfig::shared().getValueOfKey(VLConfig::kSnippetsMirror).value_or(Json());
  std::vector<std::string> digests;
  for (const auto& e : saved) digests.push_back(e["digest"]);
  // Numbers, not texts, decide the order ("10.0" is newer than "9.5").
  EXPECT_EQ(digests, (std::vector<std::string>{"s2", "s1", "s4", "s5"}));
  EXPECT_EQ(saved[0], (Json{{"digest", "s2"}, {"content", "newer"}, {"name", "n"}}));
  EXPECT_FALSE(VLConfig::shared().getBoolValueOfKey(VLConfig::kSnippetsMerge));
}

// The preferences program's change list waiting in the settings is applied before this program writes
// its snippets over it, whoever asks for the write-back.
TEST_F(VLAppNotifcationCenterTest, WritingBackMergesAWaitingChangeListFirst) {
  store_->aliased = {{"s1", "kept", "k", "1.000000", nullptr}};
  center_->setSnippetsStore(store_);
  setChanges(Json::array({{{"action", "add"}, {"content", "from the other side"}, {"name", "o"}}}));
  center_->saveSnippets();
  EXPECT_EQ(store_->calls, (std::vector<std::string>{"append from the other side as o", "clear cache"}));
  EXPECT_EQ(VLConfig::shared().getValueOfKey(VLConfig::kSnippetsMirror),
            Json::array({{{"digest", "s1"}, {"content", "kept"}, {"name", "k"}}}));
  EXPECT_FALSE(VLConfig::shared().getBoolValueOfKey(VLConfig::kSnippetsMerge));
  // Nothing waiting: only the write-back.
  center_->saveSnippets();
  EXPECT_EQ(store_->calls.size(), 2u);
}

}  // namespace
}  // namespace vl
