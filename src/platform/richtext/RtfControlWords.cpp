#include "platform/richtext/RtfControlWords.h"

#include <unordered_map>

namespace vl::ui::rtf {

namespace {

const std::unordered_map<std::string_view, WordInfo>& words() {
  static const std::unordered_map<std::string_view, WordInfo> table = {
      {"rtf", {Word::Rtf}},
      {"ansi", {Word::Ansi}},
      {"mac", {Word::Mac}},
      {"pc", {Word::Pc}},
      {"pca", {Word::Pca}},
      {"ansicpg", {Word::AnsiCodePage}},
      {"deff", {Word::DefaultFont}},
      {"f", {Word::Font}},
      {"fonttbl", {Word::FontTable}},
      {"fcharset", {Word::FontCharset}},
      {"fmodern", {Word::FontModern}},
      {"colortbl", {Word::ColorTable}},
      {"red", {Word::Red}},
      {"green", {Word::Green}},
      {"blue", {Word::Blue}},
      {"fs", {Word::FontSize}},
      {"b", {Word::Bold}},
      {"i", {Word::Italic}},
      {"strike", {Word::Strike}},
      {"striked", {Word::Strike}},
      {"ul", {Word::Underline}},
      {"uld", {Word::Underline}},
      {"uldash", {Word::Underline}},
      {"ulw", {Word::Underline}},
      {"ulwave", {Word::Underline}},
      {"uldb", {Word::UnderlineDouble}},
      {"ulth", {Word::UnderlineThick}},
      {"ulnone", {Word::UnderlineNone}},
      {"cf", {Word::Color}},
      {"cb", {Word::Background}},
      {"highlight", {Word::Background}},
      {"plain", {Word::Plain}},
      {"pard", {Word::Pard}},
      {"ql", {Word::AlignLeft}},
      {"qr", {Word::AlignRight}},
      {"qc", {Word::AlignCenter}},
      {"qj", {Word::AlignJustified}},
      {"sa", {Word::SpaceAfter}},
      {"par", {Word::Par}},
      {"sect", {Word::Par}},
      {"page", {Word::Par}},
      {"line", {Word::Line}},
      {"tab", {Word::Tab}},
      {"cell", {Word::Cell}},
      {"nestcell", {Word::Cell}},
      {"row", {Word::Row}},
      {"u", {Word::Unicode}},
      {"uc", {Word::UnicodeSkip}},
      {"bin", {Word::Binary}},
      {"field", {Word::Field}},
      {"fldinst", {Word::FieldInstruction}},
      {"fldrslt", {Word::FieldResult}},
      {"emdash", {Word::Symbol, 0x2014}},
      {"endash", {Word::Symbol, 0x2013}},
      {"bullet", {Word::Symbol, 0x2022}},
      {"lquote", {Word::Symbol, 0x2018}},
      {"rquote", {Word::Symbol, 0x2019}},
      {"ldblquote", {Word::Symbol, 0x201C}},
      {"rdblquote", {Word::Symbol, 0x201D}},
      {"emspace", {Word::Symbol, 0x2003}},
      {"enspace", {Word::Symbol, 0x2002}},
      {"qmspace", {Word::Symbol, 0x2005}},
      {"zwj", {Word::Symbol, 0x200D}},
      {"zwnj", {Word::Symbol, 0x200C}},
      // Destinations whose text is never shown, even when a writer leaves out the \* before them.
      {"pict", {Word::Skipped}},
      {"info", {Word::Skipped}},
      {"stylesheet", {Word::Skipped}},
      {"header", {Word::Skipped}},
      {"headerl", {Word::Skipped}},
      {"headerr", {Word::Skipped}},
      {"headerf", {Word::Skipped}},
      {"footer", {Word::Skipped}},
      {"footerl", {Word::Skipped}},
      {"footerr", {Word::Skipped}},
      {"footerf", {Word::Skipped}},
      {"footnote", {Word::Skipped}},
      {"object", {Word::Skipped}},
      {"themedata", {Word::Skipped}},
      {"colorschememapping", {Word::Skipped}},
      {"latentstyles", {Word::Skipped}},
      {"datastore", {Word::Skipped}},
      {"listtable", {Word::Skipped}},
      {"listoverridetable", {Word::Skipped}},
      {"rsidtbl", {Word::Skipped}},
      {"filetbl", {Word::Skipped}},
      {"revtbl", {Word::Skipped}},
      {"nonshppict", {Word::Skipped}},
      {"shp", {Word::Skipped}},
      {"xmlnstbl", {Word::Skipped}},
      {"generator", {Word::Skipped}},
      {"userprops", {Word::Skipped}},
  };
  return table;
}

}  // namespace

const WordInfo* findWord(std::string_view name) {
  auto it = words().find(name);
  return it == words().end() ? nullptr : &it->second;
}

int codePageOfCharset(int charset) {
  switch (charset) {
    case 77:
      return 10000;
    case 128:
      return 932;
    case 129:
      return 949;
    case 134:
      return 936;
    case 136:
      return 950;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    default:
      return 0;
  }
}

}  // namespace vl::ui::rtf
