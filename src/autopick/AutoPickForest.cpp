#include "autopick/AutoPickForest.h"

#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "autopick/AutoPickFactory.h"
#include "autopick/AutoPickNode.h"
#include "autopick/AutoPickTree.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

// Fresh, editable copies of the built-in trees in the standard order.
std::vector<std::shared_ptr<AutoPickTree>> freshBuiltInTrees() {
  return {AutoPickFactory::imageTree()->copy(), AutoPickFactory::applicationTree()->copy(),
          AutoPickFactory::textTree()->copy(), AutoPickFactory::linkTree()->copy()};
}

using NodeList = std::vector<std::shared_ptr<AutoPickNode>>;

// What `select` picks from each tree, tree after tree.
NodeList nodesOfTrees(const std::vector<std::shared_ptr<AutoPickTree>>& trees,
                      NodeList (AutoPickTree::*select)() const) {
  NodeList list;
  for (const auto& tree : trees) {
    if (!tree) continue;
    auto part = ((*tree).*select)();
    list.insert(list.end(), part.begin(), part.end());
  }
  return list;
}

}  // namespace

std::shared_ptr<const AutoPickForest> AutoPickForest::standardForest() {
  static const std::shared_ptr<const AutoPickForest> forest = [] {
    auto built = std::make_shared<AutoPickForest>();
    built->trees_ = freshBuiltInTrees();
    return built;
  }();
  return forest;
}

std::shared_ptr<AutoPickForest> AutoPickForest::copy() const {
  auto forest = std::make_shared<AutoPickForest>();
  for (const auto& tree : trees_) {
    if (tree) forest->trees_.push_back(tree->copy());
  }
  return forest;
}

std::shared_ptr<AutoPickForest> AutoPickForest::ofNodes(
    const std::vector<std::shared_ptr<AutoPickNode>>& nodes) {
  auto candidates = freshBuiltInTrees();
  for (const auto& node : nodes) {
    if (!node) continue;
    for (const auto& tree : candidates) {
      if (tree->activeNodeIfMatched(*node)) break;
    }
  }
  auto forest = std::make_shared<AutoPickForest>();
  for (const auto& tree : candidates) {
    if (tree->root() && tree->root()->active()) forest->trees_.push_back(tree);
  }
  return forest;
}

void AutoPickForest::activeByForest(const AutoPickForest& other) {
  for (const auto& own : trees_) {
    if (!own || !own->root()) continue;
    for (const auto& theirs : other.trees_) {
      if (!theirs || !theirs->root() || theirs->root()->identifier() != own->root()->identifier()) continue;
      for (const auto& node : theirs->activeNodes()) own->activeNodeIfMatched(*node);
    }
  }
}

bool AutoPickForest::canPick(const Vellisto_Chunk& chunk, const Json& extra) const {
  static const Json kNoJson;
  const auto& json = chunk.json();
  return canPick(chunk.context(), json ? *json : kNoJson, extra);
}

bool AutoPickForest::canPick(std::string_view context, const Json& json, const Json& extra) const {
  std::vector<std::pair<bool, std::int64_t>> results;
  results.reserve(trees_.size());
  for (const auto& tree : trees_) {
    if (tree) results.emplace_back(tree->canPick(context, json, extra), tree->relational());
  }
  return combineResults(results);
}

bool AutoPickForest::combineResults(const std::vector<std::pair<bool, std::int64_t>>& results) {
  if (results.empty()) return false;
  bool r = results.front().first;
  bool afterAnd = false;
  for (std::size_t i = 1; i < results.size(); ++i) {
    auto [f, relational] = results[i];
    if (relational == AutoPickTree::kRelationalAnd) {
      r = r && f;
      afterAnd = true;
    } else if (relational == AutoPickTree::kRelationalOr) {
      r = afterAnd ? (r && f) : (r || f);
      afterAnd = false;
    }
  }
  return r;
}

std::vector<std::shared_ptr<AutoPickNode>> AutoPickForest::nodes() const {
  return nodesOfTrees(trees_, &AutoPickTree::nodes);
}

std::vector<std::shared_ptr<AutoPickNode>> AutoPickForest::activeNodes() const {
  return nodesOfTrees(trees_, &AutoPickTree::activeNodes);
}

void AutoPickForest::addTree(std::shared_ptr<AutoPickTree> tree) {
  if (tree) trees_.push_back(std::move(tree));
}

Json AutoPickForest::encodeWithCoder() const {
  Json trees = Json::array();
  for (const auto& tree : trees_) {
    if (tree) trees.push_back(tree->encodeWithCoder());
  }
  return Json{{"trees", std::move(trees)}};
}

std::shared_ptr<AutoPickForest> AutoPickForest::initWithCoder(const Json& coder) {
  auto trees = coder.is_object() ? coder.find("trees") : coder.end();
  if (!coder.is_object() || trees == coder.end() || !trees->is_array()) {
    logWarning("auto pick: forest not decoded: \"trees\" missing or not a list");
    return nullptr;
  }
  auto forest = std::make_shared<AutoPickForest>();
  for (const Json& treeCoder : *trees) {
    auto tree = AutoPickTree::initWithCoder(treeCoder);
    if (!tree) return nullptr;
    forest->trees_.push_back(std::move(tree));
  }
  return forest;
}

}  // namespace vl
