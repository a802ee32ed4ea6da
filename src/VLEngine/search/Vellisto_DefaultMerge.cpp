#include "VLEngine/search/Vellisto_DefaultMerge.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <queue>

#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

// Lower priority first; of equal priority the newer record. The rank's age term means exactly that, but
// it is too small to survive the sum for records copied close together, which would otherwise come in
// whatever order the docs and slices answered.
bool ranksBefore(const Vellisto_Index& a, const Vellisto_Index& b) {
  if (a.priority() != b.priority()) return a.priority() < b.priority();
  return a.timestamp() > b.timestamp();
}
bool newestFirst(const Vellisto_Index& a, const Vellisto_Index& b) { return a.timestamp() > b.timestamp(); }

}  // namespace

namespace {

// A match's place in a merge: its priority as bits that order as the numbers do, its list and its
// place in that list.
struct PriorityKey {
  std::uint64_t bits;
  std::uint32_t run;
  std::uint32_t at;
};

std::uint64_t orderedBits(double priority) {
  if (priority == 0) priority = 0.0;  // -0 ranks with 0
  const auto bits = std::bit_cast<std::uint64_t>(priority);
  return (bits >> 63) ? ~bits : bits | (std::uint64_t{1} << 63);
}

// By priority, keys of equal priority in the order given. A doc's matches number in the hundreds,
// where byte-wise radix passes (skipping the bytes all keys share) beat a comparison sort's
// unpredictable branches.
void sortByPriorityStably(std::vector<PriorityKey>& keys) {
  const std::size_t n = keys.size();
  if (n < 64) {
    std::stable_sort(keys.begin(), keys.end(),
                     [](const PriorityKey& a, const PriorityKey& b) { return a.bits < b.bits; });
    return;
  }
  std::vector<PriorityKey> other(n);
  for (unsigned shift = 0; shift < 64; shift += 8) {
    std::array<std::size_t, 256> count{};
    for (const auto& key : keys) ++count[(key.bits >> shift) & 0xFF];
    if (count[(keys[0].bits >> shift) & 0xFF] == n) continue;
    std::size_t sum = 0;
    for (auto& c : count) {
      const std::size_t here = c;
      c = sum;
      sum += here;
    }
    for (const auto& key : keys) other[count[(key.bits >> shift) & 0xFF]++] = key;
    keys.swap(other);
  }
}

// By rank (ranksBefore), keys of equal rank in the order given. Only runs of equal priority look at the
// time stamps, so a search whose priorities all differ pays one pass over the keys for them.
template <typename TimestampOf>
void sortByRankStably(std::vector<PriorityKey>& keys, const TimestampOf& timestampOf) {
  sortByPriorityStably(keys);
  for (std::size_t i = 0; i < keys.size();) {
    std::size_t j = i + 1;
    while (j < keys.size() && keys[j].bits == keys[i].bits) ++j;
    if (j - i > 1) {
      std::stable_sort(
          keys.begin() + static_cast<std::ptrdiff_t>(i), keys.begin() + static_cast<std::ptrdiff_t>(j),
          [&](const PriorityKey& a, const PriorityKey& b) { return timestampOf(a) > timestampOf(b); });
    }
    i = j;
  }
}

// Lists that are all in priority order (the docs' answers) are k-way merged: a search over a hundred
// docs takes its rows from the heads of a hundred lists. Lists in no known order (a doc's slices) are
// sorted together by small keys — priority, then list, then place in the list — which is the order a
// stable sort of each list followed by that merge gives, without moving the matches more than once.
// With `owned`, lists that nobody else holds give up their matches rather than copy them. Only the
// first `ordered` matches are taken; a search merges only what becomes rows.
std::shared_ptr<Vellisto_TempFile> mergeByPriority(const Vellisto_TempFiles& files, bool owned,
                                                   std::size_t ordered = SIZE_MAX) {
  struct Run {
    std::vector<Vellisto_Index>* matches;
    bool movable;
  };
  std::vector<Run> runs;
  std::size_t total = 0;
  bool allOrdered = true;
  for (const auto& file : files) {
    if (!file || file->indexs().empty()) continue;
    runs.push_back({&file->mutableIndexs(), owned && file.use_count() == 1});
    total += file->indexs().size();
    allOrdered = allOrdered && (file->inPriorityOrder() ||
                                std::is_sorted(file->indexs().begin(), file->indexs().end(), ranksBefore));
  }
  if (runs.size() == 1 && runs.front().movable && allOrdered)
    return Vellisto_TempFile::makeInPriorityOrder(std::move(*runs.front().matches));
  auto take = [](std::vector<Vellisto_Index>& merged, Run& run, std::size_t at) {
    if (run.movable) {
      merged.push_back(std::move((*run.matches)[at]));
    } else {
      merged.push_back((*run.matches)[at]);
    }
  };
  if (!allOrdered) {
    std::vector<PriorityKey> keys;
    keys.reserve(total);
    for (std::size_t r = 0; r < runs.size(); ++r) {
      const auto& matches = *runs[r].matches;
      for (std::size_t at = 0; at < matches.size(); ++at)
        keys.push_back({orderedBits(matches[at].priority()), static_cast<std::uint32_t>(r),
                        static_cast<std::uint32_t>(at)});
    }
    // The keys are made in list order, so a stable sort by rank gives the order above.
    sortByRankStably(
        keys, [&runs](const PriorityKey& key) { return (*runs[key.run].matches)[key.at].timestamp(); });
    const std::size_t keep = std::min(total, ordered);
    std::vector<Vellisto_Index> merged;
    merged.reserve(keep);
    for (std::size_t k = 0; k < keep; ++k) take(merged, runs[keys[k].run], keys[k].at);
    return Vellisto_TempFile::makeInPriorityOrder(std::move(merged));
  }
  std::vector<Vellisto_Index> merged;
  merged.reserve(std::min(total, ordered));
  struct Head {
    double priority;
    double timestamp;
    std::size_t run;
    std::size_t at;
  };
  // By rank; ties of rank keep the order of the lists.
  auto later = [](const Head& a, const Head& b) {
    if (a.priority != b.priority) return a.priority > b.priority;
    if (a.timestamp != b.timestamp) return a.timestamp < b.timestamp;
    return a.run > b.run;
  };
  std::priority_queue<Head, std::vector<Head>, decltype(later)> heads(later);
  for (std::size_t r = 0; r < runs.size(); ++r) {
    const Vellisto_Index& head = (*runs[r].matches)[0];
    heads.push({head.priority(), head.timestamp(), r, 0});
  }
  while (!heads.empty()) {
    Head head = heads.top();
    heads.pop();
    if (merged.size() >= ordered) break;
    take(merged, runs[head.run], head.at);
    const std::vector<Vellisto_Index>& matches = *runs[head.run].matches;
    if (++head.at < matches.size()) {
      head.priority = matches[head.at].priority();
      head.timestamp = matches[head.at].timestamp();
      heads.push(head);
    }
  }
  return Vellisto_TempFile::makeInPriorityOrder(std::move(merged));
}

}  // namespace

std::shared_ptr<Vellisto_TempFile> Vellisto_DefaultMerge::mergingOrderByPriority(
    const Vellisto_TempFiles& files) {
  return mergeByPriority(files, false);
}

std::shared_ptr<Vellisto_TempFile> Vellisto_DefaultMerge::mergingOrderByPriority(Vellisto_TempFiles&& files) {
  return mergeByPriority(files, true);
}

std::shared_ptr<Vellisto_TempFile> Vellisto_DefaultMerge::mergingOrderByPriorityFirst(
    Vellisto_TempFiles&& files, std::size_t count) {
  return mergeByPriority(files, true, count);
}

std::shared_ptr<Vellisto_TempFile> Vellisto_DefaultMerge::mergingOrderByTimestamp(
    const Vellisto_TempFiles& files) {
  std::vector<Vellisto_Index> all;
  for (const auto& file : files) {
    if (file) all.insert(all.end(), file->indexs().begin(), file->indexs().end());
  }
  const std::size_t keep = std::min(all.size(), kListingSize);
  std::partial_sort(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(keep), all.end(), newestFirst);
  all.resize(keep);
  return Vellisto_TempFile::make(std::move(all));
}

std::shared_ptr<Vellisto_TempFile> Vellisto_DefaultMerge::mergingByChunks(const Chunks& chunks,
                                                                          double timestamp,
                                                                          bool applications) {
  struct Candidate {
    double timestamp;
    const std::shared_ptr<Vellisto_Chunk>* chunk;
  };
  std::vector<Candidate> candidates;
  candidates.reserve(chunks.size());
  // The records lie all over memory: ask for the ones a few steps ahead, so that the waits overlap.
  constexpr std::size_t kAhead = 8;
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    if (i + kAhead < chunks.size() && chunks[i + kAhead]) __builtin_prefetch(chunks[i + kAhead].get());
    const std::shared_ptr<Vellisto_Chunk>& chunk = chunks[i];
    if (!chunk) {
      logDebug("NSNull <null>");
      continue;
    }
    if (chunk->isLogicallyDeleted() ||
        (!applications && chunk->jsonHasApp() && !chunk->isCopiedApplication()))
      continue;
    const double ts = chunk->timestampValue();
    if (ts < timestamp) candidates.push_back({ts, &chunk});
  }
  const std::size_t keep = std::min(candidates.size(), kListingSize);
  std::partial_sort(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(keep),
                    candidates.end(),
                    [](const Candidate& a, const Candidate& b) { return a.timestamp > b.timestamp; });
  std::vector<Vellisto_Index> out;
  out.reserve(keep);
  for (std::size_t i = 0; i < keep; ++i) {
    Vellisto_Index match(0, 0, candidates[i].timestamp);
    match.setChunkRef(*candidates[i].chunk);
    out.push_back(std::move(match));
  }
  return Vellisto_TempFile::make(std::move(out));
}

}  // namespace vl
