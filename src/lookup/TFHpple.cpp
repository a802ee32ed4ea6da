#include "lookup/TFHpple.h"

#include <libxml/HTMLparser.h>
#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <climits>
#include <utility>

#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "platform/richtext/XmlLibrary.h"

namespace vl {

namespace {

constexpr std::size_t kNodeCost = sizeof(HppleNode);
constexpr std::size_t kMaxEncodingName = 64;

struct Budget {
  std::size_t left;
  bool exhausted = false;

  bool spend(std::size_t bytes) {
    if (exhausted || bytes > left) {
      exhausted = true;
      return false;
    }
    left -= bytes;
    return true;
  }
};

struct XmlFree {
  void operator()(xmlChar* p) const { xmlFree(p); }
};
using XmlString = std::unique_ptr<xmlChar, XmlFree>;

std::string toString(const xmlChar* text) { return text ? reinterpret_cast<const char*>(text) : ""; }

HppleNode::Kind kindOf(const xmlNode* node) {
  switch (node->type) {
    case XML_ELEMENT_NODE:
      return HppleNode::Kind::Element;
    case XML_TEXT_NODE:
      return HppleNode::Kind::Text;
    case XML_CDATA_SECTION_NODE:
      return HppleNode::Kind::CData;
    case XML_ENTITY_REF_NODE:
      return HppleNode::Kind::EntityRef;
    default:
      return HppleNode::Kind::Other;
  }
}

// What copying a node is asked to do: a match of the query, a child of a copied node, or the first
// child of an attribute (whose text becomes the attribute's value).
enum class Role { Match, Child, AttributeChild };

std::optional<HppleNode> nodeDictionary(xmlNode* node, Role role, HppleAttribute* attribute, int depth,
                                        const HppleQueryOptions& options, Budget& budget) {
  if (!budget.spend(kNodeCost)) return std::nullopt;
  HppleNode d;
  d.kind = kindOf(node);
  if (node->name) d.nodeName = toString(node->name);
  // An element's text is gathered from its descendants when asked; everything else keeps its own. An
  // entity reference (XML only) keeps its name: expanding nested entities could grow without end.
  if (d.kind != HppleNode::Kind::Element && d.kind != HppleNode::Kind::EntityRef) {
    XmlString content(xmlNodeGetContent(node));
    if (content) {
      std::string s = toString(content.get());
      if (!budget.spend(s.size())) return std::nullopt;
      if (role == Role::AttributeChild && d.nodeName == "text") {
        if (attribute) attribute->nodeContent = trimWhitespace(s);
        return std::nullopt;
      }
      d.nodeContent = std::move(s);
      if (role == Role::Child && d.nodeName == "text") return d;
    }
  }
  if (node->type == XML_ELEMENT_NODE) {
    for (xmlAttr* a = node->properties; a; a = a->next) {
      HppleAttribute entry;
      entry.attributeName = toString(a->name);
      if (a->children) {
        auto child = nodeDictionary(a->children, Role::AttributeChild, &entry, depth + 1, options, budget);
        if (child) entry.attributeContent = std::make_shared<HppleNode>(std::move(*child));
      }
      if (budget.exhausted) return std::nullopt;
      if (!entry.attributeName.empty() || entry.nodeContent || entry.attributeContent) {
        d.nodeAttributeArray.push_back(std::move(entry));
      }
    }
  }
  // The parse refused deeper documents; this only guards trees made some other way.
  if (depth < kHppleMaxDepth && node->type != XML_ENTITY_REF_NODE && node->type != XML_ATTRIBUTE_NODE) {
    for (xmlNode* c = node->children; c; c = c->next) {
      auto child = nodeDictionary(c, Role::Child, nullptr, depth + 1, options, budget);
      if (budget.exhausted) return std::nullopt;
      if (child) d.nodeChildArray.push_back(std::move(*child));
    }
  }
  if (role == Role::Match && options.raw) {
    xmlBufferPtr buffer = xmlBufferCreate();
    if (buffer) {
      if (xmlNodeDump(buffer, node->doc, node, 0, 0) >= 0 && xmlBufferContent(buffer)) {
        std::string markup = toString(xmlBufferContent(buffer));
        if (budget.spend(markup.size())) d.raw = std::move(markup);
      }
      xmlBufferFree(buffer);
    }
    if (budget.exhausted) return std::nullopt;
  }
  return d;
}

void ignoreXPathError(void*, xmlErrorPtr) {}

// Stops the parse at the first element nested past the program's bound, before the tree grows: the
// parser's own callbacks, which build the tree, are wrapped to count open elements.
struct DepthWatch {
  ui::XmlDepthGuard guard;
  startElementSAXFunc start = nullptr;
  endElementSAXFunc end = nullptr;
  startElementNsSAX2Func startNs = nullptr;
  endElementNsSAX2Func endNs = nullptr;

  static DepthWatch* of(void* ctx) {
    return static_cast<DepthWatch*>(static_cast<xmlParserCtxtPtr>(ctx)->_private);
  }
  static void onStart(void* ctx, const xmlChar* name, const xmlChar** attributes) {
    if (of(ctx)->guard.enter(ctx)) of(ctx)->start(ctx, name, attributes);
  }
  static void onEnd(void* ctx, const xmlChar* name) {
    of(ctx)->guard.leave();
    of(ctx)->end(ctx, name);
  }
  static void onStartNs(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri,
                        int nbNamespaces, const xmlChar** namespaces, int nbAttributes, int nbDefaulted,
                        const xmlChar** attributes) {
    if (of(ctx)->guard.enter(ctx)) {
      of(ctx)->startNs(ctx, localname, prefix, uri, nbNamespaces, namespaces, nbAttributes, nbDefaulted,
                       attributes);
    }
  }
  static void onEndNs(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri) {
    of(ctx)->guard.leave();
    of(ctx)->endNs(ctx, localname, prefix, uri);
  }
  void install(xmlParserCtxtPtr parser) {
    parser->_private = this;
    xmlSAXHandler& sax = *parser->sax;
    if (sax.startElement && sax.endElement) {
      start = std::exchange(sax.startElement, &DepthWatch::onStart);
      end = std::exchange(sax.endElement, &DepthWatch::onEnd);
    }
    if (sax.startElementNs && sax.endElementNs) {
      startNs = std::exchange(sax.startElementNs, &DepthWatch::onStartNs);
      endNs = std::exchange(sax.endElementNs, &DepthWatch::onEndNs);
    }
  }
};

// A character set libxml2 can read, or nullptr to let it look in the document.
const char* usableEncoding(const std::optional<std::string>& encoding) {
  if (!encoding) return nullptr;
  bool plain = !encoding->empty() && encoding->size() <= kMaxEncodingName;
  for (char c : *encoding) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                    c == '_' || c == '.' || c == ':';
    plain = plain && ok;
  }
  if (plain) {
    if (xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(encoding->c_str())) {
      xmlCharEncCloseFunc(handler);
      return encoding->c_str();
    }
  }
  // Guessing would read UTF-8 pronunciations as Latin-1; the pages we fetch are UTF-8 far more often.
  logWarningf("HTML query: unknown character set (%zu bytes); reading as UTF-8", encoding->size());
  return "UTF-8";
}

std::optional<std::vector<HppleNode>> query(std::string_view data, std::string_view xpath,
                                            const std::optional<std::string>& encoding, bool isXML,
                                            const HppleQueryOptions& options) {
  ui::XmlLibrary::ensureInitialized();
  if (data.size() > static_cast<std::size_t>(INT_MAX)) {
    logWarningf("HTML query: %zu bytes is more than the parser takes; not parsed", data.size());
    return std::nullopt;
  }
  xmlParserCtxtPtr parser = isXML ? xmlNewParserCtxt() : htmlNewParserCtxt();
  if (!parser) {
    logWarning("Unable to parse.");
    return std::nullopt;
  }
  DepthWatch watch;
  watch.install(parser);
  const char* charset = usableEncoding(encoding);
  const int size = static_cast<int>(data.size());
  xmlDocPtr document =
      data.empty() ? nullptr
      : isXML ? xmlCtxtReadMemory(parser, data.data(), size, "", charset, ui::XmlLibrary::xmlReadOptions())
              : htmlCtxtReadMemory(parser, data.data(), size, "", charset, ui::XmlLibrary::htmlReadOptions());
  if (isXML) {
    xmlFreeParserCtxt(parser);
  } else {
    htmlFreeParserCtxt(parser);
  }
  if (watch.guard.tooDeep()) {
    logWarningf("HTML query: elements nest deeper than %d; the document of %zu bytes is not used",
                kHppleMaxDepth, data.size());
    if (document) xmlFreeDoc(document);
    return std::nullopt;
  }
  if (!document) {
    logWarning("Unable to parse.");
    return std::nullopt;
  }
  auto result = evaluateXPathQuery(document, xpath, options);
  xmlFreeDoc(document);
  return result;
}

}  // namespace

std::optional<std::vector<HppleNode>> queryHtmlData(std::string_view data, std::string_view xpath,
                                                    const std::optional<std::string>& encoding,
                                                    const HppleQueryOptions& options) {
  return query(data, xpath, encoding, false, options);
}

std::optional<std::vector<HppleNode>> queryXmlData(std::string_view data, std::string_view xpath,
                                                   const std::optional<std::string>& encoding,
                                                   const HppleQueryOptions& options) {
  return query(data, xpath, encoding, true, options);
}

std::optional<std::vector<HppleNode>> evaluateXPathQuery(_xmlDoc* document, std::string_view xpath,
                                                         const HppleQueryOptions& options) {
  xmlXPathContextPtr context = xmlXPathNewContext(document);
  if (!context) {
    logWarning("Unable to create XPath context.");
    return std::nullopt;
  }
  // A malformed expression is reported below, once, instead of on standard error.
  context->error = &ignoreXPathError;
  const std::string expression(xpath);
  xmlXPathObjectPtr result =
      xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression.c_str()), context);
  if (!result) {
    logWarning("Unable to evaluate XPath.");
    xmlXPathFreeContext(context);
    return std::nullopt;
  }
  if (!result->nodesetval) {
    logWarning("Nodes was nil.");
    xmlXPathFreeObject(result);
    xmlXPathFreeContext(context);
    return std::nullopt;
  }
  std::vector<HppleNode> nodes;
  Budget budget{options.budgetBytes};
  const int count = result->nodesetval->nodeNr;
  for (int i = 0; i < count && nodes.size() < options.maxMatches; ++i) {
    xmlNode* match = result->nodesetval->nodeTab[i];
    // A namespace in a node set is not a node: none of a node's fields but its type may be read.
    if (match->type == XML_NAMESPACE_DECL) continue;
    auto node = nodeDictionary(match, Role::Match, nullptr, 0, options, budget);
    if (budget.exhausted) {
      logWarningf("HTML query: the matches copy more than %zu bytes; %d of %d are left out",
                  options.budgetBytes, count - i, count);
      break;
    }
    if (node) nodes.push_back(std::move(*node));
  }
  xmlXPathFreeObject(result);
  xmlXPathFreeContext(context);
  return nodes;
}

TFHpple::TFHpple(std::string data, std::optional<std::string> encoding, bool isXML)
    : data_(std::move(data)), encoding_(std::move(encoding)), isXML_(isXML) {}

std::vector<TFHppleElement> TFHpple::searchWithXPathQuery(std::string_view xpath,
                                                          const HppleQueryOptions& options) const {
  auto nodes = isXML_ ? queryXmlData(data_, xpath, encoding_, options)
                      : queryHtmlData(data_, xpath, encoding_, options);
  std::vector<TFHppleElement> elements;
  if (!nodes) return elements;
  elements.reserve(nodes->size());
  for (HppleNode& node : *nodes) {
    elements.push_back(TFHppleElement::hppleElementWithNode(
        std::make_shared<const HppleNode>(std::move(node)), isXML_, encoding_.value_or(std::string())));
  }
  return elements;
}

std::optional<TFHppleElement> TFHpple::peekAtSearchWithXPathQuery(std::string_view xpath,
                                                                  HppleQueryOptions options) const {
  options.maxMatches = 1;
  auto elements = searchWithXPathQuery(xpath, options);
  if (elements.empty()) return std::nullopt;
  return std::move(elements.front());
}

}  // namespace vl
