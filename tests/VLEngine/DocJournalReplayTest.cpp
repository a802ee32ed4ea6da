#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "DocTestSupport.h"
#include "StoreTestSupport.h"
#include "VLEngine/doc/bigdoc/DocChainLoader.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/journal/DocJournal.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Files.h"

// Journals whose records are sound as bytes but name what the doc does not hold, or hold copied text
// that looks like records: the replay applies only what the program wrote for the doc.
namespace vl::journal_replay {
namespace {

using test::loadedRecords;
using test::LogCapture;
using test::record;
using test::recordsOf;
using test::TempFolder;
using Type = DocJournal::Type;

std::string form(const std::string& text) {
  return *Vellisto_Chunk::initWithContext(text, std::nullopt, std::nullopt, std::nullopt, "1700000000.000000")
              ->stringValue();
}
std::string appended(const std::string& text) {
  return DocJournal::encodeChange({Type::Append, 0, form(text)});
}
std::string sigOf(const std::string& text) { return record(text)->sig(); }

class DocJournalReplayTest : public ::testing::Test {
 protected:
  void SetUp() override { Clock::install(std::make_shared<ManualClock>()); }
  void TearDown() override {
    Vellisto_BigDoc::waitForPendingWrites();
    Clock::install(nullptr);
  }
};

// A change whose rank is past the doc's records (however far: ranks near 2^64 would wrap around when
// counted on over the doc's empty slots) is passed over with a log line; the sound changes around it are
// replayed. The doc file is empty, so the doc starts with one empty slot.
TEST_F(DocJournalReplayTest, AChangeNamingARankPastTheRecordsIsPassedOver) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  const std::vector<std::uint64_t> ranks = {2, 3, std::uint64_t{1} << 63, kMax - 1, kMax};
  const std::string before = DocJournal::encodeHeader({0, 1, 0}) + appended("a") + appended("b");
  const std::string after = DocJournal::encodeChange({Type::Erase, 0, sigOf("a")}) + appended("c");
  for (const Type type : {Type::Set, Type::Erase}) {
    for (const std::uint64_t rank : ranks) {
      SCOPED_TRACE(std::string(type == Type::Set ? "a set" : "an erase") + " of rank " +
                   std::to_string(rank));
      const std::string bad =
          DocJournal::encodeChange({type, rank, type == Type::Set ? form("forged") : sigOf("b")});
      TempFolder folder;
      ASSERT_TRUE(files::atomicWrite(folder / "BigDoc_0", ""));
      ASSERT_TRUE(files::atomicWrite(folder / "journal_0.1", before + bad + after));
      LogCapture log;
      auto doc = test::loadDoc(folder / "BigDoc_0");
      ASSERT_NE(doc, nullptr);
      EXPECT_EQ(recordsOf(*doc), (std::vector<std::string>{"b", "c"}));
      EXPECT_TRUE(log.contains("past the doc's records (the first: rank " + std::to_string(rank)));
    }
  }
}

// A copied text may hold the bytes of well-formed records. When the length of the record that carries
// it is damaged, reading starts again only where the program's own next record begins: nothing inside
// the text is replayed, and every intact record after it is.
TEST_F(DocJournalReplayTest, RecordsInsideACopiedTextAreNeverReplayedAfterDamage) {
  const std::string inside = DocJournal::encodeChange({Type::Set, 0, form("forged set")}) +
                             DocJournal::encodeChange({Type::Erase, 0, sigOf("first")}) +
                             appended("forged append");
  const std::string copied = "copied " + inside;
  struct Case {
    const char* name;
    std::uint32_t length;  // 0: the record's own length, one more
  };
  const std::vector<Case> cases = {
      {"a length that ends inside the copied text", 9},
      {"a length one byte too long", 0},
      {"a length past the end", 1u << 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    {
      auto doc = Vellisto_BigDoc::emptyDoc(0, folder.path());
      doc->appendChunk(record("first"));
      Vellisto_BigDoc::waitForPendingWrites();
      auto carrier = record(copied);
      doc->appendChunk(carrier);
      doc->appendChunk(record("third"));
      doc->appendChunk(record("fourth"));
      const std::vector<std::string> journals = [&] {
        std::vector<std::string> out;
        for (const auto& name : files::listDirectory(folder.path()).names) {
          if (DocJournal::parseFileName(name)) out.push_back(name);
        }
        return out;
      }();
      ASSERT_FALSE(journals.empty());
      const std::string path = folder / journals.back();
      std::string bytes = *files::readFile(path);
      const std::string payload = *carrier->stringValue();
      const std::size_t at = bytes.find(payload);
      ASSERT_NE(at, std::string::npos);
      ASSERT_GE(at, 5u);
      const std::uint32_t length = c.length ? c.length : static_cast<std::uint32_t>(payload.size() + 1);
      for (int i = 0; i < 4; ++i) bytes[at - 5 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
      ASSERT_TRUE(files::atomicWrite(path, bytes));
    }
    LogCapture log;
    EXPECT_EQ(loadedRecords(folder.path()), (std::vector<std::string>{"first", "third", "fourth"}));
    EXPECT_TRUE(log.contains("damaged"));
  }
}

// The doc's writer journals every append it is given, the same record twice included: where a journal's
// ranks hold, the doc the user saw held it twice, and every later change names its record by ranks that
// count both. Where they do not hold (a journal whose changes the file may hold already, its fold mark
// lost), an append of a record the doc holds is one replayed already.
TEST_F(DocJournalReplayTest, AnAppendWrittenTwiceIsReplayedAsWrittenWhereRanksHold) {
  TempFolder folder;
  ASSERT_TRUE(files::atomicWrite(folder / "BigDoc_0", ""));
  const std::string later =
      *Vellisto_Chunk::initWithContext("b", std::nullopt, std::nullopt, std::nullopt, "1700000005.000000")
           ->stringValue();
  // a, a, b; the second a deleted in place; then the last record, b, stamped again.
  ASSERT_TRUE(files::atomicWrite(folder / "journal_0.1",
                                 DocJournal::encodeHeader({0, 1, 0}) + appended("a") + appended("a") +
                                     appended("b") + DocJournal::encodeChange({Type::Set, 1, ""}) +
                                     DocJournal::encodeChange({Type::Set, 1, later})));
  auto formsOf = [](const Vellisto_BigDoc& doc) {
    std::vector<std::string> out;
    for (const auto& chunk : doc.chunks()) {
      if (chunk) out.push_back(*chunk->stringValue());
    }
    return out;
  };
  {
    LogCapture log;
    auto doc = test::loadDoc(folder / "BigDoc_0");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(formsOf(*doc), (std::vector<std::string>{form("a"), later}));
    EXPECT_FALSE(log.contains("past the doc's records"));
  }
  // A journal that does not start from the doc as it stands: a, held already, is not appended again.
  ASSERT_TRUE(files::atomicWrite(folder / "journal_0.2",
                                 DocJournal::encodeHeader({0, 2, 0}) + appended("a") + appended("c")));
  auto doc = test::loadDoc(folder / "BigDoc_0");
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(formsOf(*doc), (std::vector<std::string>{form("a"), later, form("c")}));
}

// A doc file that holds a signature twice, with two stamps, and a journal whose ranks are not trusted
// (its header is gone): an erase of one of them forgets that one's stamp alone, so a repeat of the
// other, which the file holds, is still known for one.
TEST_F(DocJournalReplayTest, AnEraseForgetsOnlyTheStampOfTheRecordItErased) {
  TempFolder folder;
  auto older =
      Vellisto_Chunk::initWithContext("x", std::nullopt, std::nullopt, std::nullopt, "1700000000.000000");
  auto newer =
      Vellisto_Chunk::initWithContext("x", std::nullopt, std::nullopt, std::nullopt, "1700000009.000000");
  {
    auto doc = Vellisto_BigDoc::emptyDoc(0, folder.path());
    doc->appendChunk(older);
    doc->appendChunk(newer);
    Vellisto_BigDoc::waitForPendingWrites();
  }
  ASSERT_TRUE(files::atomicWrite(folder / "journal_0.1",
                                 DocJournal::encodeChange({Type::Erase, 1, newer->sig()}) +
                                     DocJournal::encodeChange({Type::Append, 0, *older->stringValue()})));
  auto doc = test::loadDoc(folder / "BigDoc_0");
  ASSERT_NE(doc, nullptr);
  std::vector<std::string> stamps;
  for (const auto& chunk : doc->chunks()) {
    if (chunk) stamps.push_back(chunk->timestamp());
  }
  EXPECT_EQ(stamps, std::vector<std::string>{older->timestamp()});
}

// The store as the sync merge of pushed records uses it: a record is looked up without renewing its
// stamp and, when none is found, appended with the stamp it came with.
class DocJournalMergeTest : public test::StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    Clock::install(std::make_shared<ManualClock>(1.7e9));
  }
  void TearDown() override {
    Vellisto_BigDoc::waitForPendingWrites();
    StoreFixture::TearDown();
    Clock::install(nullptr);
  }

  std::shared_ptr<Vellisto_Chunk> mergePushed(const std::string& text, const std::string& stamp) {
    if (engine().findContext(text, false, std::nullopt, kClip)) return nullptr;
    return engine().append(text, std::nullopt, std::nullopt, std::nullopt, stamp, kClip);
  }

  // The changes the data folder's journals hold, oldest journal first.
  std::vector<DocJournal::Change> journaled() const {
    std::vector<DocJournal::Change> out;
    DocJournal::Visitor visitor;
    visitor.change = [&](DocJournal::Change&& change) { out.push_back(std::move(change)); };
    for (const auto& name : files::listDirectory(dataPath()).names) {
      if (DocJournal::parseFileName(name)) (void)DocJournal::read(files::joinPath(dataPath(), name), visitor);
    }
    return out;
  }

  // The data folder as a kill at this moment leaves it, in a folder of its own.
  void crashInto(const std::string& folder) const {
    for (const auto& name : files::listDirectory(dataPath()).names) {
      const std::string from = files::joinPath(dataPath(), name);
      if (!files::isRegularFile(from) || files::isAtomicWriteTemporaryName(name)) continue;
      ASSERT_TRUE(files::atomicWrite(files::joinPath(folder, name), *files::readFile(from)));
    }
  }
};

// A record deleted here comes back from a device that still holds it, with its own stamp (a device's
// first sync after a new join pushes its history): the merge's look-up passes the deleted record by, and
// the doc journals the delete and then the append of the same signature and stamp. A kill before any
// fold must not lose it, after a delete in place, after an erase, and with damage between the two.
TEST_F(DocJournalMergeTest, ARecordPushedBackAfterItsDeleteOutlivesAKill) {
  struct Case {
    const char* name;
    bool inPlace;
    bool damageBetween;
  };
  const std::vector<Case> cases = {
      {"erased", false, false},
      {"deleted in place", true, false},
      {"deleted in place, a damaged change after it", true, true},
  };
  loadAll();
  mergePushed("neighbour", "1700000001.000000");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = std::string("pushed back, ") + c.name;
    const std::string stamp = "1700000002.000000";
    auto first = mergePushed(text, stamp);
    ASSERT_NE(first, nullptr);
    const std::string form = *first->stringValue();
    Vellisto_BigDoc::waitForPendingWrites();
    ASSERT_TRUE(journaled().empty());

    std::shared_ptr<Vellisto_BigDoc> doc = first->getDocRef();
    ASSERT_NE(doc, nullptr);
    auto slotOf = [&](const std::string& context) {
      const auto chunks = doc->chunks();
      for (std::size_t i = 0; i < chunks.size(); ++i) {
        if (chunks[i] && chunks[i]->context() == context) return i;
      }
      return chunks.size();
    };
    if (c.inPlace) {
      doc->logicalDeleteChunk(slotOf(text));
    } else {
      ASSERT_TRUE(engine().delChunkByContext(text, std::nullopt, kClip));
    }
    if (c.damageBetween) doc->refreshChunk(slotOf("neighbour"));
    auto back = mergePushed(text, stamp);
    ASSERT_NE(back, nullptr) << "the merge found the deleted record";

    // What the writer journaled: the delete, then the append of the same signature and stamp.
    const std::vector<DocJournal::Change> changes = journaled();
    ASSERT_EQ(changes.size(), c.damageBetween ? 3u : 2u);
    EXPECT_EQ(changes.front().type, c.inPlace ? Type::Set : Type::Erase);
    EXPECT_EQ(changes.front().text, c.inPlace ? std::string() : first->sig());
    EXPECT_EQ(changes.back().type, Type::Append);
    EXPECT_EQ(changes.back().text, form);
    EXPECT_EQ(*back->stringValue(), form);

    TempFolder crashed;
    crashInto(crashed.path());
    if (c.damageBetween) {
      // The neighbour's new form, one byte of it changed: its checksum no longer matches.
      for (const auto& name : files::listDirectory(crashed.path()).names) {
        if (!DocJournal::parseFileName(name)) continue;
        std::string bytes = *files::readFile(crashed / name);
        const std::size_t at = bytes.find("neighbour");
        if (at == std::string::npos) continue;
        bytes[at] = 'N';
        ASSERT_TRUE(files::atomicWrite(crashed / name, bytes));
      }
    }
    std::vector<std::string> stamps;
    const DocChain chain = DocChainLoader::loadFolder(crashed.path(), nullptr);
    for (auto d = chain.head; d; d = d->next()) {
      for (const auto& chunk : d->chunks()) {
        if (chunk && !chunk->isLogicallyDeleted() && chunk->context() == text)
          stamps.push_back(chunk->timestamp());
      }
    }
    EXPECT_EQ(stamps, std::vector<std::string>{stamp});
    Vellisto_BigDoc::waitForPendingWrites();
  }
}

}  // namespace
}  // namespace vl::journal_replay
