#pragma once

#include <memory>
#include <vector>

#include "VLEngine/Vellisto_Index.h"

namespace vl {

// A list of matches: a doc's answer to a task, or the merged answer of all docs.
class Vellisto_TempFile {
 public:
  Vellisto_TempFile() = default;
  explicit Vellisto_TempFile(std::vector<Vellisto_Index> indexs) : indexs_(std::move(indexs)) {}
  static std::shared_ptr<Vellisto_TempFile> make(std::vector<Vellisto_Index> indexs = {}) {
    return std::make_shared<Vellisto_TempFile>(std::move(indexs));
  }

  const std::vector<Vellisto_Index>& indexs() const { return indexs_; }
  std::vector<Vellisto_Index>& mutableIndexs() { return indexs_; }
  void setIndexs(std::vector<Vellisto_Index> indexs) { indexs_ = std::move(indexs); }
  std::size_t count() const { return indexs_.size(); }

 private:
  std::vector<Vellisto_Index> indexs_;
};

using Vellisto_TempFiles = std::vector<std::shared_ptr<Vellisto_TempFile>>;

}  // namespace vl
