#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/foundation/Text.h"
#include "platform/richtext/HtmlReader.h"
#include "platform/richtext/HtmlStartTags.h"
#include "platform/richtext/RtfReader.h"

namespace vl::ui {
namespace {

std::string fixture(const std::string& name) {
  std::ifstream in(std::string(VL_TEST_DATA_DIR) + "/richtext/" + name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::optional<AttributedString> readFixture(const std::string& name) {
  std::string data = fixture(name);
  EXPECT_FALSE(data.empty()) << name;
  return endsWith(name, ".rtf") ? RtfReader::read(data) : HtmlReader::read(data);
}

std::string hex(const Color& c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", int(c.red * 255 + 0.5), int(c.green * 255 + 0.5),
                int(c.blue * 255 + 0.5));
  return buf;
}

// A run's attributes in a few words, so expectations read like the document.
std::string style(const TextAttributes& a) {
  std::vector<std::string> w;
  if (a.font && a.font->isBold()) w.push_back("b");
  if (a.font && a.font->isItalic()) w.push_back("i");
  if (a.underlineStyle && *a.underlineStyle != UnderlineStyle::None) w.push_back("u");
  if (a.strikethroughStyle) w.push_back("s");
  if (a.link) w.push_back("link=" + *a.link);
  if (a.foregroundColor) w.push_back(hex(*a.foregroundColor));
  if (a.backgroundColor) w.push_back("bg" + hex(*a.backgroundColor));
  if (a.font &&
      (a.font->family() == Font::kMonospaceFamily || a.font->family().find("Mono") != std::string::npos)) {
    w.push_back("mono");
  }
  char size[32];
  if (a.font) std::snprintf(size, sizeof size, "%gpt", a.font->pointSize());
  if (a.font) w.push_back(size);
  if (a.alignment == TextAlignment::Center) w.push_back("center");
  std::string out;
  for (const auto& s : w) out += (out.empty() ? "" : " ") + s;
  return out;
}

// The style of the run that holds all of `needle`; "split" when the needle spans runs.
std::string styleOf(const AttributedString& s, const std::string& needle) {
  std::size_t at = s.string().find(needle);
  if (at == std::string::npos) return "missing";
  Range r = rangeOfByteRange(s.string(), {at, needle.size()});
  Range run;
  TextAttributes a = s.attributesAt(r.location, &run);
  return run.end() >= r.end() ? style(a) : "split";
}

// Whatever a reader returns must be text a view can show: valid UTF-8 with runs covering it exactly.
void expectWellFormed(const std::optional<AttributedString>& s) {
  if (!s) return;
  ASSERT_TRUE(isValidUtf8(s->string()));
  std::size_t next = 0;
  for (const auto& run : s->runs()) {
    ASSERT_EQ(run.range.location, next);
    next = run.range.end();
  }
  ASSERT_EQ(next, s->length());
}

struct FixtureCase {
  const char* file;
  const char* text;
  std::vector<std::pair<std::string, std::string>> styles;  // needle, style
};

TEST(RichTextReaderTest, FixturesFromApplicationsReadIntoStyledRuns) {
  const std::vector<FixtureCase> cases = {
      {"word-processor.rtf",
       "Plain bold italic under gone\nRed title\n\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 "
       "caf\xC3\xA9 "
       "\xE2\x82\xAC\xF0\x9F\x98\x80 end\na link\tmono\nnext\nafter picture\n",
       {{"Plain", "11pt"},
        {"bold", "b 11pt"},
        {"italic", "i 11pt"},
        {"under", "u 11pt"},
        {"gone", "s 11pt"},
        {"Red title", "#ff0000 16pt center"},
        {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "11pt"},
        {"a link", "u link=https://example.org/a?b=1 #0000ff 11pt"},
        {"mono", "mono 11pt"}}},
      {"text-editor.rtf",
       "First line\ngreen \xE2\x80\x9Cquoted\xE2\x80\x9D\nlet x = 1;\ncaf\xC3\xA9",
       {{"First line", "12pt"}, {"green \xE2\x80\x9Cquoted", "#008000 12pt"}, {"let x = 1;", "mono 12pt"}}},
      {"browser-selection.html",
       "Release notes\nVersion 2.1 is out, see the notes\xC2\xA0& enjoy.\n\xE2\x80\xA2\tFaster search\n"
       "\xE2\x80\xA2\tOld flag removed\n3.\tthree\n4.\tfour\nName\tSize\nalpha\t1 KB\nbeta\t22 KB\nLogo",
       {{"Release notes", "b #202124 19.5pt"},
        {"Version", "#202124 13pt"},
        {"2.1", "b #202124 13pt"},
        {"out", "b #202124 13pt"},
        {"the notes", "link=https://example.org/notes #1a0dab 13pt"},
        {"enjoy", "i #202124 13pt"},
        {"search", "mono 13pt"},
        {"Old", "s 13pt"},
        {"Name", "b 13pt"},
        {"alpha\t1 KB", "13pt"}}},
      {"mail-client.html",
       "On 12/08/2026 10:14, Sam wrote:\nLunch at noon?\nBring the list.\nSure \xE2\x80\x94 see you "
       "there.\n--\nAlex",
       {{"wrote:", "13pt"}, {"noon", "u 13pt"}, {"list", "i 13pt"}, {"Alex", "#888888 13pt"}}},
      {"terminal.html",
       "user@host:~/src$ ls -l\ntotal 8\n-rw-r--r--  1 user user  120 Dec  9 03:00 notes.txt\n    "
       "indented\ttab",
       {{"user@host", "b #5fd75f bg#1e1e1e mono 13pt"}, {"total 8", "#d0d0d0 bg#1e1e1e mono 13pt"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::optional<AttributedString> s = readFixture(c.file);
    ASSERT_TRUE(s.has_value());
    expectWellFormed(s);
    EXPECT_EQ(s->string(), c.text);
    for (const auto& [needle, expected] : c.styles) EXPECT_EQ(styleOf(*s, needle), expected) << needle;
  }
}

TEST(RichTextReaderTest, ParagraphSpacingSitsOnTheLineEnd) {
  // The first line end of each: a paragraph with space after it, a heading (half its size).
  for (const auto& [file, spacing] :
       {std::pair{"word-processor.rtf", 10.0}, {"browser-selection.html", 9.75}}) {
    std::optional<AttributedString> s = readFixture(file);
    ASSERT_TRUE(s);
    std::size_t end = utf16Length(s->string().substr(0, s->string().find('\n')));
    EXPECT_EQ(s->attributesAt(end).paragraphSpacing, spacing) << file;
  }
}

struct HostileCase {
  const char* name;
  std::string data;
  const char* expectedText;  // nullptr: refused, the caller shows the plain text
};

std::string repeat(const std::string& s, std::size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (std::size_t i = 0; i < n; ++i) out += s;
  return out;
}

TEST(RichTextReaderTest, HostileRtfReadsOrIsRefused) {
  const std::vector<HostileCase> cases = {
      {"unclosed groups", "{\\rtf1 {\\b open {\\i never closed", "open never closed"},
      {"extra closing braces", "{\\rtf1 a}}}} b}", "a b"},
      {"nesting 100,000 deep", "{\\rtf1 " + repeat("{\\b ", 100000) + "deep" + repeat("}", 100000) + "}",
       "deep"},
      {"huge numbers",
       "{\\rtf1\\fs99999999999999999999 big \\cf4294967297 c\\ansicpg99999999999 \\'e9"
       "\\uc99999999999\\u99999999999 x\\bin99999999999999 tail}",
       "big c\xC3\xA9\xEF\xBF\xBF"},
      {"a control word of 100,000 letters", "{\\rtf1\\" + repeat("a", 100000) + " text}", "text"},
      {"lone surrogates and a broken double-byte character", "{\\rtf1\\ansicpg932 \\u-10179 a\\'81}",
       "\xEF\xBF\xBD"
       "\xEF\xBF\xBD"},
      {"control characters", "{\\rtf1 a\\uc0\\u0 b\x01\\u127 c}", "abc"},
      {"not rtf", "hello {\\rtf1 x}", nullptr},
      {"50 MB", "{\\rtf1 " + std::string(50u << 20, 'a') + "}", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<AttributedString> s = RtfReader::read(c.data);
    expectWellFormed(s);
    if (!c.expectedText) {
      EXPECT_FALSE(s.has_value());
    } else {
      ASSERT_TRUE(s.has_value());
      EXPECT_EQ(s->string(), c.expectedText);
    }
  }
}

TEST(RichTextReaderTest, HostileHtmlReadsOrIsRefused) {
  const std::vector<HostileCase> cases = {
      {"unbalanced tags", "<p>one <b>two <i>three</p></b></u></table> four</i>", "one two three\nfour"},
      {"nesting 100,000 deep", repeat("<div><span>", 100000) + "deep" + repeat("</span></div>", 100000),
       nullptr},
      {"stray end tags under nesting", repeat("<b>", 200) + "x" + repeat("</i>", 200000), "x"},
      {"control characters", "<p>a&#1;\x02</p><pre>b\x7F</pre>", "a\nb"},
      {"invalid UTF-8",
       "<p>a\xFF\xC3"
       "b</p>",
       "a\xEF\xBF\xBD\xEF\xBF\xBD"
       "b"},
      {"script, frames and remote things",
       "<script>alert(1)</script><iframe src=\"http://127.0.0.1:1/\">x</iframe><img "
       "src=\"http://127.0.0.1:1/i\">"
       "<a href=\"javascript:alert(1)\">ok</a><link rel=stylesheet href=\"http://127.0.0.1:1/s.css\">",
       "ok"},
      {"entities",
       "<!DOCTYPE html [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><p>&e; &lt;&#x1F600;&bogus; "
       "&#99999999;</p>",
       nullptr},
      {"50 MB", "<p>" + std::string(50u << 20, 'a'), nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<AttributedString> s = HtmlReader::read(c.data);
    expectWellFormed(s);
    if (std::string_view(c.name) == "entities") {
      // Nothing outside the text is read into it; what the parser makes of the rest only has to be sane.
      ASSERT_TRUE(s.has_value());
      EXPECT_EQ(s->string().find("root:"), std::string::npos);
      EXPECT_NE(s->string().find("<\xF0\x9F\x98\x80"), std::string::npos) << s->string();
    } else if (!c.expectedText) {
      EXPECT_FALSE(s.has_value());
    } else {
      ASSERT_TRUE(s.has_value());
      EXPECT_EQ(s->string(), c.expectedText);
    }
  }
}

// A start tag keeps its first attributes and loses the rest, so a copy with half a million of them reads
// as fast as any other; what lies around the tags, comments and quoted ">" included, is kept as it is.
TEST(RichTextReaderTest, StartTagsWithCountlessAttributesLoseThoseAfterTheFirst) {
  struct Case {
    const char* name;
    std::string html;
    std::optional<std::string> capped;  // with at most two attributes a tag
  };
  const std::vector<Case> cases = {
      {"few attributes", "<p a=1 b='2'>x</p><br/>", std::nullopt},
      {"three", "<p a=1 b=\"2\" c>x</p>", "<p a=1 b=\"2\" >x</p>"},
      {"quoted >", "<a href=\"x>y\" t='>' u=3 v>z</a>", "<a href=\"x>y\" t='>' >z</a>"},
      {"self-closing", "<img a=1 b=2 c=3 d=4 />", "<img a=1 b=2 >"},
      {"comment and declaration", "<!DOCTYPE html a b c><!-- <p a b c d> --><i a b c>",
       "<!DOCTYPE html a b c><!-- <p a b c d> --><i a b >"},
      {"text with <", "1 < 2 <3 a b c", std::nullopt},
      {"unclosed quote", "<p a b c=\"open", "<p a b "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(capStartTagAttributes(c.html, 2), c.capped);
  }

  std::string html = "<p";
  for (int i = 0; i < 500000; ++i) html += " a" + std::to_string(i) + "=x";
  html += " style=\"color: red\">plain</p><b style=\"color: blue\">bold</b>";
  std::optional<AttributedString> s = HtmlReader::read(html);
  ASSERT_TRUE(s.has_value());
  expectWellFormed(s);
  EXPECT_EQ(s->string(), "plain\nbold");
  // The style came after the attributes that are cut; the next tag's is read as usual.
  EXPECT_EQ(styleOf(*s, "plain").find("#"), std::string::npos) << styleOf(*s, "plain");
  EXPECT_EQ(styleOf(*s, "bold").find("#0000ff"), 2u) << styleOf(*s, "bold");

  // UTF-16 copies (as some browsers offer HTML) go through the same bound.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("<p a b c style=\"color: red\">x</p>")) utf16 += std::string{c, '\0'};
  std::optional<AttributedString> wide = HtmlReader::read(utf16);
  ASSERT_TRUE(wide.has_value());
  EXPECT_EQ(wide->string(), "x");
}

// Random damage to every fixture: each reader gives well-formed text or refuses, and never crashes.
TEST(RichTextReaderTest, MutatedFixturesNeverBreakTheReaders) {
  std::mt19937 random(27);
  const char* const files[] = {"word-processor.rtf", "text-editor.rtf", "browser-selection.html",
                               "mail-client.html", "terminal.html"};
  const std::string specials = "{}\\'<>/&;\"*0123456789-";
  for (const char* file : files) {
    const std::string original = fixture(file);
    ASSERT_FALSE(original.empty());
    for (int i = 0; i < 600; ++i) {
      std::string data = original;
      for (int edits = 1 + static_cast<int>(random() % 8); edits > 0 && !data.empty(); --edits) {
        std::size_t at = random() % data.size();
        switch (random() % 4) {
          case 0:
            data[at] = static_cast<char>(random() % 256);
            break;
          case 1:
            data[at] = specials[random() % specials.size()];
            break;
          case 2:
            data.erase(at, random() % 16);
            break;
          default:
            data.insert(at, data.substr(random() % data.size(), random() % 32));
            break;
        }
      }
      expectWellFormed(endsWith(file, ".rtf") ? RtfReader::read(data) : HtmlReader::read(data));
      if (HasFatalFailure()) return;
    }
  }
}

}  // namespace
}  // namespace vl::ui
