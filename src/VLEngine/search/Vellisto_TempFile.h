#pragma once

#include <memory>
#include <vector>

#include "VLEngine/search/Vellisto_Index.h"

namespace vl {

// A list of matches: a doc's answer to a task, or the merged answer of all docs.
class Vellisto_TempFile {
 public:
  Vellisto_TempFile() = default;
  explicit Vellisto_TempFile(std::vector<Vellisto_Index> indexs) : indexs_(std::move(indexs)) {}
  static std::shared_ptr<Vellisto_TempFile> make(std::vector<Vellisto_Index> indexs = {}) {
    return std::make_shared<Vellisto_TempFile>(std::move(indexs));
  }

  // A list a merge made, known to be in rank order (by priority, ties newest first): merging it again
  // needs no pass over it to find that out, which for a search's answers would be a serial pass over
  // every match.
  static std::shared_ptr<Vellisto_TempFile> makeInPriorityOrder(std::vector<Vellisto_Index> indexs) {
    auto file = make(std::move(indexs));
    file->inPriorityOrder_ = true;
    return file;
  }

  const std::vector<Vellisto_Index>& indexs() const { return indexs_; }
  // The caller may reorder the list: it is no longer known to be in priority order.
  std::vector<Vellisto_Index>& mutableIndexs() {
    inPriorityOrder_ = false;
    return indexs_;
  }
  std::size_t count() const { return indexs_.size(); }
  bool inPriorityOrder() const { return inPriorityOrder_; }

 private:
  std::vector<Vellisto_Index> indexs_;
  bool inPriorityOrder_ = false;
};

using Vellisto_TempFiles = std::vector<std::shared_ptr<Vellisto_TempFile>>;

}  // namespace vl
