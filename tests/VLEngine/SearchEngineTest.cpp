// Tasks over doc chains: the master, the docs' search and listing slices, merging and delivery.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <random>
#include <utility>

#include "SearchTestSupport.h"
#include "VLEngine/doc/index/ChunkSortedWeakTable.h"
#include "VLEngine/search/Vellisto_DefaultMap.h"
#include "VLEngine/search/Vellisto_DefaultMerge.h"
#include "platform/foundation/Files.h"

namespace vl {
namespace {

using test::chunkAt;
using test::RecordingChannel;
using test::texts;

// The default matcher, telling `beforeSlice` of each slice it is about to match (on the worker that
// matches it).
class WatchedMap : public Vellisto_DefaultMap {
 public:
  explicit WatchedMap(std::function<void(std::size_t from, std::size_t to)> beforeSlice)
      : beforeSlice_(std::move(beforeSlice)) {}
  std::shared_ptr<Vellisto_TempFile> mappingChunks(const Chunks& chunks, std::size_t from, std::size_t to,
                                                   const Vellisto_Task& task,
                                                   const std::vector<TextPosition>& starts) override {
    beforeSlice_(from, to);
    return Vellisto_DefaultMap::mappingChunks(chunks, from, to, task, starts);
  }
  using Vellisto_DefaultMap::mappingChunks;

 private:
  std::function<void(std::size_t, std::size_t)> beforeSlice_;
};

class SearchEngineTest : public ::testing::Test, protected test::SearchFixtureBase {
 protected:
  void SetUp() override {
    installIndex();
    channel_ = std::make_shared<RecordingChannel>();
  }
  void TearDown() override { finish(); }

  std::vector<std::shared_ptr<Vellisto_BigDoc>> chain(std::size_t count) {
    return test::makeChain(folder_.path(), count);
  }

  std::optional<RecordingChannel::Delivery> search(
      const std::string& query, const std::vector<std::shared_ptr<Vellisto_BigDoc>>& docs) {
    return test::run(test::searchTask(query, docs.size()), docs.empty() ? nullptr : docs.front(), channel_);
  }

  test::TempFolder folder_;
  std::shared_ptr<RecordingChannel> channel_;
  static constexpr double kNow = 1.7e9;
};

TEST_F(SearchEngineTest, SearchRanksAcrossDocsAliasFirst) {
  auto docs = chain(3);
  docs[0]->appendChunk(chunkAt("xx foo", kNow - 100));
  docs[1]->appendChunk(chunkAt("foo first", kNow - 100));
  docs[1]->appendChunk(chunkAt("no match", kNow - 100));
  docs[2]->appendChunk(chunkAt("snippet body", kNow - 100, "Food"));
  // One alias may name several records: each is listed.
  docs[0]->appendChunk(chunkAt("lunch list", kNow - 200, "Food"));
  auto delivery = search("Fo", docs);
  ASSERT_TRUE(delivery);
  std::vector<std::string> found = texts(delivery->rows);
  ASSERT_EQ(found.size(), 4u);
  // Alias matches tie: their order among themselves is not fixed.
  std::sort(found.begin(), found.begin() + 2);
  EXPECT_EQ(found, (std::vector<std::string>{"lunch list", "snippet body", "foo first", "xx foo"}));
  EXPECT_TRUE(delivery->rows[0]->rangeList().empty());
  EXPECT_EQ(delivery->rows[3]->rangeList(), (std::vector<Range>{{3, 2}}));
  EXPECT_FALSE(delivery->loadMore);
  EXPECT_TRUE(test::eventually([] { return Vellisto_Master::shared().processingCount() == 0; }));
}

// Copies made close together differ only in the rank's age term, which is too small to survive the sum:
// they come newest first, as that term means, in one doc or spread over several, and the rest of the rank
// (here where the word stands in the text) still comes before age.
TEST_F(SearchEngineTest, MatchesOfEqualRankComeNewestFirst) {
  struct Case {
    int copies;
    double apart;  // seconds between two copies
    std::size_t docs;
  };
  const Case cases[] = {{5, 0.2, 1}, {60, 0.01, 1}, {60, 0.01, 3}};
  int round = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.copies) + " copies in " + std::to_string(c.docs) + " docs");
    const std::string folder = folder_.path() + "/" + std::to_string(++round);
    ASSERT_TRUE(files::createDirectories(folder));
    auto docs = test::makeChain(folder, c.docs);
    docs[0]->appendChunk(chunkAt("copy made a day earlier", kNow - 86400));
    std::vector<std::string> expected = {"copy made a day earlier"};
    for (int i = 0; i < c.copies; ++i) {
      const std::string text = "a copy " + std::to_string(i);
      docs[static_cast<std::size_t>(i) % c.docs]->appendChunk(chunkAt(text, kNow + i * c.apart));
      expected.insert(expected.begin() + 1, text);
    }
    auto delivery = search("copy", docs);
    ASSERT_TRUE(delivery);
    EXPECT_EQ(texts(delivery->rows), expected);
  }
}

TEST_F(SearchEngineTest, AppRecordsOfDocsReadAtStartAreDroppedUnlessInstalled) {
  auto docs = chain(1);
  docs[0]->appendChunk(chunkAt("Calculator", kNow, std::nullopt, Json{{"app", true}}));
  Vellisto_BigDoc::waitForPendingWrites();
  auto loaded = test::loadDoc(docs[0]->filePath());
  ASSERT_TRUE(loaded);
  auto delivery = search("calc", {loaded});
  ASSERT_TRUE(delivery);
  EXPECT_TRUE(delivery->rows.empty());
  installIndex({"Calculator"});
  loaded->cleanMatchedChunks();
  delivery = search("calc", {loaded});
  ASSERT_TRUE(delivery);
  EXPECT_EQ(delivery->rows.size(), 1u);
}

TEST_F(SearchEngineTest, ADocOf250RecordsIsSearchedInThreeSlices) {
  std::mutex mutex;
  std::vector<std::pair<std::size_t, std::size_t>> slices;
  auto docs = chain(1);
  for (int i = 0; i < 250; ++i) docs[0]->appendChunk(chunkAt("record " + std::to_string(i), kNow - i));
  docs[0]->setMap(std::make_shared<WatchedMap>([&](std::size_t from, std::size_t to) {
    std::lock_guard<std::mutex> lock(mutex);
    slices.emplace_back(from, to);
  }));
  auto delivery = search("record", docs);
  ASSERT_TRUE(delivery);
  EXPECT_EQ(delivery->rows.size(), 250u);
  std::sort(slices.begin(), slices.end());
  EXPECT_EQ(slices, (std::vector<std::pair<std::size_t, std::size_t>>{{0, 100}, {100, 200}, {200, 250}}));
  // Ages rank: the newest first.
  EXPECT_EQ(delivery->rows.front()->string(), "record 0");
  EXPECT_EQ(delivery->rows.back()->string(), "record 249");
}

TEST_F(SearchEngineTest, ASearchNarrowsToTheLastMatchesUntilCleaned) {
  auto docs = chain(1);
  for (const char* text : {"foo one", "fo two", "food", "far", "bar"})
    docs[0]->appendChunk(chunkAt(text, kNow));
  test::LogCapture logs;
  ASSERT_EQ(search("fo", docs)->rows.size(), 3u);
  ASSERT_TRUE(docs[0]->map()->lastMatchedChunks());
  EXPECT_EQ(docs[0]->map()->lastMatchedChunks()->size(), 3u);
  // "f" would also find "far", but the doc looks only at what "fo" found.
  EXPECT_EQ(search("f", docs)->rows.size(), 3u);
  EXPECT_TRUE(logs.contains("lastMatchedChunks size 3"));
  // A record deleted since the last search is not found again.
  docs[0]->physicalDeleteChunk("food");
  auto narrowed = search("f", docs);
  ASSERT_TRUE(narrowed);
  std::vector<std::string> found = texts(narrowed->rows);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"fo two", "foo one"}));
  Vellisto_Master::cleanMatchedChunksIn(docs[0]);
  EXPECT_FALSE(docs[0]->map()->lastMatchedChunks());
  EXPECT_EQ(search("f", docs)->rows.size(), 3u);  // foo one, fo two, far
}

TEST_F(SearchEngineTest, ASearchThatFinishesAfterACleanDoesNotNarrowTheNextOne) {
  auto docs = chain(1);
  for (const char* text : {"foo", "far"}) docs[0]->appendChunk(chunkAt(text, kNow));
  auto matcher = docs[0]->map();
  const std::uint64_t before = matcher->lastMatchedGeneration();
  matcher->cleanMatchedChunks();
  EXPECT_FALSE(matcher->storeLastMatchedChunks({}, before, Vellisto_Master::shared().getAtomTaskId() + 1));
  EXPECT_FALSE(matcher->lastMatchedChunks());
}

// A matcher that holds every slice until the test lets it go, as if the docs were slow to answer.
class HeldMap : public WatchedMap {
 public:
  HeldMap()
      : WatchedMap([this](std::size_t, std::size_t) {
          std::unique_lock<std::mutex> lock(mutex_);
          opened_.wait(lock, [this] { return open_; });
        }) {}
  void open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    opened_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

TEST_F(SearchEngineTest, OnlyTheLastOfQuicklyTypedQueriesIsDelivered) {
  auto docs = chain(2);
  for (int i = 0; i < 300; ++i) docs[i % 2]->appendChunk(chunkAt("foo " + std::to_string(i), kNow - i));
  std::vector<std::shared_ptr<HeldMap>> held;
  for (const auto& doc : docs) {
    held.push_back(std::make_shared<HeldMap>());
    doc->setMap(held.back());
  }
  std::vector<std::shared_ptr<Vellisto_Task>> tasks;
  // The docs are held while three tasks are sent, as if the user typed faster than they answer.
  for (const char* query : {"f", "fo", "foo"}) {
    auto task = test::searchTask(query, docs.size());
    task->setChannel(channel_);
    Vellisto_Master::shared().sendTask(task, docs.front());
    tasks.push_back(task);
  }
  for (const auto& map : held) map->open();
  auto last = channel_->waitFor(static_cast<std::int64_t>(tasks.back()->taskId()));
  ASSERT_TRUE(last);
  EXPECT_EQ(last->rows.size(), 300u);
  ASSERT_TRUE(test::eventually([] { return Vellisto_Master::shared().processingCount() == 0; }));
  auto deliveries = channel_->deliveries();
  ASSERT_EQ(deliveries.size(), 1u);
  EXPECT_EQ(deliveries[0].taskId, static_cast<std::int64_t>(tasks.back()->taskId()));
}

TEST_F(SearchEngineTest, ATabWithoutDocsAnswersEmpty) {
  auto delivery = test::run(test::searchTask("foo", 0), nullptr, channel_);
  ASSERT_TRUE(delivery);
  EXPECT_TRUE(delivery->rows.empty());
  // A chain shorter than the count is asked as far as it goes and still completes.
  auto docs = chain(2);
  docs[1]->appendChunk(chunkAt("foo", kNow));
  delivery = test::run(test::searchTask("foo", 5), docs.front(), channel_);
  ASSERT_TRUE(delivery);
  EXPECT_EQ(delivery->rows.size(), 1u);
}

TEST_F(SearchEngineTest, ListingTakesTheNewest24OfAllDocsThenLoadsMore) {
  auto docs = chain(3);
  // 90 records, time stamps interleaved over the docs; one empty slot from a damaged load is skipped.
  for (int i = 0; i < 90; ++i) docs[i % 3]->appendChunk(chunkAt("r" + std::to_string(i), kNow - 1000 + i));
  auto table = ChunkSortedWeakTable::newTable();
  auto listing = Vellisto_Task::make(Vellisto_Task::kListing, docs.size());
  listing->setSortedTable(table);
  auto first = test::run(listing, docs.front(), channel_);
  ASSERT_TRUE(first);
  ASSERT_EQ(first->rows.size(), 24u);
  EXPECT_EQ(first->rows.front()->string(), "r89");
  EXPECT_EQ(first->rows.back()->string(), "r66");
  EXPECT_FALSE(first->loadMore);
  EXPECT_EQ(table->count(), 24u);

  auto more = Vellisto_Task::make(Vellisto_Task::kLoadMore, docs.size());
  more->setSortedTable(table);
  more->setEarlierThanTimestamp(table->lastTimestamp());
  auto second = test::run(more, docs.front(), channel_);
  ASSERT_TRUE(second);
  ASSERT_EQ(second->rows.size(), 24u);
  EXPECT_EQ(second->rows.front()->string(), "r65");
  EXPECT_EQ(second->rows.back()->string(), "r42");
  EXPECT_TRUE(second->loadMore);
  EXPECT_EQ(table->count(), 48u);
}

TEST_F(SearchEngineTest, ErrorListingLeavesTheRecentListAlone) {
  auto docs = chain(1);
  docs[0]->appendChunk(chunkAt("broken", kNow - 5));
  auto table = ChunkSortedWeakTable::newTable();
  auto task = Vellisto_Task::make(Vellisto_Task::kErrorListing, 1);
  task->setSortedTable(table);
  auto delivery = test::run(task, docs[0], channel_);
  ASSERT_TRUE(delivery);
  EXPECT_EQ(texts(delivery->rows), std::vector<std::string>{"broken"});
  EXPECT_TRUE(table->isEmpty());
}

// Unordered lists (a doc's slices) of every size, priorities and time stamps with many ties, negative
// priorities and both zeros: the merge is a stable sort of the lists one after another by priority, the
// newer first among equal priorities, whichever way it sorts; merging its answers again keeps that.
TEST(SearchMerge, UnorderedListsMergeAsOneStableSortByRank) {
  std::mt19937 rng(9);
  const std::vector<double> values = {-1.0, -0.0, 0.0, 1e-9, 0.25, 11.0, 11.000001, 3.0, 1e300};
  const std::vector<double> stamps = {1.7e9, 1.7e9 + 0.01, 1.7e9 + 0.02, 1.6e9};
  for (std::size_t size : {1u, 5u, 63u, 64u, 65u, 300u, 2000u}) {
    Vellisto_TempFiles files;
    std::vector<Vellisto_Index> expected;
    std::int32_t tag = 0;  // the type field names each match
    for (std::size_t left = size; left > 0;) {
      const std::size_t n = std::min<std::size_t>(left, 1 + rng() % 100);
      std::vector<Vellisto_Index> run;
      for (std::size_t i = 0; i < n; ++i) {
        run.emplace_back(values[rng() % values.size()], ++tag, stamps[rng() % stamps.size()]);
        expected.push_back(run.back());
      }
      files.push_back(Vellisto_TempFile::make(std::move(run)));
      left -= n;
    }
    std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
      return a.priority() != b.priority() ? a.priority() < b.priority() : a.timestamp() > b.timestamp();
    });
    // The same matches as several answers in rank order, which a search merges from their heads.
    Vellisto_TempFiles answers(3);
    for (auto& answer : answers) answer = Vellisto_TempFile::make();
    auto merged = Vellisto_DefaultMerge().mergingOrderByPriority(std::move(files));
    for (std::size_t i = 0; i < merged->count(); ++i)
      answers[rng() % answers.size()]->mutableIndexs().push_back(merged->indexs()[i]);
    auto remerged = Vellisto_DefaultMerge().mergingOrderByPriority(std::move(answers));
    for (const auto& result : {merged, remerged}) {
      ASSERT_EQ(result->count(), expected.size()) << size;
      for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(result->indexs()[i].priority(), expected[i].priority()) << "size " << size << " at " << i;
        ASSERT_EQ(result->indexs()[i].timestamp(), expected[i].timestamp()) << "size " << size << " at " << i;
      }
    }
    for (std::size_t i = 0; i < expected.size(); ++i)
      ASSERT_EQ(merged->indexs()[i].type(), expected[i].type()) << "size " << size << " at " << i;
  }
}

TEST(SearchMerge, OrdersAsSpecified) {
  auto index = [](double priority, double timestamp) { return Vellisto_Index(priority, 0, timestamp); };
  Vellisto_DefaultMerge merge;
  auto a = Vellisto_TempFile::make({index(0.5, 1), index(2, 2)});
  auto b = Vellisto_TempFile::make({index(3, 3), index(-1, 4), index(1, 5)});  // not in order
  auto byPriority = merge.mergingOrderByPriority({a, b, nullptr});
  std::vector<double> priorities;
  for (const auto& m : byPriority->indexs()) priorities.push_back(m.priority());
  EXPECT_EQ(priorities, (std::vector<double>{-1, 0.5, 1, 2, 3}));

  Vellisto_TempFiles many;
  for (int i = 0; i < 30; ++i) many.push_back(Vellisto_TempFile::make({index(0, i)}));
  auto byTime = merge.mergingOrderByTimestamp(many);
  ASSERT_EQ(byTime->count(), 24u);
  EXPECT_EQ(byTime->indexs().front().timestamp(), 29);
  EXPECT_EQ(byTime->indexs().back().timestamp(), 6);

  // A search merges only the matches that become rows.
  auto runs = [&] {
    Vellisto_TempFiles owned;
    for (int r = 0; r < 5; ++r) {
      std::vector<Vellisto_Index> run;
      for (int i = 0; i < 10; ++i) run.push_back(index(r + i * 5, 0));
      owned.push_back(Vellisto_TempFile::make(std::move(run)));
    }
    return owned;
  };
  auto prioritiesOf = [](const Vellisto_TempFile& file) {
    std::vector<double> out;
    for (const auto& m : file.indexs()) out.push_back(m.priority());
    return out;
  };
  EXPECT_EQ(prioritiesOf(*merge.mergingOrderByPriorityFirst(runs(), 7)),
            (std::vector<double>{0, 1, 2, 3, 4, 5, 6}));
  std::vector<double> all = prioritiesOf(*merge.mergingOrderByPriorityFirst(runs(), SIZE_MAX));
  ASSERT_EQ(all.size(), 50u);
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));

  test::LogCapture logs;
  std::vector<std::shared_ptr<Vellisto_Chunk>> chunks = {chunkAt("old", 10), nullptr, chunkAt("new", 20),
                                                         chunkAt("now", 30)};
  auto listed = merge.mergingByChunks(chunks, 30, true);
  ASSERT_EQ(listed->count(), 2u);  // strictly earlier than 30
  EXPECT_EQ(listed->indexs()[0].chunkRef()->context(), "new");
  EXPECT_TRUE(logs.contains("NSNull"));
}

}  // namespace
}  // namespace vl
