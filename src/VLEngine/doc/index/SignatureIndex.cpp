#include "VLEngine/doc/index/SignatureIndex.h"

#include "VLEngine/doc/record/Vellisto_Chunk.h"

namespace vl {

namespace {

// Past this share of used slots the table grows by a quarter: probes stay short, and a history of a
// hundred thousand records costs about twenty bytes a record.
constexpr std::size_t kLoadPercent = 85;
constexpr std::size_t kFirstSlots = 64;

}  // namespace

std::size_t SignatureIndex::home(const RecordSignature& sig) const {
  const std::uint64_t hash = RecordSignature::Hash()(sig);
  // The hash scaled to the table, which need not be a power of two.
  return static_cast<std::size_t>((static_cast<unsigned __int128>(hash) * slots_.size()) >> 64);
}

std::size_t SignatureIndex::probe(const RecordSignature& sig) const {
  std::size_t at = home(sig);
  while (slots_[at] && !(slots_[at]->signatureBytes() == sig)) at = at + 1 == slots_.size() ? 0 : at + 1;
  return at;
}

void SignatureIndex::grow() {
  std::vector<std::shared_ptr<Vellisto_Chunk>> old = std::move(slots_);
  slots_.clear();
  slots_.resize(std::max(kFirstSlots, old.size() + old.size() / 4));
  for (auto& chunk : old) {
    if (chunk) slots_[probe(chunk->signatureBytes())] = std::move(chunk);
  }
}

void SignatureIndex::erase(std::size_t slot) {
  slots_[slot].reset();
  --count_;
  // Entries after the hole that may live there move up, so that no probe stops short of them.
  std::size_t hole = slot;
  for (std::size_t at = hole + 1 == slots_.size() ? 0 : hole + 1; slots_[at];
       at = at + 1 == slots_.size() ? 0 : at + 1) {
    const std::size_t wanted = home(slots_[at]->signatureBytes());
    const bool staysAfterHole =
        hole <= at ? (wanted > hole && wanted <= at) : (wanted > hole || wanted <= at);
    if (staysAfterHole) continue;
    slots_[hole] = std::move(slots_[at]);
    hole = at;
  }
}

SignatureIndex::Result SignatureIndex::find(const std::string& sig) const {
  std::optional<RecordSignature> compact = RecordSignature::ofHex(sig);
  if (!compact) return {};
  return find(*compact);
}

SignatureIndex::Result SignatureIndex::find(const RecordSignature& sig) const {
  MutexLock lock(lock_);
  // Which of several records is first, or whether one is left, takes a walk.
  if (repeated_.count(sig)) return {};
  if (slots_.empty()) return {Answer::Absent, nullptr};
  const std::shared_ptr<Vellisto_Chunk>& chunk = slots_[probe(sig)];
  if (!chunk) return {Answer::Absent, nullptr};
  // Deleted in place: a walk passes it by and may find the signature in a later doc.
  if (chunk->isLogicallyDeleted()) return {};
  return {Answer::Found, chunk};
}

void SignatureIndex::add(const std::shared_ptr<Vellisto_Chunk>& chunk) {
  if (!chunk) return;
  const std::optional<RecordSignature> sig = chunk->signature();
  if (!sig) return;
  MutexLock lock(lock_);
  if ((count_ + 1) * 100 > slots_.size() * kLoadPercent) grow();
  std::shared_ptr<Vellisto_Chunk>& slot = slots_[probe(*sig)];
  if (!slot) {
    slot = chunk;
    ++count_;
  } else if (slot != chunk) {
    repeated_.insert(*sig);
  }
}

void SignatureIndex::remove(const Vellisto_Chunk& chunk) {
  const std::optional<RecordSignature> sig = chunk.signature();
  if (!sig) return;
  MutexLock lock(lock_);
  if (slots_.empty()) return;
  const std::size_t at = probe(*sig);
  if (slots_[at].get() == &chunk) erase(at);
}

std::size_t SignatureIndex::count() const {
  MutexLock lock(lock_);
  return count_;
}

std::size_t SignatureIndex::bytes() const {
  MutexLock lock(lock_);
  return slots_.capacity() * sizeof(std::shared_ptr<Vellisto_Chunk>) +
         repeated_.size() * (sizeof(RecordSignature) + 2 * sizeof(void*));
}

}  // namespace vl
