#include "lookup/TFHppleElement.h"

namespace vl {

namespace {

// What libxml2 gives as an element's content: the text and CDATA below it, comments and processing
// instructions left out.
void appendText(const HppleNode& node, std::string& out) {
  switch (node.kind) {
    case HppleNode::Kind::Text:
    case HppleNode::Kind::CData:
    case HppleNode::Kind::EntityRef:
      if (node.nodeContent) out += *node.nodeContent;
      return;
    case HppleNode::Kind::Element:
      for (const HppleNode& child : node.nodeChildArray) appendText(child, out);
      return;
    case HppleNode::Kind::Other:
      return;
  }
}

}  // namespace

TFHppleElement::TFHppleElement(std::shared_ptr<const HppleNode> owner, const HppleNode* node, bool isXML,
                               std::string encoding, std::shared_ptr<const TFHppleElement> parent)
    : owner_(std::move(owner)),
      node_(node),
      isXML_(isXML),
      encoding_(std::move(encoding)),
      parent_(std::move(parent)) {}

TFHppleElement TFHppleElement::hppleElementWithNode(std::shared_ptr<const HppleNode> node, bool isXML,
                                                    std::string encoding) {
  const HppleNode* raw = node.get();
  return TFHppleElement(std::move(node), raw, isXML, std::move(encoding), nullptr);
}

std::string TFHppleElement::content() const {
  if (node_->kind != HppleNode::Kind::Element) return node_->nodeContent.value_or(std::string());
  std::string text;
  appendText(*node_, text);
  return text;
}

std::vector<TFHppleElement> TFHppleElement::children() const {
  std::vector<TFHppleElement> out;
  if (node_->nodeChildArray.empty()) return out;
  auto self = std::make_shared<const TFHppleElement>(*this);
  out.reserve(node_->nodeChildArray.size());
  for (const HppleNode& child : node_->nodeChildArray) {
    out.push_back(TFHppleElement(owner_, &child, isXML_, encoding_, self));
  }
  return out;
}

std::map<std::string, std::string> TFHppleElement::attributes() const {
  std::map<std::string, std::string> out;
  for (const HppleAttribute& attribute : node_->nodeAttributeArray) {
    if (attribute.nodeContent && !attribute.attributeName.empty()) {
      out[attribute.attributeName] = *attribute.nodeContent;
    }
  }
  return out;
}

std::optional<std::string> TFHppleElement::objectForKey(const std::string& name) const {
  const auto all = attributes();
  const auto it = all.find(name);
  if (it == all.end()) return std::nullopt;
  return it->second;
}

std::vector<TFHppleElement> TFHppleElement::childrenWithTagName(std::string_view name) const {
  std::vector<TFHppleElement> out;
  for (TFHppleElement& child : children()) {
    if (child.tagName() == name) out.push_back(std::move(child));
  }
  return out;
}

std::vector<TFHppleElement> TFHppleElement::childrenWithClassName(std::string_view name) const {
  std::vector<TFHppleElement> out;
  for (TFHppleElement& child : children()) {
    if (child.objectForKey("class") == name) out.push_back(std::move(child));
  }
  return out;
}

std::optional<TFHppleElement> TFHppleElement::firstChildWithTagName(std::string_view name) const {
  for (TFHppleElement& child : children()) {
    if (child.tagName() == name) return std::move(child);
  }
  return std::nullopt;
}

bool TFHppleElement::isTextNode() const {
  return node_->nodeName == "text" && node_->nodeContent.has_value();
}

std::optional<TFHppleElement> TFHppleElement::firstTextChild() const {
  std::vector<TFHppleElement> all = children();
  for (TFHppleElement& child : all) {
    if (child.isTextNode()) return std::move(child);
  }
  for (TFHppleElement& child : all) {
    if (child.tagName() == "text") return std::move(child);
  }
  return std::nullopt;
}

std::string TFHppleElement::text() const {
  const auto child = firstTextChild();
  return child ? child->content() : std::string();
}

}  // namespace vl
