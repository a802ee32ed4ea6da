#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "VLEngine/LRU/Vellisto_LRUNode.h"

namespace vl {

// The last search words with which the user chose a record, newest first. A word's position (0 for
// the newest) is added to a match's priority by the search engine, so the positions are kept in
// `accessor` rather than found by walking the list.
//
// Not thread-safe: a list belongs to one record, and the record's doc lock guards it.
class Vellisto_LRU {
 public:
  Vellisto_LRU() = default;
  // Nodes are shared between copies, so a list only moves.
  Vellisto_LRU(const Vellisto_LRU&) = delete;
  Vellisto_LRU& operator=(const Vellisto_LRU&) = delete;
  Vellisto_LRU(Vellisto_LRU&&) = default;
  Vellisto_LRU& operator=(Vellisto_LRU&&) = default;
  // The stored text form; the first stored word becomes the newest again.
  static Vellisto_LRU initWithLRUStr(std::string_view text);

  void set(const std::string& word);
  void offer(const std::shared_ptr<Vellisto_LRUNode>& node);
  // The word's position, or maxSize + 1 when the list does not hold it.
  std::int32_t find(const std::string& word) const;
  bool isEmpty() const { return !head_ && !tail_; }
  // Moves every word from `from` up to and including `to` one place back.
  void updatePos(const std::shared_ptr<Vellisto_LRUNode>& from, const std::shared_ptr<Vellisto_LRUNode>& to);
  std::string stringValue() const;

  std::int32_t count() const { return count_; }
  std::int32_t maxSize() const { return maxSize_; }
  std::shared_ptr<Vellisto_LRUNode> head() const { return head_; }
  std::shared_ptr<Vellisto_LRUNode> tail() const { return tail_; }
  const std::unordered_map<std::string, std::int32_t>& accessor() const { return accessor_; }

 private:
  void unlink(const std::shared_ptr<Vellisto_LRUNode>& node);
  std::shared_ptr<Vellisto_LRUNode> nodeOf(const std::string& word) const;

  // First: every search looks a word up here, in every record.
  std::int32_t maxSize_ = 10;
  std::int32_t count_ = 0;
  std::unordered_map<std::string, std::int32_t> accessor_;
  std::shared_ptr<Vellisto_LRUNode> head_;
  std::shared_ptr<Vellisto_LRUNode> tail_;
};

}  // namespace vl
