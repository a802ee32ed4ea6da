// Loading a doc's journals: what its file does not hold yet is replayed on top of it.
#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "VLEngine/doc/bigdoc/DocFileReplacer.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/journal/DocJournal.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

using Lock = MutexLock;

// The journals of a doc hold the changes since its last fold, which comes before they outgrow the doc or
// kMaxJournalChanges: journals that hold far more were not written by us, and the rest of them would only
// cost time and memory.
constexpr std::size_t kMaxReplayedChanges = 100 * static_cast<std::size_t>(Vellisto_BigDoc::kMaxChunkSize);
static_assert(kMaxReplayedChanges > 10 * Vellisto_BigDoc::kMaxJournalChanges);

}  // namespace

// A change names its record by rank among the doc's records, as the doc stood when it was written. That
// holds while the doc is exactly what the journal started from. After damage (a record passed over, a
// doc file that lost records, a journal whose header is gone) ranks may name other records: a change then
// finds its record by the signature it carries, and appends, which name none, are replayed all the same.
struct Vellisto_BigDoc::ReplayState {
  // Ranks can be trusted.
  bool exact = false;
  // Slots without a record, ascending: ranks count records only.
  std::vector<std::size_t> holes;
  // The time stamps, by signature, of the records the doc holds as replay goes: those of its file and
  // of every append replayed since, each until its own record is deleted (in place or with its slot) or
  // given a new form. Where ranks do not hold, an append among them is one replayed already: the file
  // holds it (a journal a fold wrote, whose mark is gone). A record deleted here and pushed back later
  // with its own stamp is not among them.
  std::unordered_map<std::string, std::unordered_multiset<std::string>> held;
  std::size_t changes = 0;
  // Applied as written; applied to the record of their signature, found elsewhere than their rank;
  // records whose append was lost, brought back whole by a later change of them; appends already held
  // and deletes of records already gone; deletes in place whose record cannot be told after damage.
  std::size_t replayed = 0;
  std::size_t bySignature = 0;
  std::size_t restored = 0;
  std::size_t alreadyDone = 0;
  std::size_t passedBy = 0;
  // Changes that name a rank past the doc's records where ranks are trusted: not of this doc as it
  // stood, and passed over; the first such rank.
  std::size_t pastTheRecords = 0;
  std::uint64_t firstRankPast = 0;

  std::size_t records(std::size_t slots) const { return slots - holes.size(); }
  bool holds(const Vellisto_Chunk& chunk) const {
    auto found = held.find(chunk.sig());
    return found != held.end() && found->second.count(chunk.timestamp()) > 0;
  }
  void note(const Vellisto_Chunk& chunk) { held[chunk.sig()].insert(chunk.timestamp()); }
  // One record left the doc: its stamp goes, and no other stamp of its signature.
  void forget(const Vellisto_Chunk& chunk) {
    auto found = held.find(chunk.sig());
    if (found == held.end()) return;
    if (auto stamp = found->second.find(chunk.timestamp()); stamp != found->second.end())
      found->second.erase(stamp);
    if (found->second.empty()) held.erase(found);
  }
};

std::optional<std::size_t> Vellisto_BigDoc::replaySlotOfLocked(const ReplayState& state,
                                                               std::uint64_t rank) const {
  // The rank comes from the file: past the records it names none (and counting holes on from it
  // would wrap around).
  if (rank >= state.records(chunks_.size())) return std::nullopt;
  auto slot = static_cast<std::size_t>(rank);
  for (std::size_t hole : state.holes) {
    if (hole > slot) break;
    ++slot;
  }
  if (slot >= chunks_.size() || !chunks_[slot]) return std::nullopt;
  return slot;
}

std::optional<std::size_t> Vellisto_BigDoc::replayTargetLocked(ReplayState& state, std::uint64_t rank,
                                                               const std::string& sig) {
  const std::optional<std::size_t> atRank = replaySlotOfLocked(state, rank);
  if (atRank && chunks_[*atRank]->sig() == sig) {
    ++state.replayed;
    return atRank;
  }
  // The nearest record of that signature: a signature may stand twice in a doc (the same text appended
  // twice), and the rank is still the best guess of which one.
  const std::size_t hint = atRank.value_or(chunks_.size());
  auto distance = [hint](std::size_t slot) { return slot > hint ? slot - hint : hint - slot; };
  std::optional<std::size_t> best;
  for (std::size_t slot = 0; slot < chunks_.size(); ++slot) {
    if (chunks_[slot] && chunks_[slot]->sig() == sig && (!best || distance(slot) < distance(*best)))
      best = slot;
  }
  // The doc is not what the journal thinks it is: no later rank of it is trusted either.
  state.exact = false;
  if (best) ++state.bySignature;
  return best;
}

void Vellisto_BigDoc::replayChangeLocked(ReplayState& state, DocJournal::Change&& change) {
  std::shared_ptr<Vellisto_Chunk> chunk;
  if (change.type != DocJournal::Type::Erase && !change.text.empty()) {
    chunk = Vellisto_Chunk::initWithChunkStr(change.text);
    if (chunk) chunk->setDocRef(weak_from_this());
  }
  auto append = [&]() VL_REQUIRES(lock_) {
    if (!chunk) state.holes.push_back(chunks_.size());
    chunks_.push_back(std::move(chunk));
  };
  auto deleteInPlace = [&](std::size_t slot) VL_REQUIRES(lock_) {
    state.forget(*chunks_[slot]);
    chunks_[slot] = nullptr;
    state.holes.insert(std::upper_bound(state.holes.begin(), state.holes.end(), slot), slot);
  };
  auto erase = [&](std::size_t slot) VL_REQUIRES(lock_) {
    state.forget(*chunks_[slot]);
    chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(slot));
    for (std::size_t& hole : state.holes) hole -= hole > slot ? 1 : 0;
  };

  if (change.type != DocJournal::Type::Append && state.exact &&
      change.record >= state.records(chunks_.size())) {
    // Where ranks hold, every change names one of the doc's records: this one was not written for it.
    if (state.pastTheRecords++ == 0) state.firstRankPast = change.record;
    return;
  }
  switch (change.type) {
    case DocJournal::Type::Append:
      // Where ranks hold, the append is the writer's, made to the doc as it stood: a record it held
      // already was then there twice (the writer appends what it is given), and the later changes count
      // both. Dropped, it would shift every later rank onto the record after the one meant. Only where
      // ranks are lost may the journal repeat what the doc holds (a journal a fold wrote, its mark gone).
      if (chunk && !state.exact && state.holds(*chunk)) {
        ++state.alreadyDone;
        return;
      }
      if (chunk) state.note(*chunk);
      append();
      ++state.replayed;
      return;
    case DocJournal::Type::Set: {
      if (change.text.empty()) {
        // A delete in place carries no signature: after damage its record cannot be told, and it stays.
        const std::optional<std::size_t> slot =
            state.exact ? replaySlotOfLocked(state, change.record) : std::nullopt;
        if (!slot) {
          ++state.passedBy;
          return;
        }
        deleteInPlace(*slot);
        ++state.replayed;
        return;
      }
      if (!chunk) {
        // A new form that cannot be read: the record keeps the one it had.
        ++state.passedBy;
        return;
      }
      if (const std::optional<std::size_t> slot = replayTargetLocked(state, change.record, chunk->sig())) {
        state.forget(*chunks_[*slot]);
        state.note(*chunk);
        chunks_[*slot] = std::move(chunk);
        return;
      }
      // Its record is not in the doc: its append was lost, or the doc file lost it. The change holds the
      // record whole, as it last was.
      state.note(*chunk);
      append();
      ++state.restored;
      return;
    }
    case DocJournal::Type::Erase: {
      if (change.text.empty()) {
        // Written by no version of this program: without a signature only a trusted rank names the record.
        const std::optional<std::size_t> slot =
            state.exact ? replaySlotOfLocked(state, change.record) : std::nullopt;
        if (slot) {
          erase(*slot);
          ++state.replayed;
        } else {
          ++state.passedBy;
        }
        return;
      }
      if (const std::optional<std::size_t> slot = replayTargetLocked(state, change.record, change.text)) {
        erase(*slot);
      } else {
        ++state.alreadyDone;
      }
      return;
    }
    case DocJournal::Type::Header:
    case DocJournal::Type::Fold:
      return;
  }
}

void Vellisto_BigDoc::replayJournals(const std::string& folder, const std::string& fileBytes,
                                     const std::vector<std::string>& folderNames) {
  journal_ = JournalState{};
  journal_.fileMade = files::exists(filePath_);
  journal_.fileBytes = fileBytes.size();
  std::vector<std::pair<std::uint64_t, std::string>> mine;
  for (const std::string& name : folderNames) {
    auto parsed = DocJournal::parseFileName(name);
    if (parsed && parsed->first == docId_) mine.emplace_back(parsed->second, name);
  }
  if (mine.empty()) return;
  std::sort(mine.begin(), mine.end());
  journal_.nextGeneration = mine.back().first + 1;

  // The newest fold mark that matches the file: that journal and every older one are in it. A mark
  // stands in a journal of its own, a few bytes long; only their first bytes are read.
  const DocJournal::FoldMark fileMark = DocJournal::markOf(fileBytes);
  std::size_t first = 0;
  for (std::size_t i = mine.size(); i-- > 0;) {
    const std::optional<DocJournal::FoldMark> mark =
        DocJournal::readFoldMark(files::joinPath(folder, mine[i].second));
    if (mark && *mark == fileMark) {
      first = i + 1;
      break;
    }
  }

  ReplayState state;
  for (std::size_t slot = 0; slot < chunks_.size(); ++slot) {
    if (!chunks_[slot]) {
      state.holes.push_back(slot);
    } else {
      state.note(*chunks_[slot]);
    }
  }
  for (std::size_t i = 0; i < mine.size(); ++i) {
    const std::string path = files::joinPath(folder, mine[i].second);
    if (i < first) {
      journal_.older.push_back(mine[i].first);
      continue;
    }
    const std::uint64_t generation = mine[i].first;
    state.exact = false;
    bool foreign = false;
    DocJournal::Visitor visitor;
    visitor.header = [&](const DocJournal::Header& header) VL_REQUIRES(lock_) {
      foreign = header.docId != docId_ || header.generation != generation;
      state.exact = header.baseRecords == chunks_.size() - state.holes.size();
    };
    visitor.skipped = [&] { state.exact = false; };
    visitor.change = [&](DocJournal::Change&& change) VL_REQUIRES(lock_) {
      if (foreign || ++state.changes > kMaxReplayedChanges) return;
      replayChangeLocked(state, std::move(change));
    };
    const DocJournal::Contents journal = DocJournal::read(path, visitor);
    if (journal.unreadable && !journal.header && journal.changes == 0) {
      // Not one record of it could be read (a file we may not read): left where it is, for a later start.
      logWarningf("doc: the journal %s cannot be read; left as it is, not replayed", path.c_str());
      continue;
    }
    journal_.older.push_back(generation);
    if (journal.unfinished) {
      // Made, but its header never written: it holds nothing.
      logWarningf("doc: the journal %s was never finished; passed by", path.c_str());
      continue;
    }
    if (foreign) {
      logWarningf(
          "doc: the journal %s does not fit %s (its header names another doc); kept aside, not replayed",
          path.c_str(), filePath_.c_str());
      DocFileReplacer::keepDamagedCopy(path);
      continue;
    }
    if (journal.tooLong) {
      logWarningf("doc: the journal %s is %llu bytes, past the %llu a journal holds; only those were read",
                  path.c_str(), static_cast<unsigned long long>(journal.fileBytes),
                  static_cast<unsigned long long>(std::min(journal.fileBytes, DocJournal::kMaxReadBytes)));
    }
    if (journal.skippedRecords > 0) {
      logWarningf(
          "doc: the journal %s holds %zu damaged records (%llu bytes; the first at byte %llu: %s); passed "
          "over, what is intact is replayed",
          path.c_str(), journal.skippedRecords, static_cast<unsigned long long>(journal.skippedBytes),
          static_cast<unsigned long long>(journal.damageOffset), journal.damage.c_str());
    } else if (!journal.header) {
      logWarningf("doc: the journal %s has no header; its changes are replayed by their signatures",
                  path.c_str());
    }
    if (journal.cutOff) {
      // A write the process did not live to finish: it was never acknowledged.
      logWarningf("doc: the journal %s ends in a record cut off at byte %llu; the rest of it is ignored",
                  path.c_str(), static_cast<unsigned long long>(journal.cutOffset));
    }
    if (journal.damaged()) DocFileReplacer::keepDamagedCopy(path);
  }
  if (state.changes > kMaxReplayedChanges) {
    logWarningf("doc: %s: its journals hold %zu changes, past the %zu a doc takes; the rest are not replayed",
                filePath_.c_str(), state.changes, kMaxReplayedChanges);
  }
  resetHitsLocked();
  journal_.dirty = true;
  journal_.fileMade = !fileBytes.empty() || files::exists(filePath_);
  if (state.replayed + state.bySignature + state.restored > 0) {
    logf("doc: %s: %zu changes replayed from its journals", filePath_.c_str(),
         state.replayed + state.bySignature + state.restored);
  }
  if (state.pastTheRecords > 0) {
    logWarningf(
        "doc: %s: %zu changes of its journals name a record past the doc's records (the first: rank %llu); "
        "passed over",
        filePath_.c_str(), state.pastTheRecords, static_cast<unsigned long long>(state.firstRankPast));
  }
  if (state.bySignature + state.restored + state.alreadyDone + state.passedBy > 0) {
    logWarningf(
        "doc: %s: %zu changes found their record by its signature where ranks did not hold, %zu records "
        "came back whole from a later change, %zu changes were there already, %zu were passed by",
        filePath_.c_str(), state.bySignature, state.restored, state.alreadyDone, state.passedBy);
  }
}

bool Vellisto_BigDoc::loadJournalsOnly(const std::string& folder, std::int64_t docId,
                                       const std::vector<std::string>& folderNames) {
  Lock lock(lock_);
  leaveIndexLocked();
  chunks_.clear();
  docId_ = docId;
  filePath_ = files::joinPath(folder, docFileName(docId));
  damaged_ = false;
  replayJournals(folder, std::string(), folderNames);
  return journal_.dirty;
}

void Vellisto_BigDoc::foldReplayedJournals() {
  bool behind = false;
  {
    Lock lock(lock_);
    behind = journal_.dirty;
  }
  if (behind) requestFold(kFoldDelayMs);
}

}  // namespace vl
