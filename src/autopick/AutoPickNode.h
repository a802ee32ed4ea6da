#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Json.h"

namespace vl {

// Tag colour of a rule kind. The tags are always opaque, so only the 8-bit components are kept; in
// descriptors and archives the colour is written as six hexadecimal digits without "#", like the pin
// tab colours.
struct AutoPickColor {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;

  std::string hex() const;
  // nullopt unless the text is exactly six hexadecimal digits.
  static std::optional<AutoPickColor> fromHex(std::string_view text);
  bool operator==(const AutoPickColor&) const = default;
};

// One rule of an auto-pick tree. The identifier names the rule kind (and so its predicate); the user's
// choice is expressed by `active` and, for kinds that take one, `value`.
//
// Nodes are shared objects: the rule editor hands the very node it shows to the value editors, so a
// saved value reaches the next forest built from the tags. Children are owned; the parent is a weak
// back reference.
class AutoPickNode : public std::enable_shared_from_this<AutoPickNode> {
 public:
  AutoPickNode() = default;
  AutoPickNode(const AutoPickNode&) = delete;
  AutoPickNode& operator=(const AutoPickNode&) = delete;

  // A node from a node dictionary {"identifier", "name", "desc", "color", "view"}: inactive, without
  // value and without children.
  static std::shared_ptr<AutoPickNode> ofNodeDict(const Json& nodeDict);
  // The node of a tree descriptor {identifier: node dictionary (+ "children": [descriptors])}, with its
  // whole subtree.
  static std::shared_ptr<AutoPickNode> ofDescriptor(const Json& descriptor);

  // A deep copy of the subtree; the copy has no parent.
  std::shared_ptr<AutoPickNode> copy() const;

  // Switches on every ancestor up to the root; the node itself is left as it is.
  void activeParent();
  // Appends the child and makes this node its parent.
  void addChild(const std::shared_ptr<AutoPickNode>& child);

  bool active() const { return active_; }
  void setActive(bool active) { active_ = active; }
  const std::string& identifier() const { return identifier_; }
  void setIdentifier(std::string identifier) { identifier_ = std::move(identifier); }
  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }
  const std::string& desc() const { return desc_; }
  void setDesc(std::string desc) { desc_ = std::move(desc); }
  const AutoPickColor& color() const { return color_; }
  void setColor(AutoPickColor color) { color_ = color; }
  // The expression as typed, or application names joined by ","; nullopt for kinds without a value.
  const std::optional<std::string>& value() const { return value_; }
  void setValue(std::optional<std::string> value) { value_ = std::move(value); }
  // Class name of the kind's value editor; nullopt when the kind takes no value.
  const std::optional<std::string>& viewName() const { return viewName_; }
  std::shared_ptr<AutoPickNode> parent() const { return parent_.lock(); }
  const std::vector<std::shared_ptr<AutoPickNode>>& children() const { return children_; }

  // "name: <name>"
  std::string description() const;

  // Archive form: an object with the keys "active", "identifier", "name", "desc", "color", "value",
  // "viewName", "parent" and "children". The parent is written as its identifier (null at a root);
  // reading rebuilds it from the nesting.
  Json encodeWithCoder() const;
  // nullptr (and a log line naming the problem) for anything that is not a node this program wrote: a
  // missing key, a key of the wrong type, an identifier that names no rule kind, nesting deeper than any
  // tree has.
  static std::shared_ptr<AutoPickNode> initWithCoder(const Json& coder);

 private:
  static std::shared_ptr<AutoPickNode> decode(const Json& coder, int depth, std::string& error);

  bool active_ = false;
  std::string identifier_;
  std::string name_;
  std::string desc_;
  AutoPickColor color_;
  std::optional<std::string> value_;
  std::optional<std::string> viewName_;
  std::weak_ptr<AutoPickNode> parent_;
  std::vector<std::shared_ptr<AutoPickNode>> children_;
};

}  // namespace vl
