#include "VLEngine/LRU/Vellisto_LRU.h"

#include <vector>

#include "VLEngine/doc/bigdoc/DocTextForm.h"
#include "platform/foundation/Check.h"

namespace vl {

Vellisto_LRU Vellisto_LRU::initWithLRUStr(std::string_view text) {
  Vellisto_LRU list;
  if (text.empty()) return list;
  std::vector<std::string> words;
  for (std::size_t at = 0; at != std::string_view::npos;) {
    doctext::Piece piece = doctext::nextPiece(text, at, doctext::kWordSeparator);
    words.push_back(doctext::unescape(piece.text));
    at = piece.next;
  }
  // Offering oldest first leaves the first stored word at the head.
  for (auto it = words.rbegin(); it != words.rend(); ++it) list.set(*it);
  return list;
}

void Vellisto_LRU::set(const std::string& word) { offer(std::make_shared<Vellisto_LRUNode>(word)); }

std::shared_ptr<Vellisto_LRUNode> Vellisto_LRU::nodeOf(const std::string& word) const {
  for (auto node = head_; node; node = node->next()) {
    if (node->item() == word) return node;
  }
  return nullptr;
}

void Vellisto_LRU::unlink(const std::shared_ptr<Vellisto_LRUNode>& node) {
  auto prev = node->prev();
  auto next = node->next();
  if (prev) {
    prev->setNext(next);
  } else {
    head_ = next;
  }
  if (next) {
    next->setPrev(prev);
  } else {
    tail_ = prev;
  }
  node->setNext(nullptr);
  node->setPrev(nullptr);
}

void Vellisto_LRU::offer(const std::shared_ptr<Vellisto_LRUNode>& node) {
  VL_DCHECK(maxSize_ > 0);
  if (!node) return;
  const std::string& word = node->item();
  if (isEmpty()) {
    head_ = tail_ = node;
    accessor_[word] = 0;
    count_ = 1;
    return;
  }
  if (accessor_.count(word)) {
    auto old = nodeOf(word);
    if (old && old != head_) updatePos(head_, old->prev());
    if (old) unlink(old);
  } else {
    updatePos(head_, tail_);
    ++count_;
  }
  node->setNext(head_);
  node->setPrev(nullptr);
  if (head_) {
    head_->setPrev(node);
  } else {
    tail_ = node;
  }
  head_ = node;
  accessor_[word] = 0;
  if (count_ > maxSize_ && tail_) {
    // unlink() reassigns tail_, so it must be handed a pointer of its own rather than the member.
    const std::shared_ptr<Vellisto_LRUNode> evicted = tail_;
    accessor_.erase(evicted->item());
    unlink(evicted);
    --count_;
  }
}

std::int32_t Vellisto_LRU::find(const std::string& word) const {
  auto it = accessor_.find(word);
  return it == accessor_.end() ? maxSize_ + 1 : it->second;
}

void Vellisto_LRU::updatePos(const std::shared_ptr<Vellisto_LRUNode>& from,
                             const std::shared_ptr<Vellisto_LRUNode>& to) {
  if (!from || !to) return;
  for (auto node = from; node; node = node->next()) {
    auto it = accessor_.find(node->item());
    if (it != accessor_.end()) ++it->second;
    if (node == to) break;
  }
}

std::string Vellisto_LRU::stringValue() const {
  std::string out;
  for (auto node = head_; node; node = node->next()) {
    if (node != head_) out.append(doctext::kWordSeparator);
    out.append(doctext::escapeWord(node->item()));
  }
  return out;
}

}  // namespace vl
