#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "DocTestSupport.h"
#include "VLEngine/doc/bigdoc/DocTextForm.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/gzip/GzipUtility.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"

namespace vl {
namespace {

using test::contexts;
using test::loadDoc;
using test::record;
using test::RecordingOwner;
using test::TempFolder;

const std::string kEOC(doctext::kChunkSeparator);

class BigDocTest : public ::testing::Test {
 protected:
  void TearDown() override { Vellisto_BigDoc::waitForPendingWrites(); }
  TempFolder dir;
};

TEST_F(BigDocTest, OnlyBigDocWithDigitsIsADocName) {
  const std::vector<std::pair<std::string, std::optional<std::int64_t>>> cases = {
      {"BigDoc_7", 7},
      {"BigDoc_007", 7},
      {"BigDoc_7.tmp", std::nullopt},
      {"BigDoc_", std::nullopt},
      {"BigDoc_-1", std::nullopt},
      {"BigDocs_7", std::nullopt},
      {"BigDoc_12345678901234567890", std::nullopt},
      {".BigDoc_7-0a1b.partial", std::nullopt},
  };
  for (const auto& [name, id] : cases) EXPECT_EQ(Vellisto_BigDoc::docIdOfFileName(name), id) << name;

  // Pin tab folders carry "_" themselves; only the file name counts.
  ASSERT_TRUE(files::createDirectories(dir / "3_Work_tab"));
  ASSERT_TRUE(files::atomicWrite(dir / "3_Work_tab/BigDoc_12", ""));
  ASSERT_TRUE(files::atomicWrite(dir / "BigDoc_7.tmp", ""));
  auto doc = loadDoc(dir / "3_Work_tab/BigDoc_12");
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->docId(), 12);
  EXPECT_EQ(loadDoc(dir / "BigDoc_7.tmp"), nullptr);
}

// Three records, then two: the file holds exactly the two, and a logically deleted slot stays a slot.
TEST_F(BigDocTest, RewriteLeavesExactlyTheCurrentSlots) {
  auto doc = Vellisto_BigDoc::emptyDoc(0, dir.path());
  auto a = record("a"), b = record("b"), c = record("c"), d = record("d");
  for (const auto& chunk : {a, b, c, d}) doc->appendChunk(chunk);
  Vellisto_BigDoc::waitForPendingWrites();
  ASSERT_TRUE(doc->physicalDeleteChunkByDigest(d->sig()));
  doc->logicalDeleteChunk(1);
  doc->logicalDeleteChunk(7);  // out of range: logged, nothing happens
  EXPECT_EQ(doc->stringValue(), *a->stringValue() + kEOC + "" + kEOC + *c->stringValue());
  doc->persist();
  Vellisto_BigDoc::waitForPendingWrites();

  std::optional<std::string> bytes = files::readFile(dir / "BigDoc_0");
  // The file is that one member: nothing of the longer content stays behind it.
  const GzipUtility::Inflated inflated = GzipUtility::ungzipReadable(*bytes);
  EXPECT_TRUE(inflated.complete);
  EXPECT_EQ(inflated.trailingBytes, 0u);
  EXPECT_EQ(inflated.data, doc->stringValue());
  auto back = loadDoc(dir / "BigDoc_0");
  EXPECT_EQ(contexts(*back), (std::vector<std::string>{"a", "<empty>", "c"}));
  EXPECT_EQ(back->indexOfDigest(c->sig()), back->chunkAt(2));
}

TEST_F(BigDocTest, EmptyFileHoldsOnePlaceholderAndAnEmptiedDocWritesAnEmptyFile) {
  ASSERT_TRUE(files::atomicWrite(dir / "BigDoc_4", ""));
  auto doc = loadDoc(dir / "BigDoc_4");
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->chunkCount(), 1u);
  EXPECT_EQ(doc->chunkAt(0), nullptr);

  auto chunk = record("only");
  doc->appendChunk(chunk);
  EXPECT_EQ(doc->chunkAt(1), chunk);
  EXPECT_EQ(doc->indexOf("only"), chunk);
  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_EQ(GzipUtility::ungzipData(*files::readFile(dir / "BigDoc_4")), chunk->stringValue());

  EXPECT_TRUE(doc->physicalDeleteChunk("only"));
  EXPECT_FALSE(doc->physicalDeleteChunk("only"));
  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_EQ(files::fileSize(dir / "BigDoc_4"), std::optional<std::uint64_t>(0));
  auto back = loadDoc(dir / "BigDoc_4");
  EXPECT_EQ(contexts(*back), (std::vector<std::string>{"<empty>"}));
}

// Placeholders count as slots: a doc loaded from an empty file rolls over one append earlier.
TEST_F(BigDocTest, RollsOverWhenTheThousandthSlotFills) {
  for (bool fromEmptyFile : {false, true}) {
    SCOPED_TRACE(fromEmptyFile ? "from an empty file" : "new doc");
    TempFolder folder;
    std::shared_ptr<Vellisto_BigDoc> doc;
    if (fromEmptyFile) {
      ASSERT_TRUE(files::atomicWrite(folder / "BigDoc_0", ""));
      doc = loadDoc(folder / "BigDoc_0");
    } else {
      doc = Vellisto_BigDoc::emptyDoc(0, folder.path());
    }
    auto owner = std::make_shared<RecordingOwner>();
    owner->tail = doc;
    doc->setChainOwner(owner);
    const int appends = fromEmptyFile ? 999 : 1000;
    for (int i = 0; i < appends - 1; ++i) doc->appendChunk(record("r" + std::to_string(i)));
    Vellisto_BigDoc::waitForPendingWrites();
    EXPECT_FALSE(files::exists(folder / "BigDoc_1"));
    EXPECT_EQ(owner->docCount, 1);

    doc->appendChunk(record("last of the first doc"));
    Vellisto_BigDoc::waitForPendingWrites();
    EXPECT_TRUE(files::exists(folder / "BigDoc_1"));
    ASSERT_EQ(owner->docCount, 2);
    ASSERT_NE(owner->tail, doc);
    EXPECT_EQ(owner->rolledFrom, doc);
    EXPECT_EQ(owner->tail->docId(), 1);
    EXPECT_EQ(doc->next(), owner->tail);
    EXPECT_EQ(owner->tail->prev(), doc);
    EXPECT_EQ(owner->tail->chainOwner(), owner);

    owner->tail->appendChunk(record("first of the second doc"));
    Vellisto_BigDoc::waitForPendingWrites();
    // A placeholder writes nothing, so the reloaded doc holds only the records.
    EXPECT_EQ(loadDoc(folder / "BigDoc_0")->chunkCount(), fromEmptyFile ? 999u : 1000u);
    EXPECT_EQ(contexts(*loadDoc(folder / "BigDoc_1")), (std::vector<std::string>{"first of the second doc"}));
  }
}

TEST_F(BigDocTest, RollOverNeverReplacesADocThatHoldsData) {
  ASSERT_TRUE(files::atomicWrite(dir / "BigDoc_1", "someone else's records"));
  auto doc = Vellisto_BigDoc::emptyDoc(0, dir.path());
  EXPECT_EQ(Vellisto_BigDoc::emptyDoc(1, dir.path()), nullptr);
  auto owner = std::make_shared<RecordingOwner>();
  doc->setChainOwner(owner);
  for (int i = 0; i < 1000; ++i) doc->appendChunk(record("r" + std::to_string(i)));
  Vellisto_BigDoc::waitForPendingWrites();
  ASSERT_NE(owner->tail, nullptr);
  EXPECT_EQ(owner->tail->docId(), 2);
  EXPECT_EQ(files::readFile(dir / "BigDoc_1"), std::optional<std::string>("someone else's records"));
  EXPECT_EQ(files::fileSize(dir / "BigDoc_2"), std::optional<std::uint64_t>(0));
}

// A doc with no file (the benchmarks' histories) rolls over into another doc with no file: nothing is
// written in the folder the process runs in.
TEST_F(BigDocTest, ADocInMemoryOnlyRollsOverIntoMemory) {
  auto doc = Vellisto_BigDoc::emptyDoc(41, dir.path());
  Vellisto_BigDoc::waitForPendingWrites();
  doc->setFilePath("");
  auto owner = std::make_shared<RecordingOwner>();
  doc->setChainOwner(owner);
  for (int i = 0; i < 1000; ++i) doc->appendChunk(record("r" + std::to_string(i)));
  Vellisto_BigDoc::waitForPendingWrites();
  ASSERT_NE(owner->tail, nullptr);
  EXPECT_EQ(owner->tail->docId(), 42);
  EXPECT_EQ(owner->tail->filePath(), "");
  EXPECT_FALSE(files::exists("BigDoc_42"));
  owner->tail->appendChunk(record("first of the second doc"));
  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_EQ(owner->tail->chunkCount(), 1u);
  EXPECT_FALSE(files::exists("BigDoc_42"));
  (void)files::removeRecursive("BigDoc_42");  // what the doc would have left where the test runs
}

TEST_F(BigDocTest, DeleteRebuildsIndexesAndTellsTheOwner) {
  auto doc = Vellisto_BigDoc::emptyDoc(0, dir.path());
  auto owner = std::make_shared<RecordingOwner>();
  doc->setChainOwner(owner);
  auto a = record("a");
  auto b = Vellisto_Chunk::initWithContext("b", std::nullopt, std::nullopt, "snippet");
  auto c = record("c");
  for (const auto& chunk : {a, b, c}) doc->appendChunk(chunk);
  EXPECT_EQ(doc->getHasAliasChunks(), (std::vector<std::shared_ptr<Vellisto_Chunk>>{b}));

  EXPECT_TRUE(doc->physicalDeleteChunkByDigest(a->sig()));
  EXPECT_EQ(owner->left, (std::vector<std::string>{a->sig()}));
  EXPECT_EQ(doc->indexOfDigest(a->sig()), nullptr);
  EXPECT_EQ(doc->indexOfDigest(c->sig()), doc->chunkAt(1));
  EXPECT_EQ(doc->getHasAliasChunks(), (std::vector<std::shared_ptr<Vellisto_Chunk>>{b}));
  EXPECT_FALSE(doc->physicalDeleteChunkByDigest("0123456789abcdef0123456789abcdef"));

  doc->updateAlias(0, "");
  doc->chunkAliasUpdated(b);
  EXPECT_TRUE(doc->getHasAliasChunks().empty());
}

TEST_F(BigDocTest, FieldsHoldingSeparatorsSurviveAReload) {
  auto doc = Vellisto_BigDoc::emptyDoc(0, dir.path());
  const std::vector<std::string> texts = {"plain",
                                          "a" + std::string(doctext::kChunkSeparator) + "b",
                                          "a" + std::string(doctext::kFieldSeparator) + "b",
                                          "a" + std::string(doctext::kWordSeparator) + "b",
                                          std::string(doctext::kEscapeMarker) + "x",
                                          "%5E^%25",
                                          std::string("zero\0byte", 10),
                                          "end"};
  for (const auto& text : texts) {
    auto chunk = Vellisto_Chunk::initWithContext(text, text, Json{{"html", text}}, text);
    chunk->offerSearchWord(text);
    doc->appendChunk(chunk);
  }
  Vellisto_BigDoc::waitForPendingWrites();
  auto back = loadDoc(dir / "BigDoc_0");
  ASSERT_EQ(contexts(*back), texts);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    auto chunk = back->chunkAt(i);
    EXPECT_EQ(*chunk->rich(), texts[i]);
    EXPECT_EQ(*chunk->alias(), texts[i]);
    EXPECT_EQ(*chunk->json(), (Json{{"html", texts[i]}}));
    EXPECT_EQ(chunk->lru()->find(texts[i]), 0);
    EXPECT_EQ(chunk->sig(), Vellisto_Chunk::md5HexDigest(texts[i]));
  }
  EXPECT_EQ(back->getHasAliasChunks().size(), texts.size());
}

TEST_F(BigDocTest, QueuedWritesOfOneDocAreCoalesced) {
  auto a = Vellisto_BigDoc::emptyDoc(0, dir.path());
  auto b = Vellisto_BigDoc::emptyDoc(1, dir.path());
  Vellisto_BigDoc::waitForPendingWrites();
  std::promise<void> gate;
  std::shared_future<void> opened = gate.get_future().share();
  Vellisto_BigDoc::persistQueue()->async([opened] { opened.wait(); });
  const auto before = Vellisto_BigDoc::persistStats();
  for (int i = 0; i < 5; ++i) a->appendChunk(record("a" + std::to_string(i)));
  for (int i = 0; i < 3; ++i) b->appendChunk(record("b" + std::to_string(i)));
  gate.set_value();
  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_EQ(Vellisto_BigDoc::persistStats().writes - before.writes, 2u);
  EXPECT_EQ(loadDoc(dir / "BigDoc_0")->chunkCount(), 5u);
  EXPECT_EQ(loadDoc(dir / "BigDoc_1")->chunkCount(), 3u);
}

TEST_F(BigDocTest, ForeverImagesAreRemovedOnlyInsideTheForeverFolder) {
  const std::string forever = dir / "forever";
  ASSERT_TRUE(files::createDirectories(forever + "/sub"));
  ASSERT_TRUE(files::createDirectories(forever + "/folder.png"));
  auto queue = dispatch::Queue::serial("test.forever-removal");
  Vellisto_BigDoc::setFileRemovalQueue(queue);
  Vellisto_BigDoc::setForeverPath(forever + "/");

  struct Case {
    std::string jsonPath;
    std::string onDisk;
    bool removed;
  };
  const std::vector<Case> cases = {
      {forever + "/in.png", forever + "/in.png", true},
      {forever + "/sub/deep.png", forever + "/sub/deep.png", true},
      {forever + "/my%20pic.png", forever + "/my pic.png", true},
      {dir / "outside.png", dir / "outside.png", false},
      {forever + "/../escape.png", dir / "escape.png", false},
      {forever + "/folder.png", forever + "/folder.png", false},
      {forever, forever, false},
  };
  auto doc = Vellisto_BigDoc::emptyDoc(0, dir.path());
  for (const auto& c : cases) {
    if (!files::exists(c.onDisk)) {
      ASSERT_TRUE(files::atomicWrite(c.onDisk, "image"));
    }
    auto chunk = Vellisto_Chunk::initWithContext("img " + c.jsonPath, std::nullopt,
                                                 Json{{"forever_image", c.jsonPath}});
    doc->appendChunk(chunk);
    ASSERT_TRUE(doc->physicalDeleteChunkByDigest(chunk->sig()));
    queue->sync([] {});
    EXPECT_EQ(files::exists(c.onDisk), !c.removed) << c.jsonPath;
  }
  Vellisto_BigDoc::setFileRemovalQueue(nullptr);
  Vellisto_BigDoc::setForeverPath("");
}

}  // namespace
}  // namespace vl
