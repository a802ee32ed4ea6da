#pragma once

#include <string_view>

namespace vl::ui::rtf {

// The control words the RTF reader acts on; every other word is skipped.
enum class Word {
  Rtf,
  Ansi,
  Mac,
  Pc,
  Pca,
  AnsiCodePage,
  DefaultFont,
  Font,
  FontTable,
  FontCharset,
  FontModern,
  ColorTable,
  Red,
  Green,
  Blue,
  FontSize,
  Bold,
  Italic,
  Strike,
  Underline,
  UnderlineDouble,
  UnderlineThick,
  UnderlineNone,
  Color,
  Background,
  Plain,
  Pard,
  AlignLeft,
  AlignRight,
  AlignCenter,
  AlignJustified,
  SpaceAfter,
  Par,
  Line,
  Tab,
  Cell,
  Row,
  Unicode,
  UnicodeSkip,
  Binary,
  Field,
  FieldInstruction,
  FieldResult,
  Skipped,
  Symbol,
};

struct WordInfo {
  Word word;
  char32_t symbol = 0;
};

// The word and, for a word that stands for a character, that character; nullptr for a word not acted on.
const WordInfo* findWord(std::string_view name);

// The Windows code page a font's character set stands for; 0 when the document's own applies.
int codePageOfCharset(int charset);

}  // namespace vl::ui::rtf
