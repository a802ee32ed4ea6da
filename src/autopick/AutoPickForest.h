#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/foundation/Json.h"

namespace vl {

class AutoPickNode;
class Vellisto_Chunk;
class AutoPickTree;

// A pin tab's auto-pick rules: trees in the standard order (image, application, text, link), joined by
// each tree's `relational`. Evaluated on the capture queue without state; edited only as copies on the
// main thread.
class AutoPickForest {
 public:
  AutoPickForest() = default;

  // The four built-in trees, unchosen, in the standard order; built once and never changed. Callers
  // that edit work on copy().
  static std::shared_ptr<const AutoPickForest> standardForest();

  // A deep copy of this forest's trees.
  std::shared_ptr<AutoPickForest> copy() const;

  // A user's forest from the chosen nodes: each node switches on the first built-in tree copy that has
  // a node of its kind (with its ancestors, taking the node's value). Only trees whose root ended up
  // active are kept, always in the standard order, so the order of the chosen nodes never matters.
  // Nodes of unknown kinds are dropped; no nodes give a forest without trees, which accepts nothing.
  static std::shared_ptr<AutoPickForest> ofNodes(const std::vector<std::shared_ptr<AutoPickNode>>& nodes);

  // Switches on, in each own tree, the active nodes of the other forest's tree of the same root kind.
  void activeByForest(const AutoPickForest& other);

  // Every tree is evaluated, then the results are joined by combineResults.
  bool canPick(std::string_view context, const Json& json, const Json& extra) const;
  // The capture road's form: the record's text and json.
  bool canPick(const Vellisto_Chunk& chunk, const Json& extra) const;

  // The joining rule, over (result, relational) per tree in forest order. Tree 0 gives the start value
  // (its relational is not read). After it, relational 0 ANDs the tree in and marks the chain; relational
  // 1 ANDs when the previous tree was an AND, else ORs, and clears the mark; any other value changes
  // nothing. No trees: false. So [image, application, text, link] reads
  // (image AND application AND text) OR link.
  static bool combineResults(const std::vector<std::pair<bool, std::int64_t>>& results);

  std::vector<std::shared_ptr<AutoPickNode>> nodes() const;
  std::vector<std::shared_ptr<AutoPickNode>> activeNodes() const;

  const std::vector<std::shared_ptr<AutoPickTree>>& trees() const { return trees_; }
  void setTrees(std::vector<std::shared_ptr<AutoPickTree>> trees) { trees_ = std::move(trees); }
  void addTree(std::shared_ptr<AutoPickTree> tree);

  // Archive form {"trees": [tree, ...]}.
  Json encodeWithCoder() const;
  // nullptr (logged) for anything this program did not write: "trees" missing or not a list, or any
  // tree or node that does not decode. A partly readable archive gives no forest rather than a forest
  // with rules silently missing.
  static std::shared_ptr<AutoPickForest> initWithCoder(const Json& coder);

 private:
  std::vector<std::shared_ptr<AutoPickTree>> trees_;
};

}  // namespace vl
