#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "DocTestSupport.h"
#include "VLEngine/doc/bigdoc/DocChainLoader.h"
#include "VLEngine/doc/bigdoc/DocTextForm.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/gzip/GzipUtility.h"
#include "VLEngine/doc/journal/DocJournal.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Text.h"

// Journals as damage, a crash or a hostile hand leave them: every record that is intact is replayed.
// A namespace of its own: the test folder is built as one unit, with the other journal tests' helpers.
namespace vl::journal_damage {
namespace {

using test::loadedRecords;
using test::LogCapture;
using test::recordsOf;
using test::TempFolder;
using Type = DocJournal::Type;

std::shared_ptr<Vellisto_Chunk> made(const std::string& text,
                                     const std::string& timestamp = "1700000000.000000") {
  return Vellisto_Chunk::initWithContext(text, std::nullopt, std::nullopt, std::nullopt, timestamp);
}
std::string form(const std::string& text, const std::string& timestamp = "1700000000.000000") {
  return *made(text, timestamp)->stringValue();
}
std::string appended(const std::string& text) {
  return DocJournal::encodeChange({Type::Append, 0, form(text)});
}
std::string sigOf(const std::string& text) { return made(text)->sig(); }

// A record with one byte of its payload flipped: its checksum no longer matches.
std::string flipped(std::string record) {
  record[record.size() - 2] ^= 0x20;
  return record;
}

std::string docFile(const std::vector<std::string>& texts) {
  std::string text;
  for (const auto& t : texts) text += (text.empty() ? "" : std::string(doctext::kChunkSeparator)) + form(t);
  return *GzipUtility::gzipData(text);
}

std::vector<std::string> damagedCopies(const std::string& folder, const std::string& of) {
  std::vector<std::string> out;
  for (const auto& name : files::listDirectory(folder).names) {
    if (startsWith(name, "damaged-" + of + "-")) out.push_back(name);
  }
  return out;
}

class DocJournalDamageTest : public ::testing::Test {
 protected:
  void SetUp() override { Clock::install(std::make_shared<ManualClock>()); }
  void TearDown() override {
    DocJournal::setMaxReadBytesForTesting(0);
    Clock::install(nullptr);
  }
};

// A damaged record is passed over and reading goes on: each record carries its own length and checksum,
// so the next sound one is found again whatever of the damaged one is left. A journal with damage is kept
// aside; one that only ends in a record cut off (a write the process did not live to finish) is not.
TEST_F(DocJournalDamageTest, ADamagedRecordIsPassedOverAndReadingGoesOn) {
  const std::string header = DocJournal::encodeHeader({0, 1, 0});
  const std::vector<std::string> texts = {"first", "second", "third", "fourth"};
  std::vector<std::string> records;
  for (const auto& text : texts) records.push_back(appended(text));
  auto journal = [&](const std::function<void(std::vector<std::string>&)>& damage) {
    std::vector<std::string> parts = records;
    damage(parts);
    std::string out = header;
    for (const auto& part : parts) out += part;
    return out;
  };
  auto setLength = [](std::string& record, std::uint32_t length) {
    for (int i = 0; i < 4; ++i) record[4 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
  };
  struct Case {
    const char* name;
    std::string journal;
    std::vector<std::string> loaded;
    std::string logged;
    bool keptAside;
  };
  const std::vector<Case> cases = {
      {"whole", journal([](auto&) {}), texts, "", false},
      {"a flipped byte in a payload",
       journal([](auto& r) { r[1] = flipped(r[1]); }),
       {"first", "third", "fourth"},
       "holds 1 damaged records",
       true},
      {"two records apart",
       journal([](auto& r) { r[0] = flipped(r[0]), r[2] = flipped(r[2]); }),
       {"second", "fourth"},
       "holds 2 damaged records",
       true},
      {"the last record",
       journal([](auto& r) { r[3] = flipped(r[3]); }),
       {"first", "second", "third"},
       "checksum does not match",
       true},
      {"a length past the bound",
       journal([&](auto& r) { setLength(r[1], DocJournal::kMaxPayloadBytes + 1); }),
       {"first", "third", "fourth"},
       "a record length of",
       true},
      {"a length past the end",
       journal([&](auto& r) { setLength(r[1], 1u << 20); }),
       {"first", "third", "fourth"},
       "runs past the end",
       true},
      {"a length too short",
       journal([&](auto& r) { setLength(r[1], 5); }),
       {"first", "third", "fourth"},
       "checksum does not match",
       true},
      {"a record's type",
       journal([](auto& r) { r[1][8] = 9; }),
       {"first", "third", "fourth"},
       "damaged records",
       true},
      {"garbage between records", journal([](auto& r) { r[1] = std::string(300, '\x03') + r[1]; }), texts,
       "damaged records", true},
      {"the header", flipped(header) + records[0] + records[1], {"first", "second"}, "holds 1 damaged", true},
      {"no header", records[0] + records[1], {"first", "second"}, "has no header", true},
      {"cut inside the last payload",
       journal([](auto& r) { r[3].resize(r[3].size() - 3); }),
       {"first", "second", "third"},
       "cut off",
       false},
      {"cut inside the last head",
       journal([](auto& r) { r[3].resize(5); }),
       {"first", "second", "third"},
       "cut off",
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    ASSERT_TRUE(files::atomicWrite(folder / "BigDoc_0", ""));
    ASSERT_TRUE(files::atomicWrite(folder / "journal_0.1", c.journal));
    LogCapture log;
    auto doc = test::loadDoc(folder / "BigDoc_0");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(recordsOf(*doc), c.loaded);
    if (!c.logged.empty()) {
      EXPECT_TRUE(log.contains("journal_0.1")) << c.name;
      EXPECT_TRUE(log.contains(c.logged)) << c.name;
    }
    const std::vector<std::string> copies = damagedCopies(folder.path(), "journal_0.1");
    ASSERT_EQ(copies.size(), c.keptAside ? 1u : 0u);
    if (c.keptAside) {
      EXPECT_EQ(files::readFile(folder / copies[0]), c.journal);
    }
  }
}

// Appends need no rank: after damage, in the doc or in a journal, every intact append of every
// generation is replayed. A change that names a record finds it by its signature instead of its rank;
// one whose record was lost brings it back whole; a delete whose own record was lost leaves its record.
TEST_F(DocJournalDamageTest, AfterDamageEveryIntactRecordOfEveryGenerationIsReplayed) {
  const std::string fresh = "1700000500.000000";
  auto set = [&](std::uint64_t rank, const std::string& text) {
    return DocJournal::encodeChange({Type::Set, rank, form(text, fresh)});
  };
  auto erase = [&](std::uint64_t rank, const std::string& text) {
    return DocJournal::encodeChange({Type::Erase, rank, sigOf(text)});
  };
  std::string damagedDoc = docFile({"d0", "d1", "d2", "d3", "d4"});
  damagedDoc.replace(damagedDoc.size() / 2, 7, "garbage");
  struct Case {
    const char* name;
    std::optional<std::string> doc;
    std::vector<std::string> journals;
    std::vector<std::string> expected;
    std::vector<std::string> refreshed;  // records that must carry the later time stamp
  };
  const std::vector<Case> cases = {
      {"a damaged append in one generation, more in the next",
       docFile({"d0", "d1"}),
       {DocJournal::encodeHeader({0, 1, 2}) + appended("a") + flipped(appended("b")) + appended("c"),
        DocJournal::encodeHeader({0, 2, 5}) + appended("d") + appended("e")},
       {"d0", "d1", "a", "c", "d", "e"},
       {}},
      {"the doc file missing",
       std::nullopt,
       {DocJournal::encodeHeader({0, 1, 5}) + appended("a") + appended("b") + appended("c")},
       {"a", "b", "c"},
       {}},
      {"an empty doc file",
       std::string(),
       {DocJournal::encodeHeader({0, 1, 5}) + appended("a") + set(4, "d4") + appended("b")},
       {"a", "d4", "b"},
       {"d4"}},
      {"after a lost append, a refresh of it brings it back; a delete finds its record by signature",
       std::string(),
       {DocJournal::encodeHeader({0, 1, 0}) + flipped(appended("x")) + appended("y") + appended("z") +
        set(0, "x") + erase(2, "z") + set(1, "y")},
       {"y", "x"},
       {"x", "y"}},
      {"a lost delete leaves its record",
       docFile({"d0", "d1"}),
       {DocJournal::encodeHeader({0, 1, 2}) + flipped(erase(0, "d0")) + set(0, "d1") + appended("a")},
       {"d0", "d1", "a"},
       {"d1"}},
      {"a delete in place after damage is passed by",
       docFile({"d0", "d1"}),
       {DocJournal::encodeHeader({0, 1, 2}) + flipped(appended("a")) +
        DocJournal::encodeChange({Type::Set, 0, ""}) + appended("b")},
       {"d0", "d1", "b"},
       {}},
      {"a fold's journal whose mark was damaged is not replayed twice",
       docFile({"a", "b"}),
       {DocJournal::encodeHeader({0, 1, 0}) + appended("a") + appended("b"),
        flipped(DocJournal::encodeHeader({0, 2, 0}) +
                DocJournal::encodeFold(DocJournal::markOf(docFile({"a", "b"}))))},
       {"a", "b"},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    if (c.doc) {
      ASSERT_TRUE(files::atomicWrite(folder / "BigDoc_0", *c.doc));
    }
    for (std::size_t i = 0; i < c.journals.size(); ++i) {
      const std::string name = "journal_0." + std::to_string(i + 1);
      ASSERT_TRUE(files::atomicWrite(folder / name, c.journals[i]));
    }
    DocChain chain = DocChainLoader::loadFolder(folder.path(), nullptr);
    ASSERT_EQ(chain.docCount, 1);
    EXPECT_EQ(recordsOf(*chain.head), c.expected);
    for (const auto& chunk : chain.head->chunks()) {
      if (!chunk) continue;
      const bool later =
          std::find(c.refreshed.begin(), c.refreshed.end(), chunk->context()) != c.refreshed.end();
      EXPECT_EQ(chunk->timestamp(), later ? fresh : "1700000000.000000") << chunk->context();
    }
  }

  // A doc whose file was damaged keeps what it can read of it and everything its journal holds.
  TempFolder folder;
  ASSERT_TRUE(files::atomicWrite(folder / "BigDoc_0", damagedDoc));
  ASSERT_TRUE(files::atomicWrite(folder / "journal_0.1",
                                 DocJournal::encodeHeader({0, 1, 5}) + appended("a") + appended("b")));
  const std::vector<std::string> loaded = loadedRecords(folder.path());
  ASSERT_GE(loaded.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(loaded.end() - 2, loaded.end()), (std::vector<std::string>{"a", "b"}));
}

// A journal is read as a stream, never whole: a sparse one of 200 GB, or one past the bound, costs
// memory for one record and time for the bound; the records before the bound are replayed, and the
// journal is kept aside (a hard link, which copies no byte of it).
TEST_F(DocJournalDamageTest, AJournalPastTheBoundIsReadOnlyThatFarAndKeptAside) {
  constexpr std::uint64_t kBound = 1 << 20;
  DocJournal::setMaxReadBytesForTesting(kBound);
  const std::string header = DocJournal::encodeHeader({0, 1, 0});
  // Five large records of their own: the same record twice would be replayed once.
  auto big = [](char c) { return std::string(200 << 10, c); };
  struct Case {
    const char* name;
    std::string journal;
    std::uint64_t sparseSize;
    std::vector<std::string> loaded;
  };
  const std::vector<Case> cases = {
      {"sparse, 200 GB", header + appended("a") + appended("b"), std::uint64_t{200} << 30, {"a", "b"}},
      {"written past the bound",
       header + appended("a") + appended(big('v')) + appended(big('w')) + appended(big('x')) +
           appended(big('y')) + appended(big('z')) + appended(big('u')) + appended("past"),
       0,
       {"a", big('v'), big('w'), big('x'), big('y'), big('z')}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    ASSERT_TRUE(files::atomicWrite(folder / "BigDoc_0", ""));
    ASSERT_TRUE(files::atomicWrite(folder / "journal_0.1", c.journal));
    if (c.sparseSize) {
      ASSERT_EQ(::truncate((folder / "journal_0.1").c_str(), static_cast<off_t>(c.sparseSize)), 0);
    }
    LogCapture log;
    auto doc = test::loadDoc(folder / "BigDoc_0");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(recordsOf(*doc), c.loaded);
    EXPECT_TRUE(log.contains("past the")) << c.name;
    const std::vector<std::string> copies = damagedCopies(folder.path(), "journal_0.1");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(files::fileSize(folder / copies[0]), files::fileSize(folder / "journal_0.1"));
  }
}

}  // namespace
}  // namespace vl::journal_damage
