// The search and listing slices of a doc: each task is answered on the doc's own concurrent queue,
// a search in slices of kSearchSliceSize records; the docs of a chain run at once on every core.
#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/search/SearchQuery.h"
#include "VLEngine/search/Vellisto_DefaultMap.h"
#include "VLEngine/search/Vellisto_DefaultMerge.h"
#include "VLEngine/search/Vellisto_Master.h"
#include "VLEngine/search/Vellisto_Task.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

using Chunks = std::vector<std::shared_ptr<Vellisto_Chunk>>;

}  // namespace

std::shared_ptr<Vellisto_MapDelegate> Vellisto_BigDoc::map() const {
  MutexLock lock(lock_);
  if (!map_) map_ = Vellisto_DefaultMap::withApplicationSearching();
  return map_;
}

void Vellisto_BigDoc::setMap(std::shared_ptr<Vellisto_MapDelegate> map) {
  MutexLock lock(lock_);
  map_ = std::move(map);
}

std::shared_ptr<Vellisto_MergeDelegate> Vellisto_BigDoc::merge() const {
  MutexLock lock(lock_);
  if (!merge_) merge_ = std::make_shared<Vellisto_DefaultMerge>();
  return merge_;
}

void Vellisto_BigDoc::setMerge(std::shared_ptr<Vellisto_MergeDelegate> merge) {
  MutexLock lock(lock_);
  merge_ = std::move(merge);
}

std::shared_ptr<dispatch::Queue> Vellisto_BigDoc::searchQueue() {
  MutexLock lock(lock_);
  if (!searchQueue_) {
    char label[64];
    std::snprintf(label, sizeof label, "BigDocQueue_%ld", static_cast<long>(docId_));
    searchQueue_ = dispatch::Queue::concurrent(label);
  }
  return searchQueue_;
}

void Vellisto_BigDoc::cleanMatchedChunks() { map()->cleanMatchedChunks(); }

std::vector<std::shared_ptr<Vellisto_Chunk>> Vellisto_BigDoc::getChunksFromUnmergeList(
    const std::vector<std::shared_ptr<Vellisto_TempFile>>& files, std::vector<TextPosition>* starts) {
  Chunks chunks;
  std::size_t count = 0;
  for (const auto& file : files) count += file ? file->count() : 0;
  chunks.reserve(count);
  if (starts) starts->reserve(count);
  for (const auto& file : files) {
    if (!file) continue;
    for (const auto& match : file->indexs()) {
      if (!match.chunkRef()) continue;
      chunks.push_back(match.chunkRef());
      if (starts) starts->push_back(match.firstMatchStart());
    }
  }
  return chunks;
}

void Vellisto_BigDoc::doSearch(const std::shared_ptr<Vellisto_Task>& task) {
  if (!task) return;
  std::shared_ptr<Vellisto_BigDoc> self = shared_from_this();
  std::shared_ptr<Vellisto_MapDelegate> matcher = map();
  std::shared_ptr<Vellisto_MergeDelegate> merger = merge();
  // Read before the records are picked: if the last matches change while this search runs, what it
  // finds is not stored as the next search's narrowing.
  const std::uint64_t generation = matcher->lastMatchedGeneration();
  std::shared_ptr<const Chunks> last = matcher->lastMatchedSnapshot();
  std::shared_ptr<const Vellisto_MapDelegate::MatchHints> hints = matcher->lastMatchedHints();
  searchQueue()->async([self, matcher, merger, task, generation, last = std::move(last),
                        hints = std::move(hints)]() mutable {
    // Compiled here, not on the thread that sent the task: a query can be as long as a pasted text.
    std::shared_ptr<const SearchQuery> query = task->query();
    // The last search's first-match offsets help only a query that extends its query.
    if (!last || !hints || hints->chunks != last || !query || !hints->query ||
        !query->hintsFrom(*hints->query))
      hints = nullptr;
    Vellisto_Master& master = Vellisto_Master::shared();
    Vellisto_TempFiles files;
    bool abandoned = false;
    // What this search looks at: every record, or the last matches that are still records of this doc
    // (a record deleted or moved away since the last search is not found again).
    Chunks picked;
    const Chunks* subjects = &picked;
    std::vector<TextPosition> pickedStarts;
    const std::vector<TextPosition>* starts = &pickedStarts;
    {
      MutexLock lock(self->lock_);
      if (!last) {
        picked = self->chunks_;
      } else {
        // The last matches keep the doc's order: one walk of both tells whether they are all still
        // here, and then they are the subjects as they stand. Otherwise each is looked up.
        const std::size_t total = self->chunks_.size();
        std::size_t next = 0;
        for (std::size_t k = 0; k < total && next < last->size(); ++k) {
          if (self->chunks_[k] == (*last)[next]) ++next;
        }
        if (next == last->size()) {
          subjects = last.get();
          if (hints) starts = &hints->starts;
        } else {
          std::vector<std::pair<const Vellisto_Chunk*, std::uint32_t>> wanted;  // with its place in `last`
          wanted.reserve(last->size());
          for (std::size_t i = 0; i < last->size(); ++i)
            wanted.emplace_back((*last)[i].get(), static_cast<std::uint32_t>(i));
          std::sort(wanted.begin(), wanted.end());
          picked.reserve(last->size());
          for (const auto& chunk : self->chunks_) {
            if (!chunk) continue;
            auto it =
                std::lower_bound(wanted.begin(), wanted.end(), chunk.get(),
                                 [](const auto& entry, const Vellisto_Chunk* p) { return entry.first < p; });
            if (it == wanted.end() || it->first != chunk.get()) continue;
            picked.push_back(chunk);
            if (hints) pickedStarts.push_back(hints->starts[it->second]);
          }
        }
      }
    }
    // The slices of one doc run one after another in this block, while the docs of the chain run at
    // once, each in its own block. They read the records without the doc's lock (a record's fields are
    // read whole without one), so capture appends meanwhile.
    const std::size_t count = subjects->size();
    for (std::size_t from = 0; from < count || from == 0; from += kSearchSliceSize) {
      // A newer task makes this one's answer worthless: stop matching.
      if (master.isStale(task->taskId())) {
        abandoned = true;
        break;
      }
      files.push_back(
          matcher->mappingChunks(*subjects, from, std::min(count, from + kSearchSliceSize), *task, *starts));
    }
    if (abandoned) {
      master.push(task->taskId(), nullptr, self.get());  // dropped there as stale
      return;
    }
    std::vector<TextPosition> firstStarts;
    Chunks matched = getChunksFromUnmergeList(files, &firstStarts);
    if (last) logDebugf("lastMatchedChunks size %ld", static_cast<long>(matched.size()));
    matcher->storeLastMatches(std::move(matched), std::move(firstStarts), query, generation, task->taskId());
    std::shared_ptr<Vellisto_TempFile> merged =
        merger ? merger->mergingOrderByPriority(std::move(files)) : nullptr;
    master.push(task->taskId(), merged ? merged : Vellisto_TempFile::make(), self.get());
  });
}

void Vellisto_BigDoc::noneInput(const std::shared_ptr<Vellisto_Task>& task) {
  if (task) listing(task, task->now());
}

void Vellisto_BigDoc::error(const std::shared_ptr<Vellisto_Task>& task) {
  if (task) listing(task, task->now());
}

void Vellisto_BigDoc::noneInputLoadMore(const std::shared_ptr<Vellisto_Task>& task) {
  if (task) listing(task, task->earlierThanTimestamp());
}

void Vellisto_BigDoc::listing(const std::shared_ptr<Vellisto_Task>& task, double earlierThan) {
  std::shared_ptr<Vellisto_BigDoc> self = shared_from_this();
  std::shared_ptr<Vellisto_MergeDelegate> merger = merge();
  searchQueue()->async([self, merger, task, earlierThan] {
    std::shared_ptr<Vellisto_TempFile> file;
    {
      MutexLock lock(self->lock_);
      file =
          merger ? merger->mergingByChunks(self->chunks_, earlierThan, task->listsApplications()) : nullptr;
    }
    Vellisto_Master::shared().push(task->taskId(), file ? file : Vellisto_TempFile::make(), self.get());
  });
}

}  // namespace vl
