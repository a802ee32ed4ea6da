#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "VLEngine/search/CaseFoldScan.h"
#include "VLEngine/search/Vellisto_TempFile.h"

namespace vl {

class SearchQuery;
class Vellisto_Chunk;
class Vellisto_Task;

// A doc's matcher: turns records into matches of a task, and remembers what matched last so that the
// next search of the doc may look only at those records.
//
// mappingChunks runs on the doc's search queue, without the doc's lock (records are read whole without
// one); the last-matches accessors are called from any thread.
class Vellisto_MapDelegate {
 public:
  using Chunks = std::vector<std::shared_ptr<Vellisto_Chunk>>;

  virtual ~Vellisto_MapDelegate() = default;

  // Where the last search's query first matched each of the last matches
  // (Vellisto_Index::firstMatchStart, in the same order), for the next search to start its scans there
  // when its query allows.
  struct MatchHints {
    std::shared_ptr<const Chunks> chunks;  // the last matches these belong to
    std::vector<TextPosition> starts;
    std::shared_ptr<const SearchQuery> query;
  };

  // The matches among chunks[from, to) (null slots skipped).
  virtual std::shared_ptr<Vellisto_TempFile> mappingChunks(const Chunks& chunks, std::size_t from,
                                                           std::size_t to, const Vellisto_Task& task) = 0;
  // The same, where no match of the task's query in chunks[i] starts before starts[i].
  virtual std::shared_ptr<Vellisto_TempFile> mappingChunks(const Chunks& chunks, std::size_t from,
                                                           std::size_t to, const Vellisto_Task& task,
                                                           const std::vector<TextPosition>& /*starts*/) {
    return mappingChunks(chunks, from, to, task);
  }

  // Absent: search the whole doc. Present, even empty: search only these records.
  virtual std::optional<Chunks> lastMatchedChunks() const = 0;
  // The same without copying the list (nullptr: absent).
  virtual std::shared_ptr<const Chunks> lastMatchedSnapshot() const {
    std::optional<Chunks> chunks = lastMatchedChunks();
    return chunks ? std::make_shared<const Chunks>(std::move(*chunks)) : nullptr;
  }
  // Empties the last matches and makes them absent.
  virtual void cleanMatchedChunks() = 0;

  // Changes with every set or clean of the last matches. A search reads it before it picks its records
  // and stores what it found only if nothing changed meanwhile (storeLastMatchedChunks), so a search
  // that finishes after a clean, or after a newer search, never narrows the next one wrongly.
  virtual std::uint64_t lastMatchedGeneration() const = 0;
  // False (nothing stored) when the generation moved on or a newer task stored already.
  [[nodiscard]] virtual bool storeLastMatchedChunks(Chunks chunks, std::uint64_t generation,
                                                    std::uint64_t taskId) = 0;
  // The same with the hints of those matches (starts in the order of chunks).
  [[nodiscard]] virtual bool storeLastMatches(Chunks chunks, std::vector<TextPosition> /*starts*/,
                                              std::shared_ptr<const SearchQuery> /*query*/,
                                              std::uint64_t generation, std::uint64_t taskId) {
    return storeLastMatchedChunks(std::move(chunks), generation, taskId);
  }
  // The hints stored with the last matches; nullptr when there are none.
  virtual std::shared_ptr<const MatchHints> lastMatchedHints() const { return nullptr; }
};

}  // namespace vl
