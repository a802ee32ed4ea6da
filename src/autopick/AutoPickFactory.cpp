#include "autopick/AutoPickFactory.h"

#include "autopick/AutoPickConfig.h"
#include "autopick/AutoPickNode.h"
#include "autopick/AutoPickTree.h"

namespace vl {

namespace {

std::shared_ptr<const AutoPickTree> build(const Json& descriptor, std::int64_t relational) {
  return AutoPickTree::initWithRoot(AutoPickNode::ofDescriptor(descriptor), relational);
}

}  // namespace

std::shared_ptr<const AutoPickTree> AutoPickFactory::imageTree() {
  static const auto tree = build(AutoPickConfig::IMAGE_DESCRIPTOR(), AutoPickTree::kRelationalOr);
  return tree;
}

std::shared_ptr<const AutoPickTree> AutoPickFactory::applicationTree() {
  static const auto tree =
      build(AutoPickConfig::SPECIFY_APPLICATION_DESCRIPTOR(), AutoPickTree::kRelationalAnd);
  return tree;
}

std::shared_ptr<const AutoPickTree> AutoPickFactory::textTree() {
  static const auto tree = build(AutoPickConfig::TEXT_DESCRIPTOR(), AutoPickTree::kRelationalOr);
  return tree;
}

std::shared_ptr<const AutoPickTree> AutoPickFactory::linkTree() {
  static const auto tree = build(AutoPickConfig::LINK_DESCRIPTOR(), AutoPickTree::kRelationalOr);
  return tree;
}

}  // namespace vl
