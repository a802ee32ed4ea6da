#include <gtest/gtest.h>
#include <sys/mman.h>

#include <chrono>
#include <climits>

#include "lookup/TFHpple.h"
#include "platform/richtext/HtmlReader.h"
#include "platform/richtext/XmlLibrary.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

std::string nested(int depth, const std::string& tag, const std::string& inner) {
  std::string s;
  for (int i = 0; i < depth; ++i) s += "<" + tag + ">";
  s += inner;
  for (int i = 0; i < depth; ++i) s += "</" + tag + ">";
  return s;
}

TEST(HtmlQueryTest, ElementsAnswerWhatTheirNodesHold) {
  const TFHpple page = TFHpple::hppleWithHTMLData(
      "<div id=a class='  keyword \n'>one <b>two</b><!-- not text --> three</div>"
      "<p><i>first</i>after the element</p>"
      "<ul><li class='phonetic extra'>x</li><li class='phonetic'>y</li><li class=phonetic>z</li></ul>"
      "<p id=dup class=first class=second>");
  struct Case {
    const char* xpath;
    std::function<std::string(const TFHppleElement&)> read;
    std::string expected;
  };
  const Case cases[] = {
      // Attribute values are trimmed; the text of an element is all its descendants' text, comments left out.
      {"//div", [](const TFHppleElement& e) { return e.objectForKey("class").value_or("?"); }, "keyword"},
      {"//div", [](const TFHppleElement& e) { return e.content(); }, "one two three"},
      {"//div", [](const TFHppleElement& e) { return e.tagName(); }, "div"},
      // `text` is the first text child, even after an element.
      {"//p[1]", [](const TFHppleElement& e) { return e.text(); }, "after the element"},
      {"//b", [](const TFHppleElement& e) { return e.text(); }, "two"},
      // The class must be the whole value.
      {"//ul",
       [](const TFHppleElement& e) {
         std::string out;
         for (const auto& c : e.childrenWithClassName("phonetic")) out += c.content();
         return out;
       },
       "yz"},
      {"//ul", [](const TFHppleElement& e) { return std::to_string(e.childrenWithTagName("li").size()); },
       "3"},
      {"//ul", [](const TFHppleElement& e) { return e.firstChildWithTagName("li")->content(); }, "x"},
      // libxml2 keeps the first of two attributes of one name.
      {"//p[@id='dup']", [](const TFHppleElement& e) { return e.attributes().at("class"); }, "first"},
      {"//div/text()", [](const TFHppleElement& e) { return e.isTextNode() ? e.content() : "?"; }, "one "},
  };
  for (const Case& c : cases) {
    auto element = page.peekAtSearchWithXPathQuery(c.xpath);
    ASSERT_TRUE(element) << c.xpath;
    EXPECT_EQ(c.read(*element), c.expected) << c.xpath;
  }
  auto ul = page.peekAtSearchWithXPathQuery("//ul");
  const auto children = ul->children();
  ASSERT_EQ(children.size(), 3u);
  EXPECT_EQ(children[1].parent()->tagName(), "ul");
  EXPECT_EQ(ul->parent(), nullptr);
}

TEST(HtmlQueryTest, FailuresGiveNothingAndSayWhy) {
  test::LogCapture log;
  struct Case {
    std::string data;
    const char* xpath;
    std::size_t matches;
    const char* line;  // what the log says, when something failed
  };
  const Case cases[] = {
      {"", "//p", 0, "Unable to parse."},
      {"<p>x</p>", "//p[", 0, "Unable to evaluate XPath."},
      {"<p>x</p>", "count(//p)", 0, "Nodes was nil."},
      {"<p>x</p>", "//span", 0, nullptr},
      // Markup that is not well formed still reads as HTML.
      {"<p><b>x</p></i><p>y", "//p", 2, nullptr},
  };
  for (const Case& c : cases) {
    log.clear();
    const TFHpple page = TFHpple::hppleWithHTMLData(c.data);
    EXPECT_EQ(page.searchWithXPathQuery(c.xpath).size(), c.matches) << c.xpath;
    EXPECT_EQ(page.peekAtSearchWithXPathQuery(c.xpath).has_value(), c.matches > 0) << c.xpath;
    if (c.line) {
      EXPECT_TRUE(log.contains(c.line)) << c.xpath;
    }
  }
}

TEST(HtmlQueryTest, MarkupIsMadeOnlyForMatchesAndOnlyWhenAsked) {
  const TFHpple page = TFHpple::hppleWithHTMLData("<div><span class=a>x<b>y</b></span></div>");
  EXPECT_EQ(page.peekAtSearchWithXPathQuery("//span")->raw(), "");
  HppleQueryOptions options;
  options.raw = true;
  auto span = page.peekAtSearchWithXPathQuery("//span", options);
  EXPECT_EQ(span->raw(), "<span class=\"a\">x<b>y</b></span>");
  EXPECT_EQ(span->firstChildWithTagName("b")->raw(), "");
}

TEST(HtmlQueryTest, TheCharsetGivenIsTheOneRead) {
  test::LogCapture log;
  // UTF-8 text under a page that claims Latin-1.
  const std::string page =
      "<html><head><meta charset='iso-8859-1'></head><body><p>\xC9\x99</p></body></html>";
  struct Case {
    std::optional<std::string> encoding;
    std::string expected;
  };
  const Case cases[] = {
      {"UTF-8", "\xC9\x99"},
      // A name libxml2 does not know, or one that is no name at all, reads as UTF-8 rather than a guess.
      {"x-no-such-set", "\xC9\x99"},
      {"utf-8\r\nX: y", "\xC9\x99"},
      {"ISO-8859-1", "\xC3\x89\xC2\x99"},
      // None lets the page's own declaration count.
      {std::nullopt, "\xC3\x89\xC2\x99"},
  };
  for (const Case& c : cases) {
    const TFHpple document = TFHpple::hppleWithHTMLData(page, c.encoding);
    EXPECT_EQ(document.peekAtSearchWithXPathQuery("//p")->content(), c.expected)
        << c.encoding.value_or("none");
  }
  EXPECT_TRUE(log.contains("unknown character set"));
}

TEST(HtmlQueryTest, HostilePagesAreBoundedWhileTheyAreRead) {
  test::LogCapture log;
  const auto start = std::chrono::steady_clock::now();
  // Deeper than the cap: refused during the parse, for HTML and XML alike.
  EXPECT_TRUE(TFHpple::hppleWithHTMLData(nested(100000, "div", "x")).searchWithXPathQuery("//div").empty());
  EXPECT_TRUE(log.contains("nest deeper than"));
  log.clear();
  EXPECT_TRUE(
      TFHpple::hppleWithXMLData(nested(kHppleMaxDepth + 1, "a", "x")).searchWithXPathQuery("//a").empty());
  EXPECT_TRUE(log.contains("nest deeper than"));
  // Just under it: read whole, and every level's text is still the text below it.
  auto deepest =
      TFHpple::hppleWithHTMLData(nested(kHppleMaxDepth - 5, "span", "x")).searchWithXPathQuery("//span");
  ASSERT_EQ(deepest.size(), static_cast<std::size_t>(kHppleMaxDepth - 5));
  EXPECT_EQ(deepest.front().content(), "x");

  // Matches nested in matches, each holding a megabyte: the copies stop at the budget.
  log.clear();
  HppleQueryOptions options;
  options.budgetBytes = 8 * 1024 * 1024;
  const auto matches = TFHpple::hppleWithHTMLData(nested(150, "span", std::string(1 << 20, 'z')))
                           .searchWithXPathQuery("//span", options);
  EXPECT_LT(matches.size(), 10u);
  EXPECT_TRUE(log.contains("are left out"));

  // Nested entities are kept by name, not expanded.
  std::string laughs = "<?xml version='1.0'?><!DOCTYPE r [<!ENTITY a 'aaaaaaaaaa'>";
  for (char name = 'b'; name <= 'j'; ++name) {
    std::string value;
    for (int i = 0; i < 10; ++i) value += std::string("&") + char(name - 1) + ";";
    laughs += std::string("<!ENTITY ") + name + " '" + value + "'>";
  }
  laughs += "]><r>&j;</r>";
  const auto root = TFHpple::hppleWithXMLData(laughs).peekAtSearchWithXPathQuery("//r");
  if (root) {
    EXPECT_LT(root->content().size(), 1000u);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

// Markup reaches the program on two roads (a copied selection, a dictionary page); whatever nests too deep
// for one of its readers nests too deep for the other.
TEST(HtmlQueryTest, BothMarkupReadersStopAtTheSameDepth) {
  test::LogCapture log;
  struct Case {
    int depth;  // html and body, which the parser adds, included
    bool read;
  };
  const Case cases[] = {{ui::XmlLibrary::kMaxDepth - 30, true},
                        {ui::XmlLibrary::kMaxDepth, true},
                        {ui::XmlLibrary::kMaxDepth + 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    const std::string page = nested(c.depth - 2, "div", "x");
    EXPECT_EQ(TFHpple::hppleWithHTMLData(page).searchWithXPathQuery("//div").size(),
              c.read ? static_cast<std::size_t>(c.depth - 2) : 0u);
    const auto text = ui::HtmlReader::read(page);
    EXPECT_EQ(text.has_value(), c.read);
    if (text) {
      EXPECT_EQ(text->string(), "x");
    }
  }
}

TEST(HtmlQueryTest, InputsPastWhatTheParserTakesAreRefusedUnread) {
  test::LogCapture log;
  // Address space without memory behind it: a byte read would fault.
  const std::size_t size = static_cast<std::size_t>(INT_MAX) + 1;
  void* region = ::mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(region, MAP_FAILED);
  const std::string_view huge(static_cast<const char*>(region), size);
  EXPECT_FALSE(queryHtmlData(huge, "//p", std::nullopt));
  EXPECT_FALSE(queryXmlData(huge, "//p", std::nullopt));
  EXPECT_TRUE(log.contains("more than the parser takes"));
  ::munmap(region, size);
}

TEST(HtmlQueryTest, XmlIsReadWithoutTheNetworkOrLocalFiles) {
  const std::string page =
      "<?xml version='1.0'?><!DOCTYPE r [<!ENTITY f SYSTEM 'file:///etc/hostname'>]><r><a>x</a>&f;</r>";
  const auto root = TFHpple::hppleWithXMLData(page).peekAtSearchWithXPathQuery("/r");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->content(), "x");
  EXPECT_EQ(root->children().back().tagName(), "f");
}

}  // namespace
}  // namespace vl
