#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vl {

struct HppleNode;

// One attribute of a copied node: its value trimmed of white space at both ends.
struct HppleAttribute {
  std::string attributeName;
  std::optional<std::string> nodeContent;
  // Only when the attribute's first child is not plain text (an entity reference in XML).
  std::shared_ptr<HppleNode> attributeContent;
};

// A node copied out of a parsed document. Text, CDATA and comments keep their text; an entity
// reference (XML) only its name, as nested entities could expand without end; an element's text is not
// stored at every level (on a deep page that alone is quadratic) but gathered from its descendants
// when asked.
struct HppleNode {
  enum class Kind { Element, Text, CData, EntityRef, Other };
  Kind kind = Kind::Other;
  // The tag; "text" for text nodes; empty for nodes without a name (CDATA).
  std::string nodeName;
  std::optional<std::string> nodeContent;
  std::vector<HppleAttribute> nodeAttributeArray;
  std::vector<HppleNode> nodeChildArray;
  // The node as markup: only a match, and only when the query asked for it.
  std::optional<std::string> raw;
};

// A matched node and what its children are. Copies are cheap: they share the copied tree.
class TFHppleElement {
 public:
  static TFHppleElement hppleElementWithNode(std::shared_ptr<const HppleNode> node, bool isXML,
                                             std::string encoding);

  // The node's text: for an element, the text of all its descendants in document order.
  std::string content() const;
  const std::string& tagName() const { return node_->nodeName; }
  // Empty unless the query asked for markup and this is a match.
  std::string raw() const { return node_->raw.value_or(std::string()); }
  // Built anew on every call; each child's parent is this element.
  std::vector<TFHppleElement> children() const;
  // Name to trimmed value; a later attribute of the same name wins.
  std::map<std::string, std::string> attributes() const;
  std::optional<std::string> objectForKey(const std::string& name) const;
  std::vector<TFHppleElement> childrenWithTagName(std::string_view name) const;
  // Children whose whole "class" value is the name ("a b" is not "a").
  std::vector<TFHppleElement> childrenWithClassName(std::string_view name) const;
  std::optional<TFHppleElement> firstChildWithTagName(std::string_view name) const;
  bool isTextNode() const;
  // The first child that is a text node with text; failing that the first named "text".
  std::optional<TFHppleElement> firstTextChild() const;
  // The first text child's text; empty without one.
  std::string text() const;

  // The element whose children() made this one; none for a search result.
  const TFHppleElement* parent() const { return parent_.get(); }
  bool isXML() const { return isXML_; }
  const std::string& encoding() const { return encoding_; }
  const HppleNode& node() const { return *node_; }

 private:
  TFHppleElement(std::shared_ptr<const HppleNode> owner, const HppleNode* node, bool isXML,
                 std::string encoding, std::shared_ptr<const TFHppleElement> parent);

  // Keeps the whole copied tree alive; node_ points into it.
  std::shared_ptr<const HppleNode> owner_;
  const HppleNode* node_;
  bool isXML_;
  std::string encoding_;
  std::shared_ptr<const TFHppleElement> parent_;
};

}  // namespace vl
