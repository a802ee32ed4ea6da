#include "platform/richtext/HtmlReader.h"

#include <libxml/HTMLparser.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "platform/richtext/HtmlStartTags.h"
#include "platform/richtext/RichTextBuilder.h"
#include "platform/richtext/XmlLibrary.h"

namespace vl::ui {

namespace {

enum class Tag : std::uint8_t {
  Other,
  Dropped,
  Break,
  Image,
  Block,
  Paragraph,
  Heading,
  List,
  OrderedList,
  ListItem,
  Pre,
  Code,
  Bold,
  Italic,
  Underline,
  Strike,
  Link,
  Table,
  Row,
  Cell,
  HeaderCell,
  Mark,
};

Tag tagOf(std::string_view name) {
  static const std::unordered_map<std::string_view, Tag> tags = {
      {"script", Tag::Dropped}, {"style", Tag::Dropped},    {"head", Tag::Dropped},
      {"title", Tag::Dropped},  {"template", Tag::Dropped}, {"iframe", Tag::Dropped},
      {"object", Tag::Dropped}, {"embed", Tag::Dropped},    {"noscript", Tag::Dropped},
      {"svg", Tag::Dropped},    {"math", Tag::Dropped},     {"canvas", Tag::Dropped},
      {"audio", Tag::Dropped},  {"video", Tag::Dropped},    {"select", Tag::Dropped},
      {"br", Tag::Break},       {"img", Tag::Image},        {"div", Tag::Block},
      {"section", Tag::Block},  {"article", Tag::Block},    {"header", Tag::Block},
      {"footer", Tag::Block},   {"nav", Tag::Block},        {"aside", Tag::Block},
      {"main", Tag::Block},     {"figure", Tag::Block},     {"figcaption", Tag::Block},
      {"address", Tag::Block},  {"dt", Tag::Block},         {"dd", Tag::Block},
      {"form", Tag::Block},     {"fieldset", Tag::Block},   {"center", Tag::Block},
      {"details", Tag::Block},  {"summary", Tag::Block},    {"hr", Tag::Block},
      {"tbody", Tag::Other},    {"p", Tag::Paragraph},      {"blockquote", Tag::Paragraph},
      {"dl", Tag::Paragraph},   {"h1", Tag::Heading},       {"h2", Tag::Heading},
      {"h3", Tag::Heading},     {"h4", Tag::Heading},       {"h5", Tag::Heading},
      {"h6", Tag::Heading},     {"ul", Tag::List},          {"menu", Tag::List},
      {"ol", Tag::OrderedList}, {"li", Tag::ListItem},      {"pre", Tag::Pre},
      {"code", Tag::Code},      {"kbd", Tag::Code},         {"samp", Tag::Code},
      {"tt", Tag::Code},        {"b", Tag::Bold},           {"strong", Tag::Bold},
      {"i", Tag::Italic},       {"em", Tag::Italic},        {"cite", Tag::Italic},
      {"var", Tag::Italic},     {"dfn", Tag::Italic},       {"u", Tag::Underline},
      {"ins", Tag::Underline},  {"s", Tag::Strike},         {"del", Tag::Strike},
      {"strike", Tag::Strike},  {"a", Tag::Link},           {"table", Tag::Table},
      {"tr", Tag::Row},         {"td", Tag::Cell},          {"th", Tag::HeaderCell},
      {"mark", Tag::Mark},
  };
  auto it = tags.find(name);
  return it == tags.end() ? Tag::Other : it->second;
}

// Heading sizes relative to the text, h1 to h6.
constexpr double kHeadingScale[] = {2.0, 1.5, 1.17, 1.0, 0.83, 0.67};

std::string_view view(const xmlChar* s) {
  return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}

// "#abc", "#aabbcc", "rgb(1, 2, 3)", "rgba(...)" and a few names; nullopt for anything else.
std::optional<Color> parseColor(std::string_view v) {
  std::string s = lowercase(trimWhitespace(v));
  if (!s.empty() && s[0] == '#' && (s.size() == 4 || s.size() == 7) &&
      s.find_first_not_of("0123456789abcdef", 1) == std::string::npos) {
    auto channel = [&](std::size_t i) {
      return s.size() == 4 ? std::strtol(std::string(2, s[i]).c_str(), nullptr, 16) / 255.0
                           : std::strtol(s.substr(1 + 2 * (i - 1), 2).c_str(), nullptr, 16) / 255.0;
    };
    return Color::rgba(channel(1), channel(2), channel(3), 1);
  }
  if (startsWith(s, "rgb")) {
    std::size_t open = s.find('(');
    if (open == std::string::npos) return std::nullopt;
    double c[3];
    const char* p = s.c_str() + open + 1;
    for (double& x : c) {
      char* end = nullptr;
      x = std::strtod(p, &end);
      if (end == p) return std::nullopt;
      p = end;
      while (*p == ',' || *p == ' ') ++p;
    }
    return Color::rgba(std::clamp(c[0], 0.0, 255.0) / 255, std::clamp(c[1], 0.0, 255.0) / 255,
                       std::clamp(c[2], 0.0, 255.0) / 255, 1);
  }
  static const std::unordered_map<std::string_view, Color> names = {
      {"black", Color::rgba(0, 0, 0, 1)},
      {"white", Color::rgba(1, 1, 1, 1)},
      {"red", Color::rgba(1, 0, 0, 1)},
      {"green", Color::rgba(0, 128 / 255.0, 0, 1)},
      {"blue", Color::rgba(0, 0, 1, 1)},
      {"gray", Color::rgba(128 / 255.0, 128 / 255.0, 128 / 255.0, 1)},
      {"grey", Color::rgba(128 / 255.0, 128 / 255.0, 128 / 255.0, 1)},
  };
  auto it = names.find(s);
  return it == names.end() ? std::nullopt : std::optional<Color>(it->second);
}

// The few inline style properties that change how copied text reads.
void applyInlineStyle(std::string_view style, TextAttributes& a) {
  while (!style.empty()) {
    std::size_t semi = style.find(';');
    std::string_view decl = style.substr(0, semi);
    style = semi == std::string_view::npos ? std::string_view() : style.substr(semi + 1);
    std::size_t colon = decl.find(':');
    if (colon == std::string_view::npos) continue;
    std::string name = lowercase(trimWhitespace(decl.substr(0, colon)));
    std::string value = lowercase(trimWhitespace(decl.substr(colon + 1)));
    if (name == "color") {
      if (auto c = parseColor(value)) a.foregroundColor = c;
    } else if (name == "font-weight") {
      bool bold = value == "bold" || value == "bolder" || std::atoi(value.c_str()) >= 600;
      a.font = a.font->withWeight(bold ? Font::WeightBold : Font::WeightRegular);
    } else if (name == "font-style") {
      a.font = a.font->withItalic(value == "italic" || value == "oblique");
    } else if (name == "text-decoration" || name == "text-decoration-line") {
      if (value.find("underline") != std::string::npos) a.underlineStyle = UnderlineStyle::Single;
      if (value.find("line-through") != std::string::npos) a.strikethroughStyle = UnderlineStyle::Single;
    } else if (name == "background-color" || name == "background") {
      if (auto c = parseColor(value)) a.backgroundColor = c;
    } else if (name == "font-family" && value.find("monospace") != std::string::npos) {
      a.font = a.font->withFamily(Font::kMonospaceFamily);
    }
  }
}

class Walker {
 public:
  explicit Walker(const Font& baseFont) : baseFont_(baseFont), out_(HtmlReader::kMaxInputBytes * 2) {
    Frame root;
    root.attributes.font = baseFont;
    frames_.push_back(root);
  }

  void start(std::string_view name, const xmlChar** attrs) {
    if (dropDepth_ > 0) {
      ++dropDepth_;
      return;
    }
    const Tag tag = tagOf(name);
    auto attribute = [&](std::string_view key) -> std::string_view {
      for (const xmlChar** a = attrs; a && a[0]; a += 2) {
        if (lowercase(view(a[0])) == key) return view(a[1]);
      }
      return {};
    };
    if (tag == Tag::Dropped) {
      dropDepth_ = 1;
      return;
    }
    if (tag == Tag::Break) {
      if (cells_ > 0) {
        lineEnd(0);
      } else {
        pendingSpace_ = false;
        out_.trimTrailingSpaces();
        put("\n", frames_.back().attributes);
      }
      ++overflow_;  // the matching end pops nothing
      return;
    }
    if (tag == Tag::Image) {
      // Only the words an image stands for: nothing is ever loaded.
      text(attribute("alt"));
      ++overflow_;
      return;
    }
    Frame f = frames_.back();
    f.tag = tag;
    TextAttributes& a = f.attributes;
    const Font& font = *a.font;
    switch (tag) {
      case Tag::Heading: {
        int level = std::clamp(name.size() == 2 ? name[1] - '0' : 1, 1, 6);
        a.font = font.withSize(baseFont_.effectivePointSize() * kHeadingScale[level - 1])
                     .withWeight(Font::WeightBold);
        f.spacing = a.font->effectivePointSize() * 0.5;
        break;
      }
      case Tag::Paragraph:
      case Tag::Table:
        f.spacing = baseFont_.effectivePointSize() * 0.5;
        break;
      case Tag::List:
      case Tag::OrderedList:
        f.ordered = tag == Tag::OrderedList;
        f.counter = std::clamp(std::atol(std::string(attribute("start")).c_str()), -1000000L, 1000000L);
        if (f.counter == 0 && attribute("start").empty()) f.counter = 1;
        f.listDepth = std::min(f.listDepth + 1, 8);
        f.spacing = f.listDepth == 1 ? baseFont_.effectivePointSize() * 0.5 : 0;
        break;
      case Tag::Pre:
        f.pre = true;
        f.spacing = baseFont_.effectivePointSize() * 0.5;
        a.font = font.withFamily(Font::kMonospaceFamily);
        break;
      case Tag::Code:
        a.font = font.withFamily(Font::kMonospaceFamily);
        break;
      case Tag::Bold:
      case Tag::HeaderCell:
        a.font = font.withWeight(Font::WeightBold);
        break;
      case Tag::Italic:
        a.font = font.withItalic(true);
        break;
      case Tag::Underline:
        a.underlineStyle = UnderlineStyle::Single;
        break;
      case Tag::Strike:
        a.strikethroughStyle = UnderlineStyle::Single;
        break;
      case Tag::Mark:
        a.backgroundColor = Color::rgba(1, 0.93, 0.4, 1);
        break;
      case Tag::Link: {
        std::string href = trimWhitespace(attribute("href"));
        std::string scheme = lowercase(href.substr(0, href.find(':')));
        // A script in a link is not a place to go.
        if (!href.empty() && scheme != "javascript" && scheme != "vbscript" && scheme != "data")
          a.link = href;
        break;
      }
      default:
        break;
    }
    if (name == "font") {
      if (auto c = parseColor(attribute("color"))) a.foregroundColor = c;
    }
    if (std::string_view style = attribute("style"); !style.empty()) applyInlineStyle(style, a);
    if (tag == Tag::Row) {
      if (cells_ == 0) lineEnd(0);
      f.cellsBefore = 0;
    }
    if (tag == Tag::Cell || tag == Tag::HeaderCell) {
      Frame* row = nearest(Tag::Row);
      if (row && row->cellsBefore++ > 0) put("\t", frames_.back().attributes);
      pendingSpace_ = false;
      ++cells_;
    }
    const bool block = isBlock(tag);
    frames_.push_back(std::move(f));
    if (block) lineEnd(0);
    if (tag == Tag::ListItem) listMarker();
  }

  void end() {
    if (dropDepth_ > 0) {
      --dropDepth_;
      return;
    }
    if (overflow_ > 0) {
      --overflow_;
      return;
    }
    if (frames_.size() <= 1) return;
    const Frame& f = frames_.back();
    if (f.tag == Tag::Cell || f.tag == Tag::HeaderCell) {
      cells_ = std::max(0, cells_ - 1);
    } else if (f.tag == Tag::Row) {
      lineEnd(0);
    } else if (isBlock(f.tag)) {
      lineEnd(f.spacing);
    }
    frames_.pop_back();
  }

  void text(std::string_view t) {
    if (dropDepth_ > 0 || t.empty()) return;
    const Frame& f = frames_.back();
    if (f.pre) {
      std::string s;
      s.reserve(t.size());
      for (std::size_t i = 0; i < t.size(); ++i) {
        if (isControl(t[i])) continue;
        if (t[i] == '\r') {
          s += '\n';
          if (i + 1 < t.size() && t[i + 1] == '\n') ++i;
        } else {
          s += t[i];
        }
      }
      flushSpace();
      put(s, f.attributes);
      return;
    }
    std::string s;
    s.reserve(t.size());
    for (char c : t) {
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
        if (s.empty()) {
          if (!pendingSpace_) spaceAttributes_ = f.attributes;
          pendingSpace_ = true;
        } else if (s.back() != ' ') {
          s += ' ';
        }
        continue;
      }
      if (isControl(c)) continue;
      if (s.empty()) flushSpace();
      s += c;
    }
    // A space at the end waits: a line end after it would leave it hanging.
    if (!s.empty() && s.back() == ' ') {
      s.pop_back();
      spaceAttributes_ = f.attributes;
      pendingSpace_ = true;
    }
    put(s, f.attributes);
  }

  htmlParserCtxtPtr parser = nullptr;
  XmlDepthGuard depth;

  AttributedString finish() {
    AttributedString s = out_.finish();
    // A line end closing the text would only show as an empty last line.
    std::size_t trailing = 0;
    while (trailing < s.string().size() && s.string()[s.string().size() - 1 - trailing] == '\n') ++trailing;
    if (trailing > 0) s.deleteCharacters({s.length() - trailing, trailing});
    return s;
  }

 private:
  struct Frame {
    Tag tag = Tag::Other;
    TextAttributes attributes;
    bool pre = false;
    bool ordered = false;
    long counter = 1;
    int listDepth = 0;
    int cellsBefore = 0;
    double spacing = 0;
  };

  // Control characters other than line ends and tabs would only reach the painter as stray bytes.
  static bool isControl(char c) {
    return (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') ||
           c == 0x7F;
  }

  static bool isBlock(Tag t) {
    return t == Tag::Block || t == Tag::Paragraph || t == Tag::Heading || t == Tag::List ||
           t == Tag::OrderedList || t == Tag::ListItem || t == Tag::Pre || t == Tag::Table;
  }

  Frame* nearest(Tag t) {
    for (auto it = frames_.rbegin(); it != frames_.rend(); ++it) {
      if (it->tag == t) return &*it;
    }
    return nullptr;
  }

  void put(std::string_view s, const TextAttributes& a) {
    if (s.empty()) return;
    flushLineEnd();
    out_.setAttributes(a);
    out_.append(s);
  }

  void flushSpace() {
    if (!pendingSpace_) return;
    pendingSpace_ = false;
    if (lineEndPending_ || out_.atLineStart() || out_.lastByte() == '\t' || out_.lastByte() == ' ') return;
    put(" ", spaceAttributes_);
  }

  // The line end after a block waits for the next text, so blocks that end together (a list item, its
  // list) give one line end with the widest spacing of them, and the text's end gets none.
  void flushLineEnd() {
    if (!lineEndPending_) return;
    lineEndPending_ = false;
    TextAttributes a = lineEndAttributes_;
    if (lineEndSpacing_ > 0) a.paragraphSpacing = lineEndSpacing_;
    out_.setAttributes(a);
    out_.append("\n");
  }

  // Ends the line unless at a line start already; in a table cell a block only adds a space, so a row
  // stays one line. A spacing above 0 is the gap below the paragraph that ends here.
  void lineEnd(double spacing) {
    if (cells_ > 0) {
      if (!pendingSpace_) spaceAttributes_ = frames_.back().attributes;
      pendingSpace_ = true;
      return;
    }
    pendingSpace_ = false;
    if (!lineEndPending_) {
      if (out_.atLineStart()) return;
      out_.trimTrailingSpaces();
      lineEndPending_ = true;
      lineEndAttributes_ = frames_.back().attributes;
      lineEndAttributes_.link.reset();
      lineEndSpacing_ = 0;
    }
    lineEndSpacing_ = std::max(lineEndSpacing_, spacing);
  }

  void listMarker() {
    Frame* list = nullptr;
    for (auto it = frames_.rbegin(); it != frames_.rend(); ++it) {
      if (it->tag == Tag::List || it->tag == Tag::OrderedList) {
        list = &*it;
        break;
      }
    }
    std::string marker(list ? static_cast<std::size_t>(std::max(0, list->listDepth - 1)) : 0, '\t');
    if (list && list->ordered) {
      marker += std::to_string(list->counter) + ".\t";
      if (list->counter < 1000000) ++list->counter;
    } else {
      marker += "\xE2\x80\xA2\t";
    }
    TextAttributes a = frames_.back().attributes;
    a.link.reset();
    put(marker, a);
  }

  Font baseFont_;
  RichTextBuilder out_;
  std::vector<Frame> frames_;
  std::size_t dropDepth_ = 0;
  std::size_t overflow_ = 0;  // elements whose end pops no frame (void ones)
  int cells_ = 0;
  bool pendingSpace_ = false;
  TextAttributes spaceAttributes_;
  bool lineEndPending_ = false;
  TextAttributes lineEndAttributes_;
  double lineEndSpacing_ = 0;
};

Walker* walkerOf(void* ctx) { return static_cast<Walker*>(ctx); }

void onStart(void* ctx, const xmlChar* name, const xmlChar** attrs) {
  Walker* w = walkerOf(ctx);
  // The parser closes an element by searching the open ones, so nesting without end would cost time
  // that grows with its square: stop there and let the plain text stand in.
  if (!w->depth.enter(w->parser)) return;
  w->start(lowercase(view(name)), attrs);
}

void onEnd(void* ctx, const xmlChar*) {
  Walker* w = walkerOf(ctx);
  if (w->depth.depth() == 0 || w->depth.tooDeep()) return;
  w->depth.leave();
  w->end();
}

void onCharacters(void* ctx, const xmlChar* ch, int len) {
  if (len > 0) walkerOf(ctx)->text({reinterpret_cast<const char*>(ch), static_cast<std::size_t>(len)});
}

}  // namespace

std::optional<AttributedString> HtmlReader::read(std::string_view html, const Font& baseFont) {
  if (html.size() > kMaxInputBytes) {
    logWarningf("html: %zu bytes is more than the %zu read; showing the plain text", html.size(),
                kMaxInputBytes);
    return std::nullopt;
  }
  // UTF-16 (marked by its byte order mark) is read as UTF-8 like the rest, so every bound below sees
  // the text it bounds.
  std::string cleaned;
  if (html.size() >= 2 &&
      ((html[0] == '\xFF' && html[1] == '\xFE') || (html[0] == '\xFE' && html[1] == '\xFF'))) {
    const bool little = html[0] == '\xFF';
    std::u16string units;
    units.reserve(html.size() / 2);
    for (std::size_t i = 2; i + 1 < html.size(); i += 2) {
      const auto a = static_cast<unsigned char>(html[i]);
      const auto b = static_cast<unsigned char>(html[i + 1]);
      units.push_back(static_cast<char16_t>(little ? (b << 8 | a) : (a << 8 | b)));
    }
    cleaned = fromUtf16(units);
    html = cleaned;
  } else if (!isValidUtf8(html)) {
    cleaned = sanitizeUtf8(html);
    html = cleaned;
  }
  if (std::optional<std::string> capped = capStartTagAttributes(html, kMaxAttributesPerTag)) {
    logWarningf("html: start tags with more than %zu attributes; the rest of each is not read",
                kMaxAttributesPerTag);
    cleaned = std::move(*capped);
    html = cleaned;
  }
  htmlSAXHandler sax{};
  sax.startElement = onStart;
  sax.endElement = onEnd;
  sax.characters = onCharacters;
  sax.ignorableWhitespace = onCharacters;
  sax.cdataBlock = onCharacters;
  Walker walker(baseFont);
  // The push parser with handlers of our own builds no tree: memory stays with the text we keep.
  XmlLibrary::ensureInitialized();
  htmlParserCtxtPtr ctxt =
      htmlCreatePushParserCtxt(&sax, &walker, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8);
  if (!ctxt) {
    logWarning("html: no parser; showing the plain text");
    return std::nullopt;
  }
  // The text is UTF-8 by now, whatever charset a meta element of the page names.
  htmlCtxtUseOptions(ctxt, XmlLibrary::htmlReadOptions() | HTML_PARSE_IGNORE_ENC);
  walker.parser = ctxt;
  constexpr std::size_t kChunk = 1 << 16;
  for (std::size_t at = 0; at < html.size() && !walker.depth.tooDeep(); at += kChunk) {
    std::size_t n = std::min(kChunk, html.size() - at);
    htmlParseChunk(ctxt, html.data() + at, static_cast<int>(n), 0);
  }
  if (!walker.depth.tooDeep()) htmlParseChunk(ctxt, nullptr, 0, 1);
  htmlFreeParserCtxt(ctxt);
  if (walker.depth.tooDeep()) {
    logWarningf("html: elements nested deeper than %d; showing the plain text", XmlLibrary::kMaxDepth);
    return std::nullopt;
  }
  return walker.finish();
}

}  // namespace vl::ui
