#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DocTestSupport.h"
#include "VLEngine/doc/bigdoc/DocFileReplacer.h"
#include "VLEngine/doc/bigdoc/DocTextForm.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/bigdoc/Vellisto_DefaultCodec.h"
#include "VLEngine/doc/gzip/GzipUtility.h"
#include "VLEngine/doc/journal/DocJournal.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Text.h"

namespace vl {
namespace {

using test::contexts;
using test::loadDoc;
using test::LogCapture;
using test::record;
using test::TempFolder;

const std::string kFixtures = std::string(VL_TEST_DATA_DIR) + "/VLEngine";

class BigDocDamageTest : public ::testing::Test {
 protected:
  void TearDown() override {
    Vellisto_BigDoc::waitForPendingWrites();
    DocFileReplacer::setBeforeRenameHookForTesting(nullptr);
  }
  // Works on a copy, so writing never touches the fixtures.
  std::string copyFixture(const std::string& relative) {
    std::string target = dir / files::lastPathComponent(relative);
    EXPECT_TRUE(files::copyFile(kFixtures + "/" + relative, target, true)) << relative;
    return target;
  }
  std::vector<std::string> namesInDir() { return files::listDirectory(dir.path()).names; }
  TempFolder dir;
};

// Loaded records must be exactly the fixture's records from the first on, in order.
void expectFixturePrefix(const Vellisto_BigDoc& doc, std::size_t minimum) {
  std::size_t loaded = 0;
  for (const auto& text : contexts(doc)) {
    if (text == "<empty>") continue;
    ++loaded;
    EXPECT_TRUE(startsWith(text, "fixture record " + std::to_string(loaded) + ": ")) << text;
  }
  EXPECT_GE(loaded, minimum);
}

TEST_F(BigDocDamageTest, CutOffDocLoadsItsReadableRecordsAndIsKeptUntilWritten) {
  LogCapture log;
  const std::string path = copyFixture("truncated/BigDoc_3");
  const std::string original = *files::readFile(path);
  auto doc = loadDoc(path);
  ASSERT_NE(doc, nullptr);
  EXPECT_TRUE(doc->isDamaged());
  EXPECT_TRUE(log.contains(path));
  expectFixturePrefix(*doc, 2);
  EXPECT_LT(doc->chunks().size(), 6u);
  // The record cut in half is a placeholder, never a record with half a text.
  EXPECT_EQ(doc->chunks().back(), nullptr);
  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_EQ(files::readFile(path), original);

  const std::vector<std::string> readable = contexts(*doc);
  doc->appendChunk(record("written on purpose"));
  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_FALSE(doc->isDamaged());
  bool keptCopy = false;
  for (const auto& name : namesInDir()) {
    if (startsWith(name, "damaged-BigDoc_3-")) keptCopy = files::readFile(dir / name) == original;
  }
  EXPECT_TRUE(keptCopy);
  auto back = loadDoc(path);
  EXPECT_FALSE(back->isDamaged());
  EXPECT_EQ(back->chunkCount(), readable.size());  // the trailing placeholder's slot took the new record
}

TEST_F(BigDocDamageTest, DamagedAndForeignFilesLoadWhatTheyCan) {
  struct Case {
    std::string fixture;
    std::size_t minimumRecords;
    std::size_t maximumRecords;
    bool damaged;
  };
  const std::vector<Case> cases = {
      {"corrupt/BigDoc_4", 1, 5, true},
      {"not_gzip/BigDoc_5", 0, 0, true},
      // Written in place by an older version: stale bytes of a longer doc follow the first member, and
      // only the file holds them.
      {"stale_tail/BigDoc_1", 2, 2, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    LogCapture log;
    const std::string path = copyFixture(c.fixture);
    const std::string original = *files::readFile(path);
    auto doc = loadDoc(path);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->isDamaged(), c.damaged);
    if (c.damaged) {
      EXPECT_TRUE(log.contains(path));
    }
    std::size_t records = 0;
    for (const auto& chunk : doc->chunks()) records += chunk ? 1 : 0;
    EXPECT_GE(records, c.minimumRecords);
    EXPECT_LE(records, c.maximumRecords);
    expectFixturePrefix(*doc, c.minimumRecords);
    Vellisto_BigDoc::waitForPendingWrites();
    EXPECT_EQ(files::readFile(path), original);
  }
}

TEST_F(BigDocDamageTest, UnreadableRecordKeepsItsSlot) {
  LogCapture log;
  auto a = record("a");
  auto c = record("c");
  const std::string sep(doctext::kChunkSeparator);
  ASSERT_TRUE(files::atomicWrite(
      dir / "BigDoc_9",
      *GzipUtility::gzipData(*a->stringValue() + sep + "not a record" + sep + *c->stringValue())));
  auto doc = loadDoc(dir / "BigDoc_9");
  EXPECT_EQ(contexts(*doc), (std::vector<std::string>{"a", "<empty>", "c"}));
  EXPECT_EQ(doc->indexOfDigest(c->sig()), doc->chunkAt(2));
  EXPECT_TRUE(log.contains("unreadable"));
}

// What only the file holds is kept: a json past the bounds in the damaged copy, any other json text in
// the record itself; and the text past the decoder's bound in the damaged copy.
TEST_F(BigDocDamageTest, RecordJsonAndTextPastTheBoundsAreKeptAside) {
  const std::string deep = "{\"a\": " + std::string(100000, '[') + std::string(100000, ']') + "}";
  const std::string big(700 << 10, 'x');
  struct Case {
    const char* name;
    std::vector<std::string> texts;
    std::string json;
    std::size_t maxTextBytes;
    bool damaged;
  };
  const std::vector<Case> cases = {
      {"deep json", {"a", "b"}, deep, GzipUtility::kMaxInflatedBytes, true},
      {"json text", {"a", "b"}, "not json", GzipUtility::kMaxInflatedBytes, false},
      {"text past the bound", {"a", big, big}, "{}", 1 << 20, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    std::string text;
    for (const auto& context : c.texts) {
      std::string form = *record(context)->stringValue();
      form = form.substr(0, form.rfind(doctext::kFieldSeparator) + doctext::kFieldSeparator.size()) + c.json;
      text += (text.empty() ? "" : std::string(doctext::kChunkSeparator)) + form;
    }
    const std::string path = folder / "BigDoc_2";
    const std::string original = *GzipUtility::gzipData(text);
    ASSERT_TRUE(files::atomicWrite(path, original));
    auto doc = std::make_shared<Vellisto_BigDoc>();
    doc->setCodec(std::make_shared<Vellisto_DefaultCodec>(c.maxTextBytes));
    ASSERT_TRUE(doc->load(path));
    EXPECT_EQ(doc->isDamaged(), c.damaged);
    EXPECT_EQ(contexts(*doc)[0], "a");

    doc->appendChunk(record("c"));
    Vellisto_BigDoc::waitForPendingWrites();
    bool keptCopy = false;
    for (const auto& name : files::listDirectory(folder.path()).names) {
      if (startsWith(name, "damaged-BigDoc_2-")) keptCopy = files::readFile(folder / name) == original;
    }
    EXPECT_EQ(keptCopy, c.damaged);
    auto back = loadDoc(path);
    EXPECT_FALSE(back->isDamaged());
    const std::string form = *back->chunkAt(0)->stringValue();
    if (c.json != "{}") {
      EXPECT_EQ(endsWith(form, c.json), !c.damaged);
    }
  }
}

// The rewrite of a doc stops before its rename, as a crash would: the previous file stays, beside it a
// temporary and the journal that holds the newer record, and the next load has both records.
TEST_F(BigDocDamageTest, WriteInterruptedBeforeTheRenameLeavesThePreviousDocAndItsJournal) {
  // No retry of the failed write fires by itself: only the waits below write.
  Clock::install(std::make_shared<ManualClock>());
  auto doc = Vellisto_BigDoc::emptyDoc(0, dir.path());
  doc->appendChunk(record("kept"));
  Vellisto_BigDoc::waitForPendingWrites();
  const std::string before = *files::readFile(dir / "BigDoc_0");

  DocFileReplacer::setBeforeRenameHookForTesting(
      [](const std::string&, const std::string&) { return false; });
  doc->appendChunk(record("journaled before the crash"));
  Vellisto_BigDoc::waitForPendingWrites();
  DocFileReplacer::setBeforeRenameHookForTesting(nullptr);

  EXPECT_EQ(files::readFile(dir / "BigDoc_0"), before);
  std::vector<std::string> temporaries;
  for (const auto& name : namesInDir()) {
    if (name == "BigDoc_0" || DocJournal::parseFileName(name)) continue;
    temporaries.push_back(name);
  }
  ASSERT_EQ(temporaries.size(), 1u);
  EXPECT_FALSE(startsWith(temporaries[0], "BigDoc"));
  EXPECT_FALSE(endsWith(temporaries[0], ".tmp"));
  EXPECT_TRUE(DocFileReplacer::isTemporaryName(temporaries[0]));
  EXPECT_EQ(contexts(*loadDoc(dir / "BigDoc_0")),
            (std::vector<std::string>{"kept", "journaled before the crash"}));

  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_NE(files::readFile(dir / "BigDoc_0"), before);
  DocFileReplacer::removeStaleTemporaries(dir.path());
  EXPECT_EQ(namesInDir(), (std::vector<std::string>{"BigDoc_0"}));
  EXPECT_EQ(contexts(*loadDoc(dir / "BigDoc_0")),
            (std::vector<std::string>{"kept", "journaled before the crash"}));
  Clock::install(nullptr);
}

}  // namespace
}  // namespace vl
