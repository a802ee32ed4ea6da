#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "DocTestSupport.h"
#include "VLEngine/doc/bigdoc/DocChainLoader.h"
#include "VLEngine/doc/bigdoc/DocFileReplacer.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/gzip/GzipUtility.h"
#include "VLEngine/doc/journal/DocJournal.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Files.h"

namespace vl {
namespace {

using test::LogCapture;
using test::record;
using test::RecordingOwner;
using test::TempFolder;
using Files = std::map<std::string, std::string>;

std::vector<std::string> recordsOf(const Vellisto_BigDoc& doc) {
  std::vector<std::string> out;
  for (const auto& chunk : doc.chunks()) {
    if (chunk) out.push_back(chunk->context());
  }
  return out;
}

// The text forms of a doc's records: what its file keeps (slots without a record do not outlive a rewrite).
std::vector<std::string> formsOf(const Vellisto_BigDoc& doc) {
  std::vector<std::string> out;
  for (const auto& chunk : doc.chunks()) {
    if (chunk && !chunk->isLogicallyDeleted()) out.push_back(*chunk->stringValue());
  }
  return out;
}

// What a fresh process would load from the folder.
std::vector<std::string> reloaded(const std::string& path) {
  auto doc = test::loadDoc(path);
  return doc ? formsOf(*doc) : std::vector<std::string>{"<not loaded>"};
}

std::vector<std::string> journalsIn(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& name : files::listDirectory(folder).names) {
    if (DocJournal::parseFileName(name)) out.push_back(name);
  }
  return out;
}

// The docs and journals of a folder, as a crash at this moment would leave them.
Files snapshot(const std::string& folder) {
  Files out;
  for (const auto& name : files::listDirectory(folder).names) {
    if (!DocFileReplacer::isTemporaryName(name)) out[name] = *files::readFile(files::joinPath(folder, name));
  }
  return out;
}

// Written plainly: a test's hook on atomic writes must not see these.
void restore(const Files& saved, const std::string& folder) {
  for (const auto& [name, bytes] : saved) {
    std::ofstream out(files::joinPath(folder, name), std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << name;
  }
}

// On a manual clock no fold runs unless the test waits for one, so each step knows what the files hold.
class DocJournalTest : public ::testing::Test {
 protected:
  void SetUp() override { Clock::install(std::make_shared<ManualClock>()); }
  void TearDown() override {
    DocJournal::setFaultHookForTesting(nullptr);
    DocFileReplacer::setBeforeRenameHookForTesting(nullptr);
    Vellisto_BigDoc::waitForPendingWrites();
    Vellisto_BigDoc::setMaxChunkSizeForTesting(0);
    Vellisto_BigDoc::setFoldAtOnceJournalBytesForTesting(0);
    Clock::install(nullptr);
  }
  TempFolder dir;
};

// A journal whose making a crash cut off holds nothing; the next journal goes on from the same records.
TEST_F(DocJournalTest, AJournalCutWhileItWasMadeHoldsNothing) {
  std::string whole = DocJournal::encodeHeader({0, 1, 0});
  for (const char* text : {"first", "second", "third"})
    whole += DocJournal::encodeChange({DocJournal::Type::Append, 0, *record(text)->stringValue()});
  const std::string header = DocJournal::encodeHeader({0, 2, 3});
  const std::string next =
      DocJournal::encodeHeader({0, 3, 3}) +
      DocJournal::encodeChange({DocJournal::Type::Append, 0, *record("fourth")->stringValue()});
  for (std::size_t cut : {std::size_t{0}, std::size_t{10}, header.size() - 1}) {
    SCOPED_TRACE("a journal cut while it was made, at byte " + std::to_string(cut));
    TempFolder folder;
    ASSERT_TRUE(files::atomicWrite(folder / "BigDoc_0", ""));
    ASSERT_TRUE(files::atomicWrite(folder / "journal_0.1", whole));
    ASSERT_TRUE(files::atomicWrite(folder / "journal_0.2", header.substr(0, cut)));
    ASSERT_TRUE(files::atomicWrite(folder / "journal_0.3", next));
    EXPECT_EQ(recordsOf(*test::loadDoc(folder / "BigDoc_0")),
              (std::vector<std::string>{"first", "second", "third", "fourth"}));
  }
}

// Each case changes a doc in one way and then the process dies: only the journal tells the changes, and
// the reloaded doc must be the live one. After the fold the file alone says the same.
TEST_F(DocJournalTest, EveryKindOfChangeReplaysToTheDocAsItWasLive) {
  enum class Start { NewDoc, EmptyFile, ThreeRecords };
  using Change = std::function<void(Vellisto_BigDoc&)>;
  auto append = [](Vellisto_BigDoc& doc, const std::string& text) { doc.appendChunk(record(text)); };
  auto erase = [](Vellisto_BigDoc& doc, std::size_t slot) {
    ASSERT_TRUE(doc.physicalDeleteChunkByDigest(doc.chunkAt(slot)->sig()));
  };
  struct Case {
    const char* name;
    Start start;
    Change change;
  };
  const std::vector<Case> cases = {
      {"appends to a new doc", Start::NewDoc, [&](auto& d) { append(d, "a"), append(d, "b"); }},
      {"appends after an empty file's placeholder", Start::EmptyFile,
       [&](auto& d) { append(d, "a"), append(d, "b"); }},
      {"a refreshed time and a new alias", Start::ThreeRecords,
       [](auto& d) { d.refreshChunk(1), d.updateAlias(0, "snippet"); }},
      {"json and words changed together, then the time stamp", Start::ThreeRecords,
       [](auto& d) {
         auto chunk = d.chunkAt(2);
         d.changeChunk(*chunk, [&] {
           chunk->setJson(Json{{"app", true}});
           chunk->offerSearchWord("words");
           return true;
         });
         chunk->updateTimestamp("1700000000.500000");
       }},
      {"deletes of the last, the first and the middle", Start::ThreeRecords,
       [&](auto& d) { erase(d, 2), erase(d, 0), append(d, "x"), erase(d, 0); }},
      {"a logical delete keeps its slot", Start::ThreeRecords,
       [&](auto& d) { d.logicalDeleteChunk(1), append(d, "x"), d.refreshChunk(3); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    std::shared_ptr<Vellisto_BigDoc> doc;
    if (c.start == Start::EmptyFile) {
      ASSERT_TRUE(files::atomicWrite(folder / "BigDoc_0", ""));
      doc = test::loadDoc(folder / "BigDoc_0");
    } else {
      doc = Vellisto_BigDoc::emptyDoc(0, folder.path());
    }
    if (c.start == Start::ThreeRecords) {
      for (const char* text : {"r0", "r1", "r2"}) append(*doc, text);
      Vellisto_BigDoc::waitForPendingWrites();
      ASSERT_TRUE(journalsIn(folder.path()).empty());
    }
    c.change(*doc);
    const std::vector<std::string> live = formsOf(*doc);
    EXPECT_FALSE(journalsIn(folder.path()).empty());
    EXPECT_EQ(reloaded(folder / "BigDoc_0"), live);

    Vellisto_BigDoc::waitForPendingWrites();
    EXPECT_TRUE(journalsIn(folder.path()).empty());
    EXPECT_EQ(GzipUtility::ungzipData(*files::readFile(folder / "BigDoc_0")), doc->stringValue());
    EXPECT_EQ(reloaded(folder / "BigDoc_0"), live);
  }
}

// A crash after a fold's rename and before its journals are removed leaves journals the file already
// holds. Folds that failed leave marks that match no file. Whatever of these a crash leaves behind, no
// change is replayed twice and none is lost.
TEST_F(DocJournalTest, JournalsAFoldLeftBehindAreNeverReplayedTwice) {
  auto doc = Vellisto_BigDoc::emptyDoc(0, dir.path());
  Files leftBehind;
  bool refuse = false;
  DocFileReplacer::setBeforeRenameHookForTesting([&](const std::string&, const std::string&) {
    for (const auto& [name, bytes] : snapshot(dir.path())) {
      if (DocJournal::parseFileName(name)) leftBehind[name] = bytes;
    }
    return !refuse;
  });
  const std::vector<std::function<void()>> steps = {
      [&] { doc->appendChunk(record("a")), doc->appendChunk(record("b")); },
      [&] { doc->refreshChunk(0), doc->physicalDeleteChunkByDigest(doc->chunkAt(1)->sig()); },
      [&] { refuse = true, doc->appendChunk(record("c")); },
      [&] { refuse = false, doc->appendChunk(record("d")); },
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE("step " + std::to_string(i));
    steps[i]();
    Vellisto_BigDoc::waitForPendingWrites();
    restore(leftBehind, dir.path());
    EXPECT_EQ(reloaded(dir / "BigDoc_0"), formsOf(*doc));
  }
  EXPECT_EQ(recordsOf(*test::loadDoc(dir / "BigDoc_0")), (std::vector<std::string>{"a", "c", "d"}));
}

// Copies keep coming while a fold writes: they go to the next journal, and a crash before the rename,
// after it, or after the old journals went, finds them all, each once.
TEST_F(DocJournalTest, ChangesMadeWhileAFoldWritesAreInTheNextJournal) {
  auto doc = Vellisto_BigDoc::emptyDoc(0, dir.path());
  auto a = record("a");
  doc->appendChunk(a);
  doc->appendChunk(record("b"));
  std::promise<void> folding, changed;
  Files beforeRename;
  std::shared_future<void> changedFuture = changed.get_future().share();
  DocFileReplacer::setBeforeRenameHookForTesting([&](const std::string&, const std::string&) {
    if (!beforeRename.empty()) return true;
    folding.set_value();
    changedFuture.wait();
    beforeRename = snapshot(dir.path());
    return true;
  });
  std::thread fold([] { Vellisto_BigDoc::waitForPendingWrites(); });
  folding.get_future().wait();
  doc->appendChunk(record("c"));
  ASSERT_TRUE(doc->physicalDeleteChunkByDigest(a->sig()));
  doc->appendChunk(record("d"));
  changed.set_value();
  fold.join();
  DocFileReplacer::setBeforeRenameHookForTesting(nullptr);
  const std::vector<std::string> live = formsOf(*doc);
  ASSERT_EQ(recordsOf(*doc), (std::vector<std::string>{"b", "c", "d"}));

  const Files afterJournalsWent = snapshot(dir.path());
  Files afterRename = beforeRename;
  for (const auto& [name, bytes] : afterJournalsWent) afterRename[name] = bytes;
  const std::vector<std::pair<const char*, Files>> moments = {
      {"before the rename", beforeRename}, {"after the rename", afterRename}, {"after", afterJournalsWent}};
  for (const auto& [moment, files] : moments) {
    SCOPED_TRACE(moment);
    TempFolder crashed;
    restore(files, crashed.path());
    EXPECT_EQ(reloaded(crashed / "BigDoc_0"), live);
  }
}

// A full or read-only disk: the changes wait in memory, are counted and logged, and the retry that the
// failed write scheduled writes them once the disk takes them again. Nothing is lost.
TEST_F(DocJournalTest, ChangesTheDiskRefusesWaitInMemoryUntilARetryWritesThem) {
  dispatch::MainLoop::adoptCurrentThread();
  auto doc = Vellisto_BigDoc::emptyDoc(0, dir.path());
  doc->appendChunk(record("before"));
  Vellisto_BigDoc::waitForPendingWrites();
  // Owned by the hooks: the journal's queue may still call one after the test's last line.
  auto full = std::make_shared<std::atomic<bool>>(true);
  DocJournal::setFaultHookForTesting(
      [full](const std::string&, std::string_view) { return *full ? ENOSPC : 0; });
  DocFileReplacer::setBeforeRenameHookForTesting(
      [full](const std::string&, const std::string&) { return !*full; });
  LogCapture log;

  doc->appendChunk(record("while full 1"));
  doc->appendChunk(record("while full 2"));
  EXPECT_TRUE(log.containsPrefix("doc: cannot journal a change of"));
  EXPECT_EQ(Vellisto_BigDoc::unsavedChangeCount(), 2u);
  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_TRUE(log.containsPrefix("doc: cannot write"));
  EXPECT_EQ(Vellisto_BigDoc::unsavedChangeCount(), 2u);
  EXPECT_EQ(recordsOf(*test::loadDoc(dir / "BigDoc_0")), (std::vector<std::string>{"before"}));

  *full = false;
  dispatch::MainLoop::advance(Vellisto_BigDoc::kLongestRetryDelayMs);
  EXPECT_EQ(Vellisto_BigDoc::unsavedChangeCount(), 0u);
  EXPECT_TRUE(log.contains("is written again"));
  EXPECT_EQ(reloaded(dir / "BigDoc_0"), formsOf(*doc));
  // Journaling goes on as before.
  doc->appendChunk(record("after"));
  EXPECT_EQ(journalsIn(dir.path()).size(), 1u);
  EXPECT_EQ(reloaded(dir / "BigDoc_0"), formsOf(*doc));
}

// The data folder is removed while the program runs, between folds or with a journal open: the next
// change makes it again (0700) and writes every doc of the chain from memory.
TEST_F(DocJournalTest, AFolderRemovedWhileRunningIsMadeAgainWithEveryDoc) {
  Vellisto_BigDoc::setMaxChunkSizeForTesting(3);
  for (bool journalOpen : {false, true}) {
    SCOPED_TRACE(journalOpen ? "a journal open" : "right after a fold");
    const std::string folder = dir / (journalOpen ? "open" : "folded");
    ASSERT_TRUE(files::createDirectories(folder));
    auto owner = std::make_shared<RecordingOwner>();
    const auto head = Vellisto_BigDoc::emptyDoc(0, folder);
    owner->tail = head;
    head->setChainOwner(owner);
    std::vector<std::string> expected;
    for (int i = 0; i < 5; ++i) {
      expected.push_back("r" + std::to_string(i));
      owner->tail->appendChunk(record(expected.back()));
    }
    if (!journalOpen) Vellisto_BigDoc::waitForPendingWrites();
    ASSERT_EQ(owner->docCount, 2);
    ASSERT_TRUE(files::removeRecursive(folder));

    LogCapture log;
    expected.push_back("after the folder went");
    owner->tail->appendChunk(record(expected.back()));
    Vellisto_BigDoc::waitForPendingWrites();
    EXPECT_TRUE(log.contains("was missing; made it again"));
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    DocChain chain = DocChainLoader::loadFolder(folder, nullptr);
    std::vector<std::string> all;
    for (auto doc = chain.head; doc; doc = doc->next()) {
      for (const auto& text : recordsOf(*doc)) all.push_back(text);
    }
    EXPECT_EQ(all, expected);
  }
}

// While only copies arrive, a fold compresses the new records alone and grows the file: its text is
// the whole doc's all the same, placeholders and a record deleted in place included; any other change
// makes the next fold write the whole doc again.
TEST_F(DocJournalTest, FoldsAfterAppendsGrowTheFileToTheWholeText) {
  ASSERT_TRUE(files::atomicWrite(dir / "BigDoc_0", ""));
  auto doc = test::loadDoc(dir / "BigDoc_0");  // one placeholder
  const std::vector<std::function<void()>> steps = {
      [&] { doc->appendChunk(record("a")); },
      [&] { doc->appendChunk(record("b")), doc->appendChunk(record("c")); },
      [&] { doc->logicalDeleteChunk(3); },
      [&] { doc->appendChunk(record("d")); },
      [&] { doc->physicalDeleteChunkByDigest(doc->chunkAt(1)->sig()), doc->appendChunk(record("e")); },
      [&] { doc->appendChunk(record(std::string(70000, 'x'))); },
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE("step " + std::to_string(i));
    steps[i]();
    Vellisto_BigDoc::waitForPendingWrites();
    const GzipUtility::Inflated file = GzipUtility::ungzipReadable(*files::readFile(dir / "BigDoc_0"));
    EXPECT_TRUE(file.complete);
    EXPECT_EQ(file.trailingBytes, 0u);
    EXPECT_EQ(file.data, doc->stringValue());
    EXPECT_EQ(reloaded(dir / "BigDoc_0"), formsOf(*doc));
  }
}

// A repeat of an old copy stamps a record of its doc: that costs a journal record, not a rewrite of the
// doc. The doc is folded once its journal has grown large against it, and a flush (quitting) folds
// whatever the journal still holds.
TEST_F(DocJournalTest, AChangeIsJournaledUntilTheJournalOutgrowsItsDoc) {
  auto doc = Vellisto_BigDoc::emptyDoc(0, dir.path());
  for (int i = 0; i < 20; ++i) doc->appendChunk(record("old copy " + std::to_string(i)));
  doc->appendChunk(record(std::string(64 << 10, 'x')));
  Vellisto_BigDoc::waitForPendingWrites();
  auto folds = [] { return Vellisto_BigDoc::persistStats().writes; };
  const std::uint64_t foldsBefore = folds();
  const std::uint64_t journaledBefore = Vellisto_BigDoc::persistStats().journalBytes;

  doc->refreshChunk(3);
  dispatch::MainLoop::advance(2 * Vellisto_BigDoc::kFoldDelayMs);
  EXPECT_EQ(folds(), foldsBefore);
  EXPECT_GT(Vellisto_BigDoc::persistStats().journalBytes, journaledBefore);
  EXPECT_EQ(reloaded(dir / "BigDoc_0"), formsOf(*doc));

  // Each stamp of the large record journals its 64 KB: the journal outgrows the doc's file after a few.
  int stamps = 0;
  while (folds() == foldsBefore && stamps < 100) {
    doc->refreshChunk(20);
    ++stamps;
    dispatch::MainLoop::advance(2 * Vellisto_BigDoc::kFoldDelayMs);
  }
  EXPECT_EQ(folds(), foldsBefore + 1);
  EXPECT_GE(stamps * (64 << 10), static_cast<int>(Vellisto_BigDoc::kMinFoldJournalBytes) - (64 << 10));
  EXPECT_LT(stamps, 10);
  EXPECT_EQ(reloaded(dir / "BigDoc_0"), formsOf(*doc));

  doc->refreshChunk(5);
  dispatch::MainLoop::advance(2 * Vellisto_BigDoc::kFoldDelayMs);
  EXPECT_EQ(folds(), foldsBefore + 1);
  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_EQ(folds(), foldsBefore + 2);
  EXPECT_EQ(journalsIn(dir.path()), std::vector<std::string>{});
  EXPECT_EQ(reloaded(dir / "BigDoc_0"), formsOf(*doc));
}

// Replay reads only the first bytes of a journal: past the cap a fold runs at once, whatever the doc's
// size (a doc file larger than the cap never makes its journal due) and without waiting for the delay
// (large copies in a row), so no journal outgrows the cap by more than one change.
TEST_F(DocJournalTest, AJournalPastTheCapIsFoldedAtOnce) {
  constexpr std::size_t kCap = 64 << 10;
  Vellisto_BigDoc::setFoldAtOnceJournalBytesForTesting(kCap);
  // Text that gzip cannot shrink: a doc file as large as the text.
  auto noise = [](std::size_t bytes) {
    std::mt19937 random(7);
    std::string out(bytes, ' ');
    for (char& c : out) c = static_cast<char>('a' + random() % 26);
    return out;
  };
  struct Case {
    const char* name;
    std::string fileText;  // the doc's file holds a record of this text before the changes
    std::function<void(Vellisto_BigDoc&)> change;
    std::size_t changeBytes;  // about what one change journals
  };
  const std::vector<Case> cases = {
      {"a doc file eight times the cap, one of its records stamped again and again", noise(8 * kCap),
       [](Vellisto_BigDoc& doc) { doc.refreshChunk(1); }, kCap / 4},
      {"copies of half the cap one after another", "",
       [&](Vellisto_BigDoc& doc) { doc.appendChunk(record(noise(kCap / 2))); }, kCap / 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    auto doc = Vellisto_BigDoc::emptyDoc(0, folder.path());
    if (!c.fileText.empty()) doc->appendChunk(record(c.fileText));
    doc->appendChunk(record(noise(c.changeBytes)));
    Vellisto_BigDoc::waitForPendingWrites();
    ASSERT_TRUE(journalsIn(folder.path()).empty());
    const std::uint64_t foldsBefore = Vellisto_BigDoc::persistStats().writes;
    std::uint64_t largestJournal = 0;
    for (int i = 0; i < 12; ++i) {
      c.change(*doc);
      // Time does not move: what the persistence queue has by now is a fold asked for at once.
      Vellisto_BigDoc::persistQueue()->sync([] {});
      for (const auto& name : journalsIn(folder.path()))
        largestJournal = std::max(largestJournal, files::fileSize(folder / name).value_or(0));
    }
    EXPECT_GE(Vellisto_BigDoc::persistStats().writes, foldsBefore + 2);
    EXPECT_LT(largestJournal, kCap + c.changeBytes + 1024);
    EXPECT_EQ(reloaded(folder / "BigDoc_0"), formsOf(*doc));
  }
}

// A doc number with journals but no file (removed by hand, or never made) still loads as a doc.
TEST_F(DocJournalTest, JournalsWithoutTheirDocFileLoadAsADoc) {
  auto first = Vellisto_BigDoc::emptyDoc(0, dir.path());
  first->appendChunk(record("in the file"));
  Vellisto_BigDoc::waitForPendingWrites();
  std::string journal = DocJournal::encodeHeader({1, 4, 0});
  for (const char* text : {"only", "journaled"})
    journal += DocJournal::encodeChange({DocJournal::Type::Append, 0, *record(text)->stringValue()});
  ASSERT_TRUE(files::atomicWrite(dir / "journal_1.4", journal));

  DocChain chain = DocChainLoader::loadFolder(dir.path(), nullptr);
  ASSERT_EQ(chain.docCount, 2);
  EXPECT_EQ(recordsOf(*chain.tail), (std::vector<std::string>{"only", "journaled"}));
  Vellisto_BigDoc::waitForPendingWrites();
  EXPECT_EQ(files::listDirectory(dir.path()).names, (std::vector<std::string>{"BigDoc_0", "BigDoc_1"}));
  EXPECT_EQ(reloaded(dir / "BigDoc_1"), formsOf(*chain.tail));
}

}  // namespace
}  // namespace vl
