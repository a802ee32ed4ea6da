// Reading copied rich text for the detail view: a 1 MB RTF document and a 1 MB HTML document are each read
// into attributed text, against the least any reader does with that many bytes, copying them:
//   copy  a plain byte copy of the same size;
//   rtf   RtfReader over a word processor's kind of document (tables of fonts and colours, \uN, \'hh);
//   html  HtmlReader over a browser's kind of copy (inline styles, links, lists, a table).
// Then one start tag with 50,000 and with 500,000 attributes (a hostile copy): reading should grow with
// the bytes (a ratio near 10), not with the square of the attributes (100).
#include <chrono>
#include <cstdio>
#include <string>

#include "BenchTiming.h"
#include "platform/richtext/HtmlReader.h"
#include "platform/richtext/RtfReader.h"

namespace {

using vl::bench::msSince;
using vl::bench::Steady;

constexpr std::size_t kSize = 1 << 20;
constexpr int kRounds = 5;

std::string makeRtf() {
  std::string s =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Serif;}{\\f1\\fswiss\\fcharset204 "
      "Sans;}}{\\colortbl ;\\red255\\green0\\blue0;}\\uc1\n";
  for (int i = 0; s.size() < kSize; ++i) {
    s += "\\pard\\sa200\\f0\\fs22 Paragraph " + std::to_string(i) +
         " with \\b bold\\b0 , \\i italic\\i0 , {\\cf1 red} and caf\\'e9 \\u8364? text; "
         "{\\f1 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2} {\\field{\\*\\fldinst HYPERLINK \"https://example.org/\"}"
         "{\\fldrslt link}}\\par\n";
  }
  return s + "}";
}

std::string makeHtml() {
  std::string s = "<meta charset=\"utf-8\"><h1>Title</h1>";
  for (int i = 0; s.size() < kSize; ++i) {
    s += "<p style=\"color: rgb(32, 33, 36); font-family: sans-serif;\">Paragraph " + std::to_string(i) +
         " with <b>bold</b>, <i>italic</i>, <a href=\"https://example.org/\">a link</a> and caf&eacute; "
         "<code>code</code>.</p><ul><li>one</li><li>two</li></ul><table><tr><td>a</td><td>b</td></tr></"
         "table>\n";
  }
  return s;
}

std::string manyAttributes(int count) {
  std::string s = "<p";
  for (int i = 0; i < count; ++i) s += " a" + std::to_string(i) + "=x";
  return s + ">text</p>";
}

}  // namespace

int main() {
  const std::string rtf = makeRtf();
  const std::string html = makeHtml();
  std::size_t sink = 0;

  auto start = Steady::now();
  for (int r = 0; r < kRounds; ++r) {
    std::string copy = rtf;
    sink += static_cast<unsigned char>(copy[copy.size() / 2]);
  }
  const double copy = msSince(start) / kRounds;
  start = Steady::now();
  for (int r = 0; r < kRounds; ++r) sink += vl::ui::RtfReader::read(rtf)->length();
  const double rtfMs = msSince(start) / kRounds;
  start = Steady::now();
  for (int r = 0; r < kRounds; ++r) sink += vl::ui::HtmlReader::read(html)->length();
  const double htmlMs = msSince(start) / kRounds;

  std::printf("documents: rtf %zu bytes, html %zu bytes, sink %zu\n", rtf.size(), html.size(), sink);
  std::printf("copy  %8.3f ms\n", copy);
  std::printf("rtf   %8.3f ms  (%.0fx copy)\n", rtfMs, rtfMs / copy);
  std::printf("html  %8.3f ms  (%.0fx copy)\n", htmlMs, htmlMs / copy);

  double attributeMs[2] = {};
  const int counts[2] = {50000, 500000};
  for (int i = 0; i < 2; ++i) {
    const std::string hostile = manyAttributes(counts[i]);
    start = Steady::now();
    sink += vl::ui::HtmlReader::read(hostile)->length();
    attributeMs[i] = msSince(start);
  }
  std::printf("attrs %8.3f ms for %d, %8.3f ms for %d  (%.1fx for 10x the attributes; goal near 10)\n",
              attributeMs[0], counts[0], attributeMs[1], counts[1], attributeMs[1] / attributeMs[0]);
  return sink == 0 ? 1 : 0;
}
