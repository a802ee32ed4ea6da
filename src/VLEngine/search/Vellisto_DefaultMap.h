#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "VLEngine/search/CustomSearchingDelegate.h"
#include "VLEngine/search/Vellisto_MapDelegate.h"
#include "platform/foundation/Regex.h"

namespace vl {

class SearchQuery;

// The matcher every doc gets: chain elements first, then the alias ("query..." at its start, ranked
// before every text match), then the text, then text recognised in an image.
//
// A text match ranks by the query's place in the record's search-word list (0 to 9, or 11), then by
// where the first match starts (a millionth per character), then by age.
class Vellisto_DefaultMap : public Vellisto_MapDelegate {
 public:
  Vellisto_DefaultMap() = default;
  // With ApplicationSearching as its chain, as every doc of the store has it.
  static std::shared_ptr<Vellisto_DefaultMap> withApplicationSearching();

  std::shared_ptr<Vellisto_TempFile> mappingChunks(const Chunks& chunks, std::size_t from, std::size_t to,
                                                   const Vellisto_Task& task) override;
  std::shared_ptr<Vellisto_TempFile> mappingChunks(const Chunks& chunks, std::size_t from, std::size_t to,
                                                   const Vellisto_Task& task,
                                                   const std::vector<TextPosition>& starts) override;

  static std::string rebuildContextRegex(const std::string& query);
  static std::string rebuildAliasRegex(const std::string& query);
  static bool matchAlias(const Vellisto_Chunk& chunk, const Regex& regex);
  static float factor(std::uint64_t position);
  static float timeFactor(double timestamp, double base);
  // The record's time stamp as a number (Vellisto_Chunk::timestampValue).
  static double timestampOf(const Vellisto_Chunk& chunk);

  std::vector<std::shared_ptr<CustomSearchingDelegate>> customSearchingChain() const;
  void setCustomSearchingChain(std::vector<std::shared_ptr<CustomSearchingDelegate>> chain);

  std::optional<Chunks> lastMatchedChunks() const override;
  std::shared_ptr<const Chunks> lastMatchedSnapshot() const override;
  void cleanMatchedChunks() override;
  std::uint64_t lastMatchedGeneration() const override;
  [[nodiscard]] bool storeLastMatchedChunks(Chunks chunks, std::uint64_t generation,
                                            std::uint64_t taskId) override;
  [[nodiscard]] bool storeLastMatches(Chunks chunks, std::vector<TextPosition> starts,
                                      std::shared_ptr<const SearchQuery> query, std::uint64_t generation,
                                      std::uint64_t taskId) override;
  std::shared_ptr<const MatchHints> lastMatchedHints() const override;

 private:
  mutable std::mutex lock_;
  std::vector<std::shared_ptr<CustomSearchingDelegate>> customSearchingChain_;
  // Absent when null; shared with the searches that read it.
  std::shared_ptr<const Chunks> lastMatchedChunks_;
  std::shared_ptr<const MatchHints> hints_;
  std::uint64_t generation_ = 0;
  std::uint64_t storedTaskId_ = 0;
};

}  // namespace vl
