#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <thread>

#include "StoreTestSupport.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"
#include "VLEngine/doc/index/ChunkSortedWeakTable.h"
#include "VLEngine/image/ImageCache.h"
#include "VLEngine/image/ImageViewLoading.h"
#include "VLEngine/image/RecordFiles.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"

namespace vl {

class Vellisto_TempFile;

namespace {

using test::StoreFixture;

class StoreRecordsTest : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    clock_ = std::make_shared<ManualClock>(1.7e9);
    Clock::install(clock_);
  }
  void TearDown() override {
    StoreFixture::TearDown();
    Clock::install(nullptr);
  }

  // A stand-in for a search's cached match list; never looked into.
  static std::shared_ptr<Vellisto_TempFile> someCachedFile() {
    static auto owner = std::make_shared<int>(0);
    return std::shared_ptr<Vellisto_TempFile>(owner, reinterpret_cast<Vellisto_TempFile*>(owner.get()));
  }

  std::shared_ptr<ManualClock> clock_;
};

// The same text in two docs: finding gives the record of the first doc of the chain.
TEST_F(StoreRecordsTest, FindingADuplicateGivesTheFirstDocsRecord) {
  writeDoc(dataPath(), 0, {"dup", "a"});
  writeDoc(dataPath(), 1, {"b", "dup"});
  loadAll();
  auto found = engine().getChunkByContext(std::string("dup"), std::nullopt, kClip);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->getDocRef()->docId(), 0);
  EXPECT_EQ(engine().getChunkBySig(found->sig(), kClip), found);
  EXPECT_EQ(engine().getChunkByContext(std::nullopt, std::nullopt, kClip), nullptr);
  EXPECT_EQ(engine().getChunkByContext(std::string("dup"), std::nullopt, "no such tab"), nullptr);
  EXPECT_EQ(engine().getChunkBySig("", kClip), nullptr);

  // Deleting it leaves the copy in the later doc to be found.
  EXPECT_TRUE(engine().delChunkByContext("dup", std::nullopt, kClip));
  found = engine().getChunkByContext(std::string("dup"), std::nullopt, kClip);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->getDocRef()->docId(), 1);
  EXPECT_FALSE(engine().delChunkByContext("never stored", std::nullopt, kClip));
}

TEST_F(StoreRecordsTest, FindRenewsTheTimeStampOnlyWhenAsked) {
  loadAll();
  auto chunk = engine().append("t", std::nullopt, std::nullopt, kClip);
  const std::string first = chunk->timestamp();
  clock_->advanceMs(5000);
  engine().findContext(std::string("t"), false, std::nullopt, kClip);
  EXPECT_EQ(chunk->timestamp(), first);
  engine().findContext(std::string("t"), std::nullopt, kClip);
  EXPECT_DOUBLE_EQ(chunk->timestampValue(), std::stod(first) + 5);
}

TEST_F(StoreRecordsTest, SelectRemembersTheWordAndPutsTheRecordFirst) {
  loadAll();
  auto a = engine().append("alpha", std::nullopt, std::nullopt, kClip);
  auto b = engine().append("beta", std::nullopt, std::nullopt, kClip);
  auto table = pins().clipboardPinTab()->sortedTable();
  table->append({b, a});
  pins().clipboardPinTab()->setCachedFile(someCachedFile());

  EXPECT_EQ(engine().selectContext(std::string("alpha"), "al", std::nullopt, kClip), a);
  EXPECT_EQ(table->liveChunks(), (std::vector<std::shared_ptr<Vellisto_Chunk>>{a, b}));
  EXPECT_EQ(a->lru()->find("al"), 0);
  EXPECT_EQ(pins().clipboardPinTab()->cachedFile(), nullptr);
  EXPECT_EQ(engine().selectContext(std::string("gone"), "x", std::nullopt, kClip), nullptr);
}

TEST_F(StoreRecordsTest, CopyAndMoveBetweenTabs) {
  loadAll();
  auto work = pins().addPinTab("Work", "", "FF8800");
  ASSERT_NE(work, nullptr);
  const std::string id = work->pinTabId();
  const Json json = {{"html", "<b>x</b>"}};
  auto source = engine().append("x", std::string("{\\rtf x}"), json, std::string("ax"), kClip);

  // Copy: the record lands in the tab with its fields and stays in the clipboard tab.
  engine().moveChunkFrom(kClip, id, "x", json);
  auto copy = engine().getChunkByContext(std::string("x"), json, id);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, source);
  EXPECT_EQ(copy->rich(), std::optional<std::string>("{\\rtf x}"));
  EXPECT_EQ(copy->alias(), std::optional<std::string>("ax"));
  EXPECT_EQ(copy->json(), std::optional<Json>(json));
  EXPECT_NE(engine().getChunkByContext(std::string("x"), json, kClip), nullptr);

  // A second copy renews the one there instead of adding another.
  const std::size_t before = texts(work->headDoc()).size();
  clock_->advanceMs(1000);
  engine().moveChunkFrom(kClip, id, "x", json);
  EXPECT_EQ(texts(work->headDoc()).size(), before);
  EXPECT_GT(copy->timestampValue(), source->timestampValue());

  // A move is a copy and a delete in the source, which also leaves its recent list.
  auto moved = engine().append("y", std::nullopt, std::nullopt, kClip);
  pins().clipboardPinTab()->sortedTable()->append({moved});
  engine().moveChunkFrom(kClip, id, "y", std::nullopt);
  EXPECT_TRUE(engine().delChunkByContext("y", std::nullopt, kClip));
  EXPECT_EQ(engine().getChunkByContext(std::string("y"), std::nullopt, kClip), nullptr);
  EXPECT_NE(engine().getChunkByContext(std::string("y"), std::nullopt, id), nullptr);
  EXPECT_TRUE(pins().clipboardPinTab()->sortedTable()->isEmpty());

  // Copying from or to a tab that does not exist does nothing.
  engine().moveChunkFrom(kClip, "no such tab", "x", json);
  engine().moveChunkFrom("no such tab", id, "x", json);
}

// A delete clears the caches of the tab that owns the record, whichever tab is active.
TEST_F(StoreRecordsTest, DeleteClearsTheOwningTabsCaches) {
  loadAll();
  auto work = pins().addPinTab("Work", "", "");
  auto chunk = engine().append("w", std::nullopt, std::nullopt, work->pinTabId());
  work->sortedTable()->append({chunk});
  work->setCachedFile(someCachedFile());
  pins().clipboardPinTab()->setCachedFile(someCachedFile());
  ASSERT_EQ(pins().activedTab(), pins().clipboardPinTab());

  EXPECT_TRUE(engine().delChunkByContext("w", std::nullopt, work->pinTabId()));
  EXPECT_EQ(work->cachedFile(), nullptr);
  EXPECT_TRUE(work->sortedTable()->isEmpty());
  EXPECT_NE(pins().clipboardPinTab()->cachedFile(), nullptr);
}

TEST_F(StoreRecordsTest, LatestWalksBackOverAnEmptyTailDoc) {
  loadAll();
  EXPECT_EQ(engine().getLatest(), nullptr);
  EXPECT_EQ(engine().delLatest(), "");
  for (int i = 0; i < 1000; ++i) engine().append("r" + std::to_string(i), std::nullopt, std::nullopt, kClip);
  Vellisto_BigDoc::waitForPendingWrites();
  ASSERT_EQ(engine().docCount(), 2);
  ASSERT_EQ(engine().tailDoc()->chunkCount(), 0u);
  EXPECT_TRUE(files::isRegularFile(dataPath() + "/BigDoc_1"));
  // The clipboard tab describes the same chain after the roll-over.
  EXPECT_EQ(pins().clipboardPinTab()->tailDoc(), engine().tailDoc());
  EXPECT_EQ(pins().clipboardPinTab()->docCount(), 2);
  ASSERT_NE(engine().getLatest(), nullptr);
  EXPECT_EQ(engine().getLatest()->context(), "r999");
  EXPECT_EQ(engine().delLatest(), "r999");
  EXPECT_EQ(engine().getLatest()->context(), "r998");
}

// Before start-up installs the pin list, the store answers for the clipboard history alone: its own
// clipboard tab is the active one, shares the store's chain and keeps the recent list.
TEST_F(StoreRecordsTest, WithoutThePinListTheStoreServesItsOwnClipboardTab) {
  engine().setTabDirectory(nullptr);
  engine().load();
  std::shared_ptr<VLTabDirectory> own = engine().tabDirectory();
  std::shared_ptr<VLStoreTab> clipboard = own->clipboardTab();
  ASSERT_NE(clipboard, nullptr);
  EXPECT_TRUE(clipboard->isClipboard());
  EXPECT_EQ(own->activeTab(), clipboard);
  EXPECT_EQ(own->tabOfId(kClip), clipboard);
  EXPECT_EQ(own->tabOfId("11111111-1111-1111-1111-111111111111"), nullptr);
  EXPECT_EQ(own->allTabs(), std::vector<std::shared_ptr<VLStoreTab>>{clipboard});

  for (int i = 0; i < 1000; ++i) engine().append("r" + std::to_string(i), std::nullopt, std::nullopt, kClip);
  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_EQ(clipboard->docCount(), 2);
  EXPECT_EQ(clipboard->tailDoc(), engine().tailDoc());
  auto chosen = engine().selectContext("r3", "r", std::nullopt, kClip);
  ASSERT_NE(chosen, nullptr);
  EXPECT_EQ(clipboard->sortedTable()->liveChunks().front(), chosen);

  // Installing the pin list again is what start-up does; the store then finds its tabs there.
  engine().setTabDirectory(PinManager::tabDirectory());
  pins().load();
  EXPECT_EQ(engine().tabDirectory()->clipboardTab(), pins().clipboardPinTab());
}

// Two images with one file name: each alias gets its own forever copy, and deleting one record removes
// only its own copy.
TEST_F(StoreRecordsTest, ForeverCopiesNeverOverwriteEachOther) {
  loadAll();
  ASSERT_TRUE(files::createDirectories(home() + "/a"));
  ASSERT_TRUE(files::createDirectories(home() + "/b"));
  ASSERT_TRUE(files::atomicWrite(home() + "/a/shot.png", "first"));
  ASSERT_TRUE(files::atomicWrite(home() + "/b/shot.png", "second"));
  const Json one = {{"image", home() + "/a/shot.png"}};
  const Json two = {{"image", home() + "/b/shot.png"}};
  engine().append("img", std::nullopt, one, kClip);
  engine().append("img", std::nullopt, two, kClip);

  engine().updateContext("img", "one", one, kClip, false);
  engine().updateContext("img", "two", two, kClip, false);
  auto first = engine().getChunkByContext(std::string("img"), one, kClip);
  auto second = engine().getChunkByContext(std::string("img"), two, kClip);
  const std::string firstCopy = first->json()->at("forever_image").get<std::string>();
  const std::string secondCopy = second->json()->at("forever_image").get<std::string>();
  EXPECT_NE(firstCopy, secondCopy);
  EXPECT_EQ(files::readFile(firstCopy), std::optional<std::string>("first"));
  EXPECT_EQ(files::readFile(secondCopy), std::optional<std::string>("second"));
  EXPECT_EQ(first->alias(), std::optional<std::string>("one"));
  EXPECT_EQ(engine().getHasAliasChunks().size(), 2u);

  // An alias on a record whose image is gone names no copy.
  engine().append("lost", std::nullopt, Json{{"image", home() + "/gone.png"}}, kClip);
  engine().updateContext("lost", "l", Json{{"image", home() + "/gone.png"}}, kClip, false);
  auto lost = engine().getChunkByContext(std::string("lost"), Json{{"image", home() + "/gone.png"}}, kClip);
  EXPECT_FALSE(lost->json()->contains("forever_image"));
  EXPECT_EQ(lost->alias(), std::optional<std::string>("l"));

  EXPECT_TRUE(engine().delChunkByContext("img", one, kClip));
  RecordFiles::waitForPendingRemovals();
  EXPECT_FALSE(files::exists(firstCopy));
  EXPECT_TRUE(files::exists(secondCopy));
}

// A pinned copy carries the record's json, forever image included: deleting either record leaves the
// image to the other, and only the last one takes it along.
TEST_F(StoreRecordsTest, AForeverImageStaysWhileAnotherRecordNamesIt) {
  loadAll();
  auto work = pins().addPinTab("Work", "", "FF8800");
  ASSERT_NE(work, nullptr);
  ASSERT_TRUE(files::atomicWrite(home() + "/kept.png", "pixels"));
  const Json image = {{"image", home() + "/kept.png"}};
  engine().append("kept", std::nullopt, image, kClip);
  engine().updateContext("kept", "k", image, kClip, false);
  const std::optional<Json> json = engine().getChunkByContext(std::string("kept"), image, kClip)->json();
  ASSERT_TRUE(json && json->contains("forever_image"));
  const std::string forever = json->at("forever_image").get<std::string>();
  engine().moveChunkFrom(kClip, work->pinTabId(), "kept", json);
  ASSERT_NE(engine().getChunkByContext(std::string("kept"), json, work->pinTabId()), nullptr);

  EXPECT_TRUE(engine().delChunkByContext("kept", json, kClip));
  RecordFiles::waitForPendingRemovals();
  EXPECT_EQ(files::readFile(forever), std::optional<std::string>("pixels"))
      << "the pinned copy lost its image";

  EXPECT_TRUE(engine().delChunkByContext("kept", json, work->pinTabId()));
  RecordFiles::waitForPendingRemovals();
  EXPECT_FALSE(files::exists(forever));
}

// A deleted record takes its copies in our folders and every thumbnail of its images along, unless
// another record still names them; the user's own files and anything outside our folders stay.
TEST_F(StoreRecordsTest, DeletingARecordRemovesItsCopiesAndThumbnailsButNeverTheUsersFiles) {
  loadAll();
  auto cache = std::make_shared<ImageCache>("test.thumbnails", home() + "/cache");
  ImageViewLoading::setCacheForTesting(cache);
  auto file = [&](const std::string& relative) {
    const std::string path = home() + "/" + relative;
    EXPECT_TRUE(files::createDirectories(files::deletingLastPathComponent(path)));
    EXPECT_TRUE(files::atomicWrite(path, "pixels"));
    return path;
  };
  const std::string copied = file(".vellisto/file/2023-11-15/My Photo.png");
  const std::string original = file("Pictures/My Photo.png");
  const std::string web = file(".vellisto/web/2023-11-15/logo.png");
  const std::string shared = file(".vellisto/web/2023-11-15/shared.png");
  const std::string outside = file("Documents/not ours.png");
  const std::vector<std::pair<std::string, Json>> records = {
      {"photo",
       {{"image", home() + "/.vellisto/file/2023-11-15/My%20Photo.png"}, {"image_relative", original}}},
      {"logo", {{"web_image", web}, {"screenshot", web}}},
      {"shared once", {{"web_image", shared}}},
      {"shared twice", {{"web_image", shared}}},
      // A sync peer's json may name any path: only files inside our own folders are ever removed.
      {"hostile",
       {{"image", home() + "/.vellisto/file/../../Documents/not%20ours.png"},
        {"web_image", outside},
        {"forever_image", home() + "/.vellisto/forever/../../Documents/not%20ours.png"}}},
  };
  auto image = std::make_shared<ui::Image>(ui::Size{2, 2}, 2, 2, std::vector<std::uint8_t>(16, 9));
  std::set<std::string> thumbnails;
  for (const auto& [text, json] : records) {
    ASSERT_NE(engine().append(text, std::nullopt, json, kClip), nullptr);
    for (const auto& [key, value] : json.items()) {
      for (double width : {18.0, 300.0}) {
        const std::string cacheKey = ImageViewLoading::_cacheKey("file://" + value.get<std::string>(), width);
        cache->storeImage(image, cacheKey);
        thumbnails.insert(cache->cachePathForKey(cacheKey));
      }
    }
  }
  for (const auto& [text, json] : records) {
    if (text != "shared twice") {
      EXPECT_TRUE(engine().delChunkByContext(text, json, kClip));
    }
  }
  RecordFiles::waitForPendingRemovals();
  ImageViewLoading::setCacheForTesting(nullptr);

  EXPECT_FALSE(files::exists(copied));
  EXPECT_FALSE(files::exists(web));
  EXPECT_TRUE(files::exists(shared));  // still named by "shared twice"
  EXPECT_TRUE(files::exists(original));
  EXPECT_TRUE(files::exists(outside));
  std::size_t left = 0;
  for (const std::string& path : thumbnails) left += files::exists(path) ? 1 : 0;
  EXPECT_EQ(left, 2u);  // the shared image's two widths
  EXPECT_EQ(cache->imageFromCacheForKey(ImageViewLoading::_cacheKey("file://" + web, 18)), nullptr);

  EXPECT_TRUE(engine().delChunkByContext("shared twice", records[3].second, kClip));
  RecordFiles::waitForPendingRemovals();
  EXPECT_FALSE(files::exists(shared));
}

TEST_F(StoreRecordsTest, SyncExportsSkipLocalRecordsAndStampTheDevice) {
  loadAll();
  auto text1 = engine().append("one", std::nullopt, std::nullopt, kClip);
  clock_->advanceMs(1000);
  auto app = engine().append("Editor", std::nullopt, Json{{"app", true}}, kClip);
  clock_->advanceMs(1000);
  auto image = engine().append("pic", std::nullopt, Json{{"image", home() + "/missing.png"}}, kClip);
  clock_->advanceMs(1000);
  auto text2 = engine().append("two", std::nullopt, Json{{"sync_device_id", "peer"}}, kClip);
  pins().clipboardPinTab()->sortedTable()->append({text2, image, app, text1});

  EXPECT_TRUE(engine().getLatestForDataSync(0).empty());
  std::vector<Json> all = engine().getLatestForDataSync(10);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0]["context"], "one");  // oldest first
  EXPECT_EQ(all[1]["context"], "two");
  EXPECT_TRUE(all[0]["json"].contains("sync_device_id"));
  EXPECT_EQ(all[1]["json"]["sync_device_id"], "peer");
  // The stamp is kept in the record too.
  EXPECT_TRUE(text1->json()->contains("sync_device_name"));

  std::vector<Json> latest = engine().getLatestForDataSync(1);
  ASSERT_EQ(latest.size(), 1u);
  EXPECT_EQ(latest[0]["context"], "two");
  std::vector<Json> since = engine().getSinceTimestampForDataSync(text1->timestampValue() + 0.5).records;
  ASSERT_EQ(since.size(), 1u);
  EXPECT_EQ(since[0]["context"], "two");
}

TEST_F(StoreRecordsTest, RecentListKeepsTwentyFourAndForgetsDeletedRecords) {
  loadAll();
  std::vector<std::shared_ptr<Vellisto_Chunk>> chunks;
  for (int i = 0; i < 30; ++i)
    chunks.push_back(engine().append("c" + std::to_string(i), std::nullopt, std::nullopt, kClip));
  auto table = ChunkSortedWeakTable::newTable();
  EXPECT_EQ(table->lastTimestamp(), 0);
  table->append(chunks);
  table->cutIfNeeded();
  EXPECT_EQ(table->count(), 24u);
  table->remove(chunks[0]);
  table->head(chunks[5]);
  EXPECT_EQ(table->liveChunks().front(), chunks[5]);
  EXPECT_DOUBLE_EQ(table->lastTimestamp(), chunks[23]->timestampValue());
  engine().delChunkByContext("c23", std::nullopt, kClip);
  chunks[23].reset();
  EXPECT_EQ(table->lastTimestamp(), 0);
}

// The capture queue appends while the main thread finds, selects and deletes, and a sync loop exports:
// every record appended and not deleted is there afterwards, across the roll-overs.
TEST_F(StoreRecordsTest, CaptureMainThreadAndSyncUseTheStoreAtOnce) {
  loadAll();
  constexpr int kRecords = 2500;
  std::thread capture([] {
    for (int i = 0; i < kRecords; ++i)
      engine().append("c" + std::to_string(i), std::nullopt, std::nullopt, kClip);
  });
  std::thread sync([] {
    for (int i = 0; i < 200; ++i) engine().getLatestForDataSync(24);
  });
  int deleted = 0;
  for (int i = 0; i < 400; ++i) {
    const std::string text = "c" + std::to_string(i);
    if (engine().findContext(text, std::nullopt, kClip))
      engine().selectContext(text, "c", std::nullopt, kClip);
    if (i % 3 == 0 && engine().delChunkByContext(text, std::nullopt, kClip)) ++deleted;
  }
  capture.join();
  sync.join();
  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_EQ(texts(engine().headDoc()).size(), static_cast<std::size_t>(kRecords - deleted));
  loadAll();
  EXPECT_EQ(texts(engine().headDoc()).size(), static_cast<std::size_t>(kRecords - deleted));
}

}  // namespace
}  // namespace vl
