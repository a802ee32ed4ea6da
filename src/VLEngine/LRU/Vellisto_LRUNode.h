#pragma once

#include <memory>
#include <string>

namespace vl {

// One word of a search-word list. A node owns its newer-to-older successor; the link back is weak so a
// list never keeps itself alive.
class Vellisto_LRUNode {
 public:
  explicit Vellisto_LRUNode(std::string item) : item_(std::move(item)) {}

  const std::string& item() const { return item_; }

  std::shared_ptr<Vellisto_LRUNode> next() const { return next_; }
  void setNext(std::shared_ptr<Vellisto_LRUNode> node) { next_ = std::move(node); }
  std::shared_ptr<Vellisto_LRUNode> prev() const { return prev_.lock(); }
  void setPrev(const std::shared_ptr<Vellisto_LRUNode>& node) { prev_ = node; }

 private:
  std::string item_;
  std::weak_ptr<Vellisto_LRUNode> prev_;
  std::shared_ptr<Vellisto_LRUNode> next_;
};

}  // namespace vl
