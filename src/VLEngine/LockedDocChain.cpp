#include "VLEngine/LockedDocChain.h"

#include <mutex>
#include <utility>

#include "VLEngine/VLEngine.h"

namespace vl {

namespace {

using Lock = RecursiveMutexLock;

}  // namespace

LockedDocChain::LockedDocChain(std::shared_ptr<DocChain> chain)
    : chain_(chain ? std::move(chain) : std::make_shared<DocChain>()) {}

std::shared_ptr<Vellisto_BigDoc> LockedDocChain::headDoc() const {
  Lock lock(VLEngine::storeMutex());
  return chain_->head;
}

void LockedDocChain::setHeadDoc(std::shared_ptr<Vellisto_BigDoc> doc) {
  Lock lock(VLEngine::storeMutex());
  chain_->head = std::move(doc);
}

std::shared_ptr<Vellisto_BigDoc> LockedDocChain::tailDoc() const {
  Lock lock(VLEngine::storeMutex());
  return chain_->tail;
}

void LockedDocChain::setTailDoc(std::shared_ptr<Vellisto_BigDoc> doc) {
  Lock lock(VLEngine::storeMutex());
  chain_->tail = std::move(doc);
}

std::int64_t LockedDocChain::docCount() const {
  Lock lock(VLEngine::storeMutex());
  return chain_->docCount;
}

void LockedDocChain::setDocCount(std::int64_t count) {
  Lock lock(VLEngine::storeMutex());
  chain_->docCount = count;
}

}  // namespace vl
