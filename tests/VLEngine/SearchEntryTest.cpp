// The record store's search entry points over a loaded store, and the replay cache.
#include <gtest/gtest.h>

#include <algorithm>

#include "SearchTestSupport.h"
#include "StoreTestSupport.h"
#include "VLEngine/VLEngineDelegate.h"
#include "VLEngine/doc/index/ChunkSortedWeakTable.h"
#include "VLEngine/doc/index/SortedTableHelper.h"
#include "VLEngine/search/SearchCostRecord.h"
#include "VLEngine/search/SearchHistory.h"

namespace vl {
namespace {

using test::RecordingChannel;

class SearchEntryTest : public test::StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    ApplicationSearching::setInstalledIndex(
        std::make_shared<test::FakeInstalledIndex>(std::set<std::string>{}));
    loadAll();
    channel_ = std::make_shared<RecordingChannel>();
    engine().setChannel(channel_);
  }
  void TearDown() override {
    Vellisto_BigDoc::waitForPendingWrites();
    SearchHistory::shared().clean();
    ApplicationSearching::setInstalledIndex(nullptr);
    StoreFixture::TearDown();
  }

  // Records "r0".."r<n-1>", r0 the oldest.
  void appendRecords(int count) {
    for (int i = 0; i < count; ++i) {
      engine().append("r" + std::to_string(i), std::nullopt, std::nullopt, std::nullopt,
                      test::stamp(1.6e9 + i), kClip);
    }
  }

  // Runs an entry point and waits for the rows of the task it registered.
  template <typename Call>
  std::optional<RecordingChannel::Delivery> deliver(Call call) {
    const auto next = static_cast<std::int64_t>(Vellisto_Master::shared().getAtomTaskId()) + 1;
    call();
    return channel_->waitFor(next);
  }

  std::shared_ptr<ChunkSortedWeakTable> recentList() { return pins().activedTab()->sortedTable(); }

  std::shared_ptr<RecordingChannel> channel_;
};

TEST_F(SearchEntryTest, SearchFindsInTheActiveTabAndStampsItsCost) {
  appendRecords(3);
  engine().append("a food", std::nullopt, std::nullopt, kClip);
  SearchCostRecord::clear();
  auto delivery = deliver([&] { engine().seach("Foo"); });
  ASSERT_TRUE(delivery);
  ASSERT_EQ(test::texts(delivery->rows), std::vector<std::string>{"a food"});
  EXPECT_EQ(delivery->rows[0]->rangeList(), (std::vector<Range>{{2, 3}}));
  std::optional<std::string> cost = SearchCostRecord::takeCostLine();
  ASSERT_TRUE(cost);
  EXPECT_EQ(cost->rfind("search -> cost ", 0), 0u);
  EXPECT_EQ(cost->substr(cost->size() - 2), "ms");
  EXPECT_FALSE(SearchCostRecord::takeCostLine());
}

TEST_F(SearchEntryTest, EmptyQueryListsTheNewestThenServesTheRecentList) {
  appendRecords(30);
  test::LogCapture logs;
  auto first = deliver([&] { engine().seach(""); });
  ASSERT_TRUE(first);
  ASSERT_EQ(first->rows.size(), 24u);
  EXPECT_EQ(first->rows.front()->string(), "r29");
  EXPECT_TRUE(logs.contains("none input search"));
  EXPECT_EQ(recentList()->count(), 24u);

  // The second time the docs are not asked: the rows come from the recent list, cut to 24. Choosing
  // r0 put it in front (with a new time stamp), so the list held 25.
  ASSERT_TRUE(engine().selectContext("r0", {}, std::nullopt, kClip));
  ASSERT_EQ(recentList()->count(), 25u);
  auto second = deliver([&] { engine().noneInput(); });
  ASSERT_TRUE(second);
  EXPECT_TRUE(logs.contains("none input cache"));
  EXPECT_EQ(second->rows.size(), 24u);
  EXPECT_EQ(second->rows.front()->string(), "r0");
  EXPECT_EQ(recentList()->count(), 24u);
  EXPECT_FALSE(Vellisto_Master::shared().existingTask(static_cast<std::uint64_t>(second->taskId)));

  auto more = deliver([&] { engine().noneInputLoadMore(); });
  ASSERT_TRUE(more);
  EXPECT_TRUE(more->loadMore);
  // Older than r7, the last one shown: r6 to r1 (r0 is now the newest).
  EXPECT_EQ(test::texts(more->rows).front(), "r6");
  EXPECT_EQ(more->rows.size(), 6u);
}

// The installed-application index puts a record for every application in the clipboard history, to be
// found by typing its name: the unfiltered history and its load-more leave them out, a search finds
// them, and a pin tab the user pinned one to lists it.
TEST_F(SearchEntryTest, ApplicationRecordsAreFoundByNameButNotListedAsCopies) {
  ApplicationSearching::setInstalledIndex(
      std::make_shared<test::FakeInstalledIndex>(std::set<std::string>{"vim"}));
  appendRecords(30);
  const Json app = {{"app", true}, {"app_path", "/usr/share/applications/vim.desktop"}};
  engine().append("vim", std::nullopt, app, std::nullopt, test::stamp(1.6e9 + 100), kClip);
  auto listed = deliver([&] { engine().seach(""); });
  ASSERT_TRUE(listed);
  ASSERT_EQ(listed->rows.size(), 24u);
  EXPECT_EQ(listed->rows.front()->string(), "r29");
  auto more = deliver([&] { engine().noneInputLoadMore(); });
  ASSERT_TRUE(more);
  EXPECT_EQ(test::texts(more->rows).back(), "r0");
  EXPECT_EQ(more->rows.size(), 6u);
  auto found = deliver([&] { engine().seach("vi"); });
  ASSERT_TRUE(found);
  EXPECT_EQ(test::texts(found->rows), std::vector<std::string>{"vim"});

  // A copy of the name refreshes the record, which from then on is listed with the copies, also when
  // its doc is read again, and stays the application's.
  auto copied = engine().findContext(std::string("vim"), Json::object(), kClip);
  ASSERT_NE(copied, nullptr);
  EXPECT_TRUE(copied->jsonHasApp());
  SortedTableHelper::notify(kClip, copied, false);
  auto relisted = deliver([&] { engine().seach(""); });
  ASSERT_TRUE(relisted);
  const std::vector<std::string> listedNow = test::texts(relisted->rows);
  EXPECT_NE(std::find(listedNow.begin(), listedNow.end(), "vim"), listedNow.end());
  auto reread = Vellisto_Chunk::initWithChunkStr(copied->stringValue().value_or(""));
  ASSERT_NE(reread, nullptr);
  EXPECT_TRUE(reread->isCopiedApplication());
  EXPECT_EQ(reread->json()->at("app_path"), app.at("app_path"));

  auto tab = pins().addPinTab("Tools", "", "");
  ASSERT_NE(tab, nullptr);
  engine().moveChunkFrom(kClip, tab->pinTabId(), "vim", app);
  pins().activeTabOfId(tab->pinTabId());
  auto pinned = deliver([&] { engine().seach(""); });
  ASSERT_TRUE(pinned);
  const std::vector<std::string> inTab = test::texts(pinned->rows);
  EXPECT_NE(std::find(inTab.begin(), inTab.end(), "vim"), inTab.end());
}

// A history of application records only lists nothing; a new copy then joins the recent list at once, so
// the unfiltered list and sync, which read that list, have it before any other listing.
TEST_F(SearchEntryTest, AfterAListingThatFoundOnlyApplicationsTheFirstCopyJoinsTheRecentList) {
  engine().append("vim", std::nullopt, Json{{"app", true}}, std::nullopt, test::stamp(1.6e9), kClip);
  auto listed = deliver([&] { engine().seach(""); });
  ASSERT_TRUE(listed);
  EXPECT_TRUE(listed->rows.empty());
  auto copy = engine().append("first copy", std::nullopt, std::nullopt, kClip);
  SortedTableHelper::notify(kClip, copy, true);
  EXPECT_EQ(recentList()->count(), 1u);
  auto shown = deliver([&] { engine().noneInput(); });
  ASSERT_TRUE(shown);
  EXPECT_EQ(test::texts(shown->rows), std::vector<std::string>{"first copy"});
}

TEST_F(SearchEntryTest, NoneInputClearsTheLastMatches) {
  appendRecords(2);
  ASSERT_TRUE(deliver([&] { engine().seach("r1"); }));
  ASSERT_TRUE(engine().headDoc()->map()->lastMatchedChunks());
  ASSERT_TRUE(deliver([&] { engine().noneInput(); }));
  EXPECT_FALSE(engine().headDoc()->map()->lastMatchedChunks());
}

TEST_F(SearchEntryTest, ReplayDeliversStoredRowsWithTheLargestIdAndStartsNoTask) {
  appendRecords(1);
  DisplayRows rows = {DisplayAttributedString::initWithString("kept row")};
  SearchHistory::shared().saveScreenshot("kept", rows);
  SearchHistory::shared().saveScreenshot("", rows);  // an empty query is never stored
  const std::uint64_t before = Vellisto_Master::shared().getAtomTaskId();
  test::LogCapture logs;
  EXPECT_TRUE(SearchHistory::shared().renderScreenshot("kept"));
  EXPECT_FALSE(SearchHistory::shared().renderScreenshot("other"));
  EXPECT_FALSE(SearchHistory::shared().renderScreenshot(""));
  EXPECT_EQ(Vellisto_Master::shared().getAtomTaskId(), before);
  auto replay = channel_->waitFor(2147483647);
  ASSERT_TRUE(replay);
  EXPECT_EQ(replay->rows, rows);
  EXPECT_FALSE(replay->loadMore);
  EXPECT_TRUE(logs.contains("render from screenshot of a query of 4 bytes"));

  // The result list's rows are what a save stores.
  SearchHistory::shared().setRowsProvider([rows] { return rows; });
  SearchHistory::shared().saveScreenshot("from list");
  EXPECT_EQ(SearchHistory::shared().screenshots().count("from list"), 1u);
  SearchHistory::shared().setRowsProvider(nullptr);

  ASSERT_TRUE(deliver([&] { engine().seach("r0"); }));
  ASSERT_TRUE(engine().headDoc()->map()->lastMatchedChunks());
  SearchHistory::shared().clean();
  EXPECT_TRUE(SearchHistory::shared().screenshots().empty());
  EXPECT_FALSE(engine().headDoc()->map()->lastMatchedChunks());
}

// Every keystroke is a query: typing a long text keeps the rows of the latest few only, and none of a
// query longer than a line.
TEST_F(SearchEntryTest, ReplayKeepsOnlyTheLatestQueries) {
  const DisplayRows rows = {DisplayAttributedString::initWithString(std::string(4096, 'r'))};
  std::string typed;
  for (int i = 0; i < 3000; ++i) {
    typed += static_cast<char>('a' + i % 26);
    SearchHistory::shared().saveScreenshot(typed, rows);
  }
  const auto kept = SearchHistory::shared().screenshots();
  EXPECT_EQ(kept.size(), SearchHistory::kMaxQueries);
  for (const auto& [query, stored] : kept) EXPECT_LE(query.size(), SearchHistory::kMaxQueryBytes);
  SearchHistory::shared().clean();
  typed.clear();
  for (int i = 0; i < 500; ++i) {
    typed += static_cast<char>('a' + i % 26);
    SearchHistory::shared().saveScreenshot(typed, rows);
  }
  SearchHistory::shared().saveScreenshot(typed.substr(0, 440), rows);  // typed back: the newest again
  const auto recent = SearchHistory::shared().screenshots();
  EXPECT_EQ(recent.size(), SearchHistory::kMaxQueries);
  EXPECT_EQ(recent.count(typed), 1u);
  EXPECT_EQ(recent.count(typed.substr(0, 440)), 1u);
  EXPECT_EQ(recent.count(typed.substr(0, 400)), 0u);
  SearchHistory::shared().clean();
}

TEST_F(SearchEntryTest, ErrorListsTheDelegatesDoc) {
  class Delegate : public VLEngineDelegate {
   public:
    std::shared_ptr<Vellisto_BigDoc> errorDoc() override { return doc; }
    std::shared_ptr<Vellisto_BigDoc> doc;
  };
  auto delegate = std::make_shared<Delegate>();
  engine().setDelegate(delegate);
  const std::uint64_t before = Vellisto_Master::shared().getAtomTaskId();
  engine().error();  // no doc: nothing happens
  EXPECT_EQ(Vellisto_Master::shared().getAtomTaskId(), before);

  test::TempFolder folder;
  delegate->doc = Vellisto_BigDoc::emptyDoc(7, folder.path());
  delegate->doc->appendChunk(test::chunkAt("salvaged", 1.6e9));
  auto delivery = deliver([&] { engine().error(); });
  ASSERT_TRUE(delivery);
  EXPECT_EQ(test::texts(delivery->rows), std::vector<std::string>{"salvaged"});
  EXPECT_TRUE(recentList()->isEmpty());
  Vellisto_BigDoc::waitForPendingWrites();
  engine().setDelegate(nullptr);
}

}  // namespace
}  // namespace vl
