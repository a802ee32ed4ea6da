#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"

namespace vl {

// A chain of docs as one owner (the clipboard history or a pin tab) holds it. Each chain has exactly
// one of these: the store keeps the clipboard history's and the clipboard tab refers to that same
// object, a pin tab keeps its own. Whoever holds one guards it with the store's lock.
//
// Invariant (wellFormed): docCount is the number of docs linked from head through next() to tail;
// head and tail are both set (docCount >= 1) or both empty (docCount == 0).
struct DocChain {
  std::shared_ptr<Vellisto_BigDoc> head;
  std::shared_ptr<Vellisto_BigDoc> tail;
  std::int64_t docCount = 0;

  // Walks the chain: for checks after it changed, never on a hot path.
  bool wellFormed() const;
};

// Reads the doc files of one folder into a chain, each with its journals replayed. Loading itself never
// deletes, renames or rewrites a file (a doc whose journals held more than its file is rewritten by a
// fold later): names that are not doc names and files that cannot be read are passed by with a log line.
class DocChainLoader {
 public:
  // The doc files of the folder in ascending number ("BigDoc_10" after "BigDoc_9"), each linked to the
  // one before it and owned by `owner`; a number with journals but no file is a doc too. An empty chain
  // when none loads.
  static DocChain loadFolder(const std::string& folder, const std::shared_ptr<Vellisto_DocChainOwner>& owner);
  // The doc names of a listing in ascending doc number; names that are not doc names are logged.
  static std::vector<std::string> sortedDocNames(const std::vector<std::string>& names,
                                                 const std::string& folder);
  // A new empty doc numbered `first`, or the first number after it whose file holds nothing, so an
  // existing doc is never replaced. nullptr (logged) when none is free.
  static std::shared_ptr<Vellisto_BigDoc> freshDoc(const std::string& folder, std::int64_t first,
                                                   const std::shared_ptr<Vellisto_DocChainOwner>& owner);
  // Works out, in the background, what searches keep of each record's text (Vellisto_Chunk::contextTraits).
  static void warmSearchTraits(const std::shared_ptr<Vellisto_BigDoc>& doc);
};

}  // namespace vl
