#pragma once

#include <cstdint>
#include <memory>

#include "VLEngine/doc/bigdoc/DocChainLoader.h"

namespace vl {

class Vellisto_BigDoc;

// The accessors of a chain of docs that the store or a pin tab holds, each under the store's lock
// (VLEngine::storeMutex). The clipboard history's chain is one object shared by the store and the
// clipboard tab, so both read it through here.
class LockedDocChain {
 public:
  std::shared_ptr<Vellisto_BigDoc> headDoc() const;
  void setHeadDoc(std::shared_ptr<Vellisto_BigDoc> doc);
  std::shared_ptr<Vellisto_BigDoc> tailDoc() const;
  void setTailDoc(std::shared_ptr<Vellisto_BigDoc> doc);
  std::int64_t docCount() const;
  void setDocCount(std::int64_t count);

 protected:
  explicit LockedDocChain(std::shared_ptr<DocChain> chain);
  ~LockedDocChain() = default;

  // Never null, and not replaced once handed out, so whoever shares it sees the same chain. What it points
  // to is guarded by the store's lock (clang 14 takes no VL_PT_GUARDED_BY on a smart pointer).
  std::shared_ptr<DocChain> chain_;
};

}  // namespace vl
