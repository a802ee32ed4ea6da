#include "autopick/AutoPickNode.h"

#include <cstdio>

#include "autopick/AutoPickConfig.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

// Built-in trees are two levels deep; anything far deeper is not ours and would only cost stack.
constexpr int kMaxArchiveDepth = 8;

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

Json optionalText(const std::optional<std::string>& text) { return text ? Json(*text) : Json(nullptr); }

}  // namespace

std::string AutoPickColor::hex() const {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02X%02X%02X", red, green, blue);
  return buffer;
}

std::optional<AutoPickColor> AutoPickColor::fromHex(std::string_view text) {
  if (text.size() != 6) return std::nullopt;
  std::uint8_t parts[3];
  for (int i = 0; i < 3; ++i) {
    int high = hexDigit(text[2 * i]);
    int low = hexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    parts[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return AutoPickColor{parts[0], parts[1], parts[2]};
}

std::shared_ptr<AutoPickNode> AutoPickNode::ofNodeDict(const Json& nodeDict) {
  auto node = std::make_shared<AutoPickNode>();
  node->identifier_ = jsonString(nodeDict, "identifier");
  node->name_ = jsonString(nodeDict, "name");
  node->desc_ = jsonString(nodeDict, "desc");
  node->color_ = AutoPickColor::fromHex(jsonString(nodeDict, "color")).value_or(AutoPickColor{});
  if (auto view = jsonMember(nodeDict, "view"); view && view->is_string()) {
    node->viewName_ = view->get<std::string>();
  }
  return node;
}

std::shared_ptr<AutoPickNode> AutoPickNode::ofDescriptor(const Json& descriptor) {
  if (!descriptor.is_object() || descriptor.empty()) return nullptr;
  const Json& nodeDict = descriptor.begin().value();
  auto node = ofNodeDict(nodeDict);
  if (auto children = jsonMember(nodeDict, "children"); children && children->is_array()) {
    for (const Json& childDescriptor : *children) {
      if (auto child = ofDescriptor(childDescriptor)) node->addChild(child);
    }
  }
  return node;
}

std::shared_ptr<AutoPickNode> AutoPickNode::copy() const {
  auto node = std::make_shared<AutoPickNode>();
  node->active_ = active_;
  node->identifier_ = identifier_;
  node->name_ = name_;
  node->desc_ = desc_;
  node->color_ = color_;
  node->value_ = value_;
  node->viewName_ = viewName_;
  for (const auto& child : children_) {
    if (child) node->addChild(child->copy());
  }
  return node;
}

void AutoPickNode::activeParent() {
  for (auto ancestor = parent(); ancestor; ancestor = ancestor->parent()) ancestor->active_ = true;
}

void AutoPickNode::addChild(const std::shared_ptr<AutoPickNode>& child) {
  if (!child) return;
  child->parent_ = weak_from_this();
  children_.push_back(child);
}

std::string AutoPickNode::description() const { return "name: " + name_; }

Json AutoPickNode::encodeWithCoder() const {
  Json children = Json::array();
  for (const auto& child : children_) {
    if (child) children.push_back(child->encodeWithCoder());
  }
  auto up = parent();
  return Json{{"active", active_},
              {"identifier", identifier_},
              {"name", name_},
              {"desc", desc_},
              {"color", color_.hex()},
              {"value", optionalText(value_)},
              {"viewName", optionalText(viewName_)},
              {"parent", up ? Json(up->identifier_) : Json(nullptr)},
              {"children", std::move(children)}};
}

std::shared_ptr<AutoPickNode> AutoPickNode::initWithCoder(const Json& coder) {
  std::string error;
  auto node = decode(coder, 0, error);
  if (!node) logWarning("auto pick: node not decoded: " + error);
  return node;
}

std::shared_ptr<AutoPickNode> AutoPickNode::decode(const Json& coder, int depth, std::string& error) {
  if (depth > kMaxArchiveDepth) {
    error = "nested too deeply";
    return nullptr;
  }
  if (!coder.is_object()) {
    error = "node is not an object";
    return nullptr;
  }
  auto member = [&](const char* key) -> const Json* {
    auto it = coder.find(key);
    if (it == coder.end()) {
      error = std::string("missing \"") + key + "\"";
      return nullptr;
    }
    return &*it;
  };
  auto wrongType = [&](const char* key) {
    error = std::string("\"") + key + "\" has the wrong type";
    return nullptr;
  };

  auto node = std::make_shared<AutoPickNode>();
  const Json* active = member("active");
  if (!active) return nullptr;
  if (!active->is_boolean()) return wrongType("active");
  node->active_ = active->get<bool>();

  for (auto [key, field] : {std::pair{"identifier", &node->identifier_}, std::pair{"name", &node->name_},
                            std::pair{"desc", &node->desc_}}) {
    const Json* text = member(key);
    if (!text) return nullptr;
    if (!text->is_string()) return wrongType(key);
    *field = text->get<std::string>();
  }
  if (!AutoPickConfig::isKnownIdentifier(node->identifier_)) {
    error = "unknown identifier \"" + node->identifier_ + "\"";
    return nullptr;
  }

  const Json* color = member("color");
  if (!color) return nullptr;
  auto parsed = color->is_string() ? AutoPickColor::fromHex(color->get<std::string>()) : std::nullopt;
  if (!parsed) return wrongType("color");
  node->color_ = *parsed;

  for (auto [key, field] : {std::pair{"value", &node->value_}, std::pair{"viewName", &node->viewName_}}) {
    const Json* text = member(key);
    if (!text) return nullptr;
    if (text->is_string()) {
      *field = text->get<std::string>();
    } else if (!text->is_null()) {
      return wrongType(key);
    }
  }

  // The parent is implied by the nesting; the key is only checked for shape.
  const Json* parentKey = member("parent");
  if (!parentKey) return nullptr;
  if (!parentKey->is_null() && !parentKey->is_string()) return wrongType("parent");

  const Json* children = member("children");
  if (!children) return nullptr;
  if (!children->is_array()) return wrongType("children");
  for (const Json& childCoder : *children) {
    auto child = decode(childCoder, depth + 1, error);
    if (!child) return nullptr;
    node->addChild(child);
  }
  return node;
}

}  // namespace vl
