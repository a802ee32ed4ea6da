#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/foundation/Json.h"

namespace vl {

class AutoPickNode;
class Vellisto_Chunk;

// One tree of rules (image, application, text or link) and how its result joins the trees before it in
// a forest.
class AutoPickTree {
 public:
  // How a tree's result joins the result of the trees before it; any other value leaves it alone.
  static constexpr std::int64_t kRelationalAnd = 0;
  static constexpr std::int64_t kRelationalOr = 1;

  AutoPickTree(std::shared_ptr<AutoPickNode> root, std::int64_t relational);
  static std::shared_ptr<AutoPickTree> initWithRoot(std::shared_ptr<AutoPickNode> root,
                                                    std::int64_t relational);

  // A tree over a deep copy of the root.
  std::shared_ptr<AutoPickTree> copy() const;

  const std::shared_ptr<AutoPickNode>& root() const { return root_; }
  std::int64_t relational() const { return relational_; }
  void setRelational(std::int64_t relational) { relational_ = relational; }
  const std::shared_ptr<AutoPickNode>& getRoot() const { return root_; }
  std::int64_t getRelational() const { return relational_; }

  // The record is given by its plain text and its json (null when it has none); `extra` carries
  // {"app_name": the front application's name}.
  bool canPick(std::string_view context, const Json& json, const Json& extra) const;
  bool canPick(const Vellisto_Chunk& chunk, const Json& extra) const;
  // An inactive node refuses. A node whose own test fails refuses without asking its children; one that
  // passes (or has no test) then needs one of its active children to accept, if it has any.
  bool doAction(const AutoPickNode& node, std::string_view context, const Json& json,
                const Json& extra) const;

  // Finds the first node (pre-order) of m's kind, switches it and its ancestors on and gives it a copy
  // of m's value. false when the tree has no node of that kind.
  bool activeNodeIfMatched(const AutoPickNode& m);

  // Every node in pre-order.
  std::vector<std::shared_ptr<AutoPickNode>> nodes() const;
  // The active nodes in pre-order; an inactive node hides its whole subtree.
  std::vector<std::shared_ptr<AutoPickNode>> activeNodes() const;

  // Archive form {"root": node, "relational": integer}.
  Json encodeWithCoder() const;
  // nullptr (logged) when a key is missing, of the wrong type, or the root does not decode.
  static std::shared_ptr<AutoPickTree> initWithCoder(const Json& coder);

 private:
  std::shared_ptr<AutoPickNode> root_;
  std::int64_t relational_ = 0;
};

}  // namespace vl
