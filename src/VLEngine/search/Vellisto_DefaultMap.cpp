#include "VLEngine/search/Vellisto_DefaultMap.h"

#include <algorithm>

#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "VLEngine/search/ApplicationSearching.h"
#include "VLEngine/search/SearchQuery.h"
#include "VLEngine/search/Vellisto_Task.h"
#include "platform/dispatch/Dispatch.h"

namespace vl {

namespace {

// How far ahead records and texts are fetched, and how many cache lines of each.
constexpr std::size_t kPrefetchRecords = 8;
constexpr int kPrefetchRecordLines = 4;
constexpr std::size_t kPrefetchTexts = 4;
constexpr int kPrefetchTextLines = 4;
// Fewer last matches than this are let go where they are dropped.
constexpr std::size_t kReleaseAsideFrom = 4096;

double timestampOfChunk(const Vellisto_Chunk& chunk) { return chunk.timestampValue(); }

// The query's place in the record's search-word list; one past the list's end when absent.
double wordPosition(const Vellisto_Chunk& chunk, const std::string& query) {
  return static_cast<double>(chunk.searchWordPosition(query));
}

void mapOne(const std::shared_ptr<Vellisto_Chunk>& chunk, const std::shared_ptr<const SearchQuery>& queryRef,
            double now, const std::vector<std::shared_ptr<CustomSearchingDelegate>>& chain, TextPosition from,
            std::vector<Vellisto_Index>& out) {
  if (!chunk || chunk->isLogicallyDeleted()) return;
  const SearchQuery& query = *queryRef;
  for (const auto& element : chain) {
    if (!element || !element->matched(*chunk)) continue;
    if (element->needDrop(*chunk)) return;
    break;
  }
  if (chunk->hasAlias() && query.matchAlias(chunk->alias().value_or(""))) {
    Vellisto_Index match(-1.0, 0, timestampOfChunk(*chunk));
    match.setChunkRef(chunk);
    out.push_back(std::move(match));
    return;
  }
  TextPosition start;
  if (std::optional<std::size_t> first =
          query.firstMatch(chunk->context(), chunk->contextTraits(), from, &start)) {
    const double timestamp = timestampOfChunk(*chunk);
    double priority = wordPosition(*chunk, query.query());
    priority += Vellisto_DefaultMap::factor(*first);
    priority += Vellisto_DefaultMap::timeFactor(timestamp, now);
    Vellisto_Index match(priority, 0, timestamp);
    match.setFirstMatchStart(start);
    match.setRangeQuery(queryRef);
    match.setChunkRef(chunk);
    out.push_back(std::move(match));
    return;
  }
  // Few records hold recognised text; the others' json is never read.
  if (!chunk->jsonHasOcr()) return;
  const std::optional<std::string> ocr = chunk->ocrText();
  if (ocr && query.containsMatch(*ocr)) {
    Vellisto_Index match(wordPosition(*chunk, query.query()), 0, timestampOfChunk(*chunk));
    match.setChunkRef(chunk);
    out.push_back(std::move(match));
  }
}

}  // namespace

double Vellisto_DefaultMap::timestampOf(const Vellisto_Chunk& chunk) { return timestampOfChunk(chunk); }

std::shared_ptr<Vellisto_DefaultMap> Vellisto_DefaultMap::withApplicationSearching() {
  auto map = std::make_shared<Vellisto_DefaultMap>();
  map->setCustomSearchingChain({std::make_shared<ApplicationSearching>()});
  return map;
}

std::shared_ptr<Vellisto_TempFile> Vellisto_DefaultMap::mappingChunks(const Chunks& chunks, std::size_t from,
                                                                      std::size_t to,
                                                                      const Vellisto_Task& task) {
  return mappingChunks(chunks, from, to, task, {});
}

std::shared_ptr<Vellisto_TempFile> Vellisto_DefaultMap::mappingChunks(
    const Chunks& chunks, std::size_t from, std::size_t to, const Vellisto_Task& task,
    const std::vector<TextPosition>& starts) {
  auto file = Vellisto_TempFile::make();
  std::shared_ptr<const SearchQuery> taskQuery = task.query();
  if (!taskQuery) return file;
  // Every text match keeps the query for its ranges. The copies count on a holder of this slice's
  // own rather than on the task's, whose count every core would otherwise update at once.
  auto holder = std::make_shared<std::shared_ptr<const SearchQuery>>(std::move(taskQuery));
  const std::shared_ptr<const SearchQuery> query(holder, holder->get());
  const auto chain = customSearchingChain();
  to = std::min(to, chunks.size());
  // Room for every record of the slice: a narrowing search finds most of them again.
  if (to > from) file->mutableIndexs().reserve(to - from);
  const double now = task.now();
  for (std::size_t i = from; i < to; ++i) {
    // The records lie all over memory: ask for the ones a few steps ahead, and for the start of their
    // texts once their fields are in, so that the waits overlap instead of adding up.
    if (i + kPrefetchRecords < to) {
      const auto* ahead = reinterpret_cast<const char*>(chunks[i + kPrefetchRecords].get());
      // Its reference counts just before it, and the fields every search reads (Vellisto_Chunk).
      for (int line = 0; line < kPrefetchRecordLines; ++line) __builtin_prefetch(ahead - 16 + 64 * line);
    }
    if (i + kPrefetchTexts < to && chunks[i + kPrefetchTexts]) {
      // Where the scan of that text will begin.
      const std::string_view text = chunks[i + kPrefetchTexts]->context();
      const std::size_t scanFrom = i + kPrefetchTexts < starts.size() ? starts[i + kPrefetchTexts].byte : 0;
      const char* begin = text.data() + (scanFrom < text.size() ? scanFrom : 0);
      const char* end = text.data() + text.size();
      for (int line = 0; line < kPrefetchTextLines && begin + 64 * line < end; ++line)
        __builtin_prefetch(begin + 64 * line);
    }
    mapOne(chunks[i], query, now, chain, i < starts.size() ? starts[i] : TextPosition(),
           file->mutableIndexs());
  }
  return file;
}

std::string Vellisto_DefaultMap::rebuildContextRegex(const std::string& query) {
  return SearchQuery::contextPattern(query);
}

std::string Vellisto_DefaultMap::rebuildAliasRegex(const std::string& query) {
  return SearchQuery::aliasPattern(query);
}

bool Vellisto_DefaultMap::matchAlias(const Vellisto_Chunk& chunk, const Regex& regex) {
  return chunk.hasAlias() && regex.matches(chunk.alias().value_or(""));
}

float Vellisto_DefaultMap::factor(std::uint64_t position) {
  return static_cast<float>(static_cast<double>(position) / 1000000.0);
}

float Vellisto_DefaultMap::timeFactor(double timestamp, double base) {
  if (base == 0) return 0;
  return static_cast<float>((base - timestamp) / base / 10000000.0);
}

std::vector<std::shared_ptr<CustomSearchingDelegate>> Vellisto_DefaultMap::customSearchingChain() const {
  std::lock_guard<std::mutex> lock(lock_);
  return customSearchingChain_;
}

void Vellisto_DefaultMap::setCustomSearchingChain(
    std::vector<std::shared_ptr<CustomSearchingDelegate>> chain) {
  std::lock_guard<std::mutex> lock(lock_);
  customSearchingChain_ = std::move(chain);
}

std::optional<Vellisto_MapDelegate::Chunks> Vellisto_DefaultMap::lastMatchedChunks() const {
  std::shared_ptr<const Chunks> chunks = lastMatchedSnapshot();
  if (!chunks) return std::nullopt;
  return *chunks;
}

std::shared_ptr<const Vellisto_MapDelegate::Chunks> Vellisto_DefaultMap::lastMatchedSnapshot() const {
  std::lock_guard<std::mutex> lock(lock_);
  return lastMatchedChunks_;
}

void Vellisto_DefaultMap::cleanMatchedChunks() {
  std::shared_ptr<const Chunks> released;
  std::shared_ptr<const MatchHints> releasedHints;
  {
    std::lock_guard<std::mutex> lock(lock_);
    released = std::move(lastMatchedChunks_);
    releasedHints = std::move(hints_);
    ++generation_;
  }
  // The records are let go outside the lock. A whole history of references costs milliseconds of
  // cache misses, and the last query (as long as whatever was pasted) its compiled pattern, which the
  // typing thread must not wait for: one background task drops them all.
  if ((released && released->size() >= kReleaseAsideFrom) || releasedHints) {
    dispatch::Queue::global()->async(
        [released = std::move(released), releasedHints = std::move(releasedHints)]() mutable {
          releasedHints.reset();
          released.reset();
        });
  }
}

std::uint64_t Vellisto_DefaultMap::lastMatchedGeneration() const {
  std::lock_guard<std::mutex> lock(lock_);
  return generation_;
}

bool Vellisto_DefaultMap::storeLastMatchedChunks(Chunks chunks, std::uint64_t generation,
                                                 std::uint64_t taskId) {
  return storeLastMatches(std::move(chunks), {}, nullptr, generation, taskId);
}

bool Vellisto_DefaultMap::storeLastMatches(Chunks chunks, std::vector<TextPosition> starts,
                                           std::shared_ptr<const SearchQuery> query, std::uint64_t generation,
                                           std::uint64_t taskId) {
  // Whatever is replaced (or refused) is let go after the lock is released.
  std::shared_ptr<const Chunks> stored = std::make_shared<const Chunks>(std::move(chunks));
  std::shared_ptr<const MatchHints> hints;
  if (query && starts.size() == stored->size()) {
    auto made = std::make_shared<MatchHints>();
    made->chunks = stored;
    made->starts = std::move(starts);
    made->query = std::move(query);
    hints = std::move(made);
  }
  std::lock_guard<std::mutex> lock(lock_);
  if (generation != generation_ || taskId < storedTaskId_) return false;
  lastMatchedChunks_.swap(stored);
  hints_.swap(hints);
  storedTaskId_ = taskId;
  return true;
}

std::shared_ptr<const Vellisto_MapDelegate::MatchHints> Vellisto_DefaultMap::lastMatchedHints() const {
  std::lock_guard<std::mutex> lock(lock_);
  return hints_;
}

}  // namespace vl
