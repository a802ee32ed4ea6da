#include "autopick/AutoPickTree.h"

#include <functional>

#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "autopick/AutoPickConfig.h"
#include "autopick/AutoPickNode.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

// Pre-order walk; `visit` answers whether to descend into the node's children.
void walk(const std::shared_ptr<AutoPickNode>& node,
          const std::function<bool(const std::shared_ptr<AutoPickNode>&)>& visit) {
  if (!node || !visit(node)) return;
  for (const auto& child : node->children()) walk(child, visit);
}

std::shared_ptr<AutoPickNode> firstOfKind(const std::shared_ptr<AutoPickNode>& node,
                                          const std::string& identifier) {
  if (!node) return nullptr;
  if (node->identifier() == identifier) return node;
  for (const auto& child : node->children()) {
    if (auto found = firstOfKind(child, identifier)) return found;
  }
  return nullptr;
}

}  // namespace

AutoPickTree::AutoPickTree(std::shared_ptr<AutoPickNode> root, std::int64_t relational)
    : root_(std::move(root)), relational_(relational) {}

std::shared_ptr<AutoPickTree> AutoPickTree::initWithRoot(std::shared_ptr<AutoPickNode> root,
                                                         std::int64_t relational) {
  return std::make_shared<AutoPickTree>(std::move(root), relational);
}

std::shared_ptr<AutoPickTree> AutoPickTree::copy() const {
  return std::make_shared<AutoPickTree>(root_ ? root_->copy() : nullptr, relational_);
}

bool AutoPickTree::canPick(const Vellisto_Chunk& chunk, const Json& extra) const {
  static const Json kNoJson;
  const auto& json = chunk.json();
  return canPick(chunk.context(), json ? *json : kNoJson, extra);
}

bool AutoPickTree::canPick(std::string_view context, const Json& json, const Json& extra) const {
  return root_ && doAction(*root_, context, json, extra);
}

bool AutoPickTree::doAction(const AutoPickNode& node, std::string_view context, const Json& json,
                            const Json& extra) const {
  if (!node.active()) return false;
  bool result = false;
  if (AutoPickPredicate predicate = AutoPickConfig::getActionOfNode(node)) {
    result = predicate(context, json, extra, node);
    if (!result) return false;
  }
  for (const auto& child : node.children()) {
    if (!child || !child->active()) continue;
    result = doAction(*child, context, json, extra);
    if (result) return true;
  }
  return result;
}

bool AutoPickTree::activeNodeIfMatched(const AutoPickNode& m) {
  auto node = firstOfKind(root_, m.identifier());
  if (!node) return false;
  node->setActive(true);
  node->setValue(m.value());
  node->activeParent();
  return true;
}

std::vector<std::shared_ptr<AutoPickNode>> AutoPickTree::nodes() const {
  std::vector<std::shared_ptr<AutoPickNode>> list;
  walk(root_, [&](const std::shared_ptr<AutoPickNode>& node) {
    list.push_back(node);
    return true;
  });
  return list;
}

std::vector<std::shared_ptr<AutoPickNode>> AutoPickTree::activeNodes() const {
  std::vector<std::shared_ptr<AutoPickNode>> list;
  walk(root_, [&](const std::shared_ptr<AutoPickNode>& node) {
    if (!node->active()) return false;
    list.push_back(node);
    return true;
  });
  return list;
}

Json AutoPickTree::encodeWithCoder() const {
  return Json{{"root", root_ ? root_->encodeWithCoder() : Json(nullptr)}, {"relational", relational_}};
}

std::shared_ptr<AutoPickTree> AutoPickTree::initWithCoder(const Json& coder) {
  if (!coder.is_object()) {
    logWarning("auto pick: tree not decoded: not an object");
    return nullptr;
  }
  auto relational = coder.find("relational");
  if (relational == coder.end() || !relational->is_number_integer()) {
    logWarning("auto pick: tree not decoded: \"relational\" missing or not an integer");
    return nullptr;
  }
  auto root = coder.find("root");
  if (root == coder.end()) {
    logWarning("auto pick: tree not decoded: missing \"root\"");
    return nullptr;
  }
  auto node = AutoPickNode::initWithCoder(*root);
  if (!node) return nullptr;
  return std::make_shared<AutoPickTree>(std::move(node), relational->get<std::int64_t>());
}

}  // namespace vl
