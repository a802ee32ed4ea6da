#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "DocTestSupport.h"
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

// The same append twice in a journal (or in two of them) is one record: the second is there already.
TEST_F(DocJournalReplayTest, AnAppendWrittenTwiceIsReplayedOnce) {
  TempFolder folder;
  ASSERT_TRUE(files::atomicWrite(folder / "BigDoc_0", ""));
  const std::string header = DocJournal::encodeHeader({0, 1, 0});
  ASSERT_TRUE(files::atomicWrite(folder / "journal_0.1",
                                 header + appended("a") + appended("a") + appended("b") + appended("a")));
  ASSERT_TRUE(files::atomicWrite(folder / "journal_0.2",
                                 DocJournal::encodeHeader({0, 2, 2}) + appended("b") + appended("c")));
  auto doc = test::loadDoc(folder / "BigDoc_0");
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(recordsOf(*doc), (std::vector<std::string>{"a", "b", "c"}));
}

}  // namespace
}  // namespace vl::journal_replay
