#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "VLEngine/doc/record/RecordSignature.h"
#include "platform/foundation/Mutex.h"

namespace vl {

class Vellisto_BigDoc;
class Vellisto_Chunk;

// Which record of a chain of docs a signature names, answered at once: what walking the docs from the
// head finds (the first doc that holds the signature, and in it the newest slot), without asking a
// hundred docs one by one. One per chain, shared by its docs; each doc keeps it up to date under its
// own lock as records come and go, and the index's lock is a leaf under it.
//
// Each record of the chain is one entry of an open table (a reference to the record, looked up by the
// record's own signature), so it costs a few words a record. What the index cannot answer for sure it
// says so, and the caller walks the chain: a signature that more than one record of the chain carried
// (which of them is first is the walk's to say), one whose record was deleted in place (a walk passes
// it by), and a signature that is not 32 hex digits (such records are not indexed).
class SignatureIndex {
 public:
  enum class Answer {
    Found,
    // No record of the chain carries the signature.
    Absent,
    // Walk the chain to know.
    Unsure,
  };
  struct Result {
    Answer answer = Answer::Unsure;
    std::shared_ptr<Vellisto_Chunk> chunk;
  };

  SignatureIndex() = default;
  SignatureIndex(const SignatureIndex&) = delete;
  SignatureIndex& operator=(const SignatureIndex&) = delete;

  Result find(const std::string& sig) const;
  Result find(const RecordSignature& sig) const;

  // A record joined a doc of the chain (again: nothing changes).
  void add(const std::shared_ptr<Vellisto_Chunk>& chunk);
  // A record left a doc of the chain.
  void remove(const Vellisto_Chunk& chunk);

  std::size_t count() const;
  // Bytes the index holds for its entries (the table and the list of repeated signatures).
  std::size_t bytes() const;

 private:
  std::size_t home(const RecordSignature& sig) const VL_REQUIRES(lock_);
  // The slot of the signature's entry, or of the empty slot where it would go.
  std::size_t probe(const RecordSignature& sig) const VL_REQUIRES(lock_);
  void grow() VL_REQUIRES(lock_);
  void erase(std::size_t slot) VL_REQUIRES(lock_);

  mutable Mutex lock_;
  std::vector<std::shared_ptr<Vellisto_Chunk>> slots_ VL_GUARDED_BY(lock_);
  std::size_t count_ VL_GUARDED_BY(lock_) = 0;
  // Signatures that more than one record of the chain carried: once the record an entry names leaves,
  // which one is first takes a walk to know.
  std::unordered_set<RecordSignature, RecordSignature::Hash> repeated_ VL_GUARDED_BY(lock_);
};

}  // namespace vl
