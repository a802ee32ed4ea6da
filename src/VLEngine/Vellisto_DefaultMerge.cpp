#include "VLEngine/Vellisto_DefaultMerge.h"

#include <algorithm>
#include <queue>

#include "VLEngine/Vellisto_Chunk.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

bool byPriority(const Vellisto_Index& a, const Vellisto_Index& b) { return a.priority() < b.priority(); }
bool newestFirst(const Vellisto_Index& a, const Vellisto_Index& b) { return a.timestamp() > b.timestamp(); }

}  // namespace

namespace {

// Each list in priority order (a doc's answer already is), then a k-way merge: a search over a hundred
// docs merges a hundred sorted lists, far cheaper than sorting their union. With `owned`, lists that
// nobody else holds are sorted in place and their matches moved rather than copied. Only the first
// `ordered` matches are taken; a search merges only what becomes rows.
std::shared_ptr<Vellisto_TempFile> mergeByPriority(const Vellisto_TempFiles& files, bool owned,
                                                   std::size_t ordered = SIZE_MAX) {
  struct Run {
    std::vector<Vellisto_Index>* matches;
    bool movable;
  };
  std::vector<Run> runs;
  std::vector<std::vector<Vellisto_Index>> copies;
  copies.reserve(files.size());
  std::size_t total = 0;
  for (const auto& file : files) {
    if (!file || file->indexs().empty()) continue;
    const bool known = file->inPriorityOrder();
    Run run{&file->mutableIndexs(), owned && file.use_count() == 1};
    if (!known && !std::is_sorted(run.matches->begin(), run.matches->end(), byPriority)) {
      if (!run.movable) {
        copies.push_back(*run.matches);
        run = {&copies.back(), true};
      }
      std::stable_sort(run.matches->begin(), run.matches->end(), byPriority);
    }
    runs.push_back(run);
    total += run.matches->size();
  }
  if (runs.size() == 1 && runs.front().movable)
    return Vellisto_TempFile::makeInPriorityOrder(std::move(*runs.front().matches));
  std::vector<Vellisto_Index> merged;
  merged.reserve(std::min(total, ordered));
  struct Head {
    double priority;
    std::size_t run;
    std::size_t at;
  };
  // Lower priority first; ties keep the order of the lists.
  auto later = [](const Head& a, const Head& b) {
    return a.priority != b.priority ? a.priority > b.priority : a.run > b.run;
  };
  std::priority_queue<Head, std::vector<Head>, decltype(later)> heads(later);
  for (std::size_t r = 0; r < runs.size(); ++r) heads.push({(*runs[r].matches)[0].priority(), r, 0});
  auto take = [&](Run& run, std::size_t at) {
    if (run.movable) {
      merged.push_back(std::move((*run.matches)[at]));
    } else {
      merged.push_back((*run.matches)[at]);
    }
  };
  while (!heads.empty()) {
    Head head = heads.top();
    heads.pop();
    if (merged.size() >= ordered) break;
    take(runs[head.run], head.at);
    const std::vector<Vellisto_Index>& matches = *runs[head.run].matches;
    if (++head.at < matches.size()) {
      head.priority = matches[head.at].priority();
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
                                                                          double timestamp) {
  struct Candidate {
    double timestamp;
    const std::shared_ptr<Vellisto_Chunk>* chunk;
  };
  std::vector<Candidate> candidates;
  candidates.reserve(chunks.size());
  for (const auto& chunk : chunks) {
    if (!chunk) {
      log("NSNull <null>");
      continue;
    }
    if (chunk->isLogicallyDeleted()) continue;
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
