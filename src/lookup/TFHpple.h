#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lookup/TFHppleElement.h"
#include "platform/richtext/XmlLibrary.h"

struct _xmlDoc;
struct _xmlNode;

namespace vl {

// How much of a document a query copies out. A hostile page can nest one match inside another, each
// holding the whole page below it; the budget keeps the copies linear in what was asked for.
struct HppleQueryOptions {
  // Serialise each match as markup ("raw"); never its descendants, whose copies would add up to the
  // page's size times its depth.
  bool raw = false;
  std::size_t maxMatches = static_cast<std::size_t>(-1);
  // Bytes of text, attributes and markup copied for all matches together; matches past it are left
  // out (logged).
  std::size_t budgetBytes = 32 * 1024 * 1024;
};

// Elements nested deeper than this stop the parse: the document is refused rather than half read. The
// bound every markup reader of the program keeps.
inline constexpr int kHppleMaxDepth = ui::XmlLibrary::kMaxDepth;

// Parses the bytes (HTML with recovery, or XML with recovery), never touching the network, and copies
// out the nodes the XPath matches, in document order. `encoding` names the bytes' character set; none
// lets the parser look for one in the document, and a name libxml2 does not know reads as UTF-8.
// nullopt when the document cannot be parsed (empty, larger than INT_MAX bytes, nested deeper than
// kHppleMaxDepth) or the query fails; each failure is logged.
std::optional<std::vector<HppleNode>> queryHtmlData(std::string_view data, std::string_view xpath,
                                                    const std::optional<std::string>& encoding,
                                                    const HppleQueryOptions& options = {});
std::optional<std::vector<HppleNode>> queryXmlData(std::string_view data, std::string_view xpath,
                                                   const std::optional<std::string>& encoding,
                                                   const HppleQueryOptions& options = {});
// The query over a parsed document.
std::optional<std::vector<HppleNode>> evaluateXPathQuery(_xmlDoc* document, std::string_view xpath,
                                                         const HppleQueryOptions& options = {});

// A document held as bytes: every search parses it afresh and keeps nothing of libxml2 afterwards.
class TFHpple {
 public:
  TFHpple(std::string data, std::optional<std::string> encoding, bool isXML);
  static TFHpple hppleWithHTMLData(std::string data, std::optional<std::string> encoding = std::nullopt) {
    return TFHpple(std::move(data), std::move(encoding), false);
  }
  static TFHpple hppleWithXMLData(std::string data, std::optional<std::string> encoding = std::nullopt) {
    return TFHpple(std::move(data), std::move(encoding), true);
  }

  // One element per match, in document order; empty when nothing matches or on failure.
  std::vector<TFHppleElement> searchWithXPathQuery(std::string_view xpath,
                                                   const HppleQueryOptions& options = {}) const;
  // The first match only (nothing more is copied).
  std::optional<TFHppleElement> peekAtSearchWithXPathQuery(std::string_view xpath,
                                                           HppleQueryOptions options = {}) const;

  const std::string& data() const { return data_; }
  const std::optional<std::string>& encoding() const { return encoding_; }
  bool isXML() const { return isXML_; }

 private:
  std::string data_;
  std::optional<std::string> encoding_;
  bool isXML_;
};

}  // namespace vl
