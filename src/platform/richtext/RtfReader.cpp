#include "platform/richtext/RtfReader.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "platform/richtext/RichTextBuilder.h"
#include "platform/richtext/RtfControlWords.h"

namespace vl::ui {

namespace {

using rtf::Word;

// Where the characters of a group go.
enum class Destination : std::uint8_t { Text, FontTable, ColorTable, FieldInstruction, Skip };

struct GroupState {
  Destination destination = Destination::Text;
  bool bold = false;
  bool italic = false;
  bool strike = false;
  bool inLink = false;  // inside a hyperlink field's shown result
  UnderlineStyle underline = UnderlineStyle::None;
  int font = -1;  // -1: the document's default font
  int halfPoints = 24;
  int color = 0;
  int background = 0;
  int alignment = -1;
  int spaceAfterTwips = 0;
  int fallbackCount = 1;  // characters after \uN that stand in for it
};

struct FontEntry {
  std::string name;
  int charset = -1;
  bool fixedPitch = false;
};

constexpr std::int64_t kMaxNumber = 0x7FFFFFFF;
constexpr std::size_t kMaxWordLetters = 32;
constexpr std::size_t kMaxNameBytes = 256;
constexpr std::size_t kMaxFieldInstructionBytes = 4096;
constexpr std::size_t kMaxColors = 4096;
constexpr std::size_t kMaxFonts = 4096;

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The URL of a field instruction such as `HYPERLINK "https://example.org/"`; "" for other fields.
std::string hyperlinkTarget(std::string_view instruction) {
  std::string trimmed = trimWhitespace(instruction);
  std::string_view s = trimmed;
  constexpr std::string_view kHyperlink = "HYPERLINK";
  if (s.size() < kHyperlink.size() || uppercase(s.substr(0, kHyperlink.size())) != kHyperlink) return "";
  s.remove_prefix(kHyperlink.size());
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  if (s.empty()) return "";
  if (s.front() == '"') {
    s.remove_prefix(1);
    return std::string(s.substr(0, s.find('"')));
  }
  return std::string(s.substr(0, s.find(' ')));
}

class Parser {
 public:
  Parser(std::string_view in, const Font& baseFont)
      : in_(in), baseFont_(baseFont), out_(RtfReader::kMaxInputBytes * 2) {}
  ~Parser() {
    for (auto& [page, converter] : converters_) {
      if (converter) ucnv_close(converter);
    }
  }
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;

  AttributedString run() {
    while (pos_ < in_.size()) {
      char c = in_[pos_];
      if (c == '{') {
        ++pos_;
        beginGroup();
      } else if (c == '}') {
        ++pos_;
        endGroup();
      } else if (c == '\\') {
        ++pos_;
        control();
      } else {
        ++pos_;
        if (c != '\r' && c != '\n') textByte(static_cast<unsigned char>(c));
      }
    }
    flushBytes();
    flushSurrogate();
    return out_.finish();
  }

 private:
  void beginGroup() {
    flushBytes();
    fallbackLeft_ = 0;
    ignorable_ = false;
    if (stack_.size() >= RtfReader::kMaxDepth) {
      if (flatDepth_++ == 0 && !depthLogged_) {
        depthLogged_ = true;
        logWarningf("rtf: groups deeper than %zu read as flat text", RtfReader::kMaxDepth);
      }
      return;
    }
    stack_.push_back(state_);
  }

  void endGroup() {
    flushBytes();
    fallbackLeft_ = 0;
    ignorable_ = false;
    if (flatDepth_ > 0) {
      --flatDepth_;
      return;
    }
    // A close brace with no group open is a writer's slip; the text after it still counts.
    if (stack_.empty()) return;
    if (state_.destination == Destination::FieldInstruction &&
        stack_.back().destination != Destination::FieldInstruction) {
      link_ = hyperlinkTarget(fieldInstruction_);
      fieldInstruction_.clear();
    }
    if (state_.destination == Destination::ColorTable &&
        stack_.back().destination != Destination::ColorTable && colorSet_) {
      addColor();
    }
    state_ = stack_.back();
    stack_.pop_back();
    dirty_ = true;
  }

  void control() {
    if (pos_ >= in_.size()) return;
    char c = in_[pos_];
    if (!isLetter(c)) {
      ++pos_;
      controlSymbol(c);
      return;
    }
    std::size_t start = pos_;
    while (pos_ < in_.size() && isLetter(in_[pos_])) ++pos_;
    std::string_view name = in_.substr(start, std::min(pos_ - start, kMaxWordLetters + 1));
    bool hasNumber = false;
    bool negative = false;
    std::int64_t number = 0;
    if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() && in_[pos_ + 1] >= '0' &&
        in_[pos_ + 1] <= '9') {
      negative = true;
      ++pos_;
    }
    while (pos_ < in_.size() && in_[pos_] >= '0' && in_[pos_] <= '9') {
      hasNumber = true;
      number = std::min(kMaxNumber, number * 10 + (in_[pos_] - '0'));
      ++pos_;
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    int value = static_cast<int>(negative ? -number : number);
    word(name, hasNumber, value);
  }

  void controlSymbol(char c) {
    if (c == '\'') {
      int hi = pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
      int lo = pos_ + 1 < in_.size() ? hexValue(in_[pos_ + 1]) : -1;
      if (hi < 0 || lo < 0) return;
      pos_ += 2;
      if (fallbackLeft_ > 0) {
        --fallbackLeft_;
        return;
      }
      codePageByte(static_cast<unsigned char>(hi * 16 + lo));
      return;
    }
    if (c == '\\' || c == '{' || c == '}') {
      textByte(static_cast<unsigned char>(c));
      return;
    }
    flushBytes();
    if (fallbackLeft_ > 0) {
      --fallbackLeft_;
      return;
    }
    switch (c) {
      case '*':
        ignorable_ = true;
        break;
      case '~':
        emit(0xA0);
        break;
      case '_':
        emit(0x2011);
        break;
      case '\n':
      case '\r':
        emit('\n');
        break;
      default:
        break;
    }
  }

  void word(std::string_view name, bool hasNumber, int value) {
    flushBytes();
    const rtf::WordInfo* info = name.size() <= kMaxWordLetters ? rtf::findWord(name) : nullptr;
    if (info && info->word == Word::Binary) {
      // Binary data is skipped whatever the state, so its bytes are never read as words.
      std::size_t n = hasNumber && value > 0 ? static_cast<std::size_t>(value) : 0;
      pos_ += std::min(n, in_.size() - pos_);
      return;
    }
    if (fallbackLeft_ > 0) {
      --fallbackLeft_;
      return;
    }
    const bool ignorable = std::exchange(ignorable_, false);
    if (!info) {
      if (ignorable) state_.destination = Destination::Skip;
      return;
    }
    const Word w = info->word;
    if (ignorable && w != Word::FieldInstruction) {
      state_.destination = Destination::Skip;
      return;
    }
    if (state_.destination == Destination::Skip) return;
    if (tableWord(w, value)) return;
    if (characterWord(w, hasNumber, value)) return;
    contentWord(*info, value);
  }

  // The code page, the font and colour tables.
  bool tableWord(Word w, int value) {
    switch (w) {
      case Word::Ansi:
        codePage_ = 1252;
        break;
      case Word::Mac:
        codePage_ = 10000;
        break;
      case Word::Pc:
        codePage_ = 437;
        break;
      case Word::Pca:
        codePage_ = 850;
        break;
      case Word::AnsiCodePage:
        if (value > 0 && value < 65536) codePage_ = value;
        break;
      case Word::DefaultFont:
        defaultFont_ = value;
        break;
      case Word::Font:
        if (state_.destination == Destination::FontTable) {
          fontEntry_ = value;
          if (fonts_.size() < kMaxFonts) fonts_[value];
        } else {
          state_.font = value;
          dirty_ = true;
        }
        break;
      case Word::FontTable:
        state_.destination = Destination::FontTable;
        break;
      case Word::FontCharset:
        if (auto f = fonts_.find(fontEntry_); f != fonts_.end()) f->second.charset = value;
        break;
      case Word::FontModern:
        if (auto f = fonts_.find(fontEntry_); f != fonts_.end()) f->second.fixedPitch = true;
        break;
      case Word::ColorTable:
        state_.destination = Destination::ColorTable;
        break;
      case Word::Red:
      case Word::Green:
      case Word::Blue: {
        int& component = w == Word::Red ? red_ : w == Word::Green ? green_ : blue_;
        component = std::clamp(value, 0, 255);
        colorSet_ = true;
        break;
      }
      default:
        return false;
    }
    return true;
  }

  // The look of the characters and paragraphs that follow.
  bool characterWord(Word w, bool hasNumber, int value) {
    const bool on = !hasNumber || value != 0;
    switch (w) {
      case Word::FontSize:
        // Sizes run from half a point to a thousand points: beyond that no text is readable.
        state_.halfPoints = hasNumber ? std::clamp(value, 1, 2000) : 24;
        dirty_ = true;
        break;
      case Word::Bold:
        state_.bold = on;
        dirty_ = true;
        break;
      case Word::Italic:
        state_.italic = on;
        dirty_ = true;
        break;
      case Word::Strike:
        state_.strike = on;
        dirty_ = true;
        break;
      case Word::Underline:
        state_.underline = on ? UnderlineStyle::Single : UnderlineStyle::None;
        dirty_ = true;
        break;
      case Word::UnderlineDouble:
        state_.underline = on ? UnderlineStyle::Double : UnderlineStyle::None;
        dirty_ = true;
        break;
      case Word::UnderlineThick:
        state_.underline = on ? UnderlineStyle::Thick : UnderlineStyle::None;
        dirty_ = true;
        break;
      case Word::UnderlineNone:
        state_.underline = UnderlineStyle::None;
        dirty_ = true;
        break;
      case Word::Color:
        state_.color = value;
        dirty_ = true;
        break;
      case Word::Background:
        state_.background = value;
        dirty_ = true;
        break;
      case Word::Plain: {
        GroupState plain;
        plain.destination = state_.destination;
        plain.inLink = state_.inLink;
        plain.alignment = state_.alignment;
        plain.spaceAfterTwips = state_.spaceAfterTwips;
        plain.fallbackCount = state_.fallbackCount;
        state_ = plain;
        dirty_ = true;
        break;
      }
      case Word::Pard:
        state_.alignment = -1;
        state_.spaceAfterTwips = 0;
        dirty_ = true;
        break;
      case Word::AlignLeft:
      case Word::AlignRight:
      case Word::AlignCenter:
      case Word::AlignJustified:
        state_.alignment = static_cast<int>(w == Word::AlignLeft     ? TextAlignment::Left
                                            : w == Word::AlignRight  ? TextAlignment::Right
                                            : w == Word::AlignCenter ? TextAlignment::Center
                                                                     : TextAlignment::Justified);
        dirty_ = true;
        break;
      case Word::SpaceAfter:
        state_.spaceAfterTwips = std::clamp(value, 0, 20000);
        dirty_ = true;
        break;
      default:
        return false;
    }
    return true;
  }

  // Characters written as words, and the destinations of fields and skipped groups.
  void contentWord(const rtf::WordInfo& info, int value) {
    switch (info.word) {
      case Word::Par:
      case Word::Line:
      case Word::Row:
        emit('\n');
        break;
      case Word::Tab:
      case Word::Cell:
        emit('\t');
        break;
      case Word::Symbol:
        emit(info.symbol);
        break;
      case Word::Unicode:
        // Values past 32767 are written as negative numbers.
        emitUnit(static_cast<char16_t>(value < 0 ? value + 65536 : value));
        fallbackLeft_ = state_.fallbackCount;
        break;
      case Word::UnicodeSkip:
        state_.fallbackCount = std::clamp(value, 0, 16);
        break;
      case Word::Field:
        link_.clear();
        break;
      case Word::FieldInstruction:
        state_.destination = Destination::FieldInstruction;
        break;
      case Word::FieldResult:
        state_.inLink = !link_.empty();
        dirty_ = true;
        break;
      case Word::Skipped:
        state_.destination = Destination::Skip;
        break;
      default:
        break;
    }
  }

  void textByte(unsigned char c) {
    if (fallbackLeft_ > 0) {
      --fallbackLeft_;
      return;
    }
    switch (state_.destination) {
      case Destination::Skip:
        return;
      case Destination::FontTable:
        if (c == ';') {
          if (auto f = fonts_.find(fontEntry_); f != fonts_.end()) f->second.name = trimWhitespace(fontName_);
          fontName_.clear();
        } else if (c >= 0x20 && c < 0x7F && fontName_.size() < kMaxNameBytes) {
          fontName_ += static_cast<char>(c);
        }
        return;
      case Destination::ColorTable:
        if (c == ';') addColor();
        return;
      case Destination::FieldInstruction:
        if (c >= 0x20 && c < 0x7F && fieldInstruction_.size() < kMaxFieldInstructionBytes) {
          fieldInstruction_ += static_cast<char>(c);
        }
        return;
      case Destination::Text:
        break;
    }
    if (c >= 0x80) {
      codePageByte(c);
      return;
    }
    flushBytes();
    if (c == '\t' || c >= 0x20) emit(c);
  }

  void addColor() {
    if (colors_.size() < kMaxColors) {
      colors_.push_back(
          colorSet_ ? std::optional<Color>(Color::rgba(red_ / 255.0, green_ / 255.0, blue_ / 255.0, 1))
                    : std::nullopt);
    }
    red_ = green_ = blue_ = 0;
    colorSet_ = false;
  }

  int currentCodePage() const {
    auto f = fonts_.find(state_.font >= 0 ? state_.font : defaultFont_);
    int page = f != fonts_.end() ? rtf::codePageOfCharset(f->second.charset) : 0;
    return page ? page : codePage_;
  }

  // Bytes in a code page gather until something else comes, so a two-byte character split over two \'hh
  // escapes decodes as one.
  void codePageByte(unsigned char b) {
    if (state_.destination != Destination::Text) return;
    int page = currentCodePage();
    if (!bytes_.empty() && page != bytesPage_) flushBytes();
    bytesPage_ = page;
    bytes_ += static_cast<char>(b);
  }

  UConverter* converter(int page) {
    auto it = converters_.find(page);
    if (it != converters_.end()) return it->second;
    std::string name = (page == 437 || page == 850 ? "ibm-" : "windows-") + std::to_string(page);
    UErrorCode status = U_ZERO_ERROR;
    UConverter* c = ucnv_open(name.c_str(), &status);
    if (U_FAILURE(status)) {
      logWarningf("rtf: unknown code page %d, read as 1252", page);
      c = page == 1252 ? nullptr : converter(1252);
      converters_[page] = nullptr;
      return c;
    }
    converters_[page] = c;
    return c;
  }

  void flushBytes() {
    if (bytes_.empty()) return;
    UConverter* c = converter(bytesPage_);
    if (!c && bytesPage_ != 1252) c = converter(1252);
    std::u16string units(bytes_.size() * 2 + 2, u'\0');
    int32_t n = 0;
    if (c) {
      UErrorCode status = U_ZERO_ERROR;
      ucnv_reset(c);
      n = ucnv_toUChars(c, units.data(), static_cast<int32_t>(units.size()), bytes_.data(),
                        static_cast<int32_t>(bytes_.size()), &status);
      if (U_FAILURE(status)) n = 0;
    }
    bytes_.clear();
    if (n == 0) {
      emit(0xFFFD);
      return;
    }
    units.resize(static_cast<std::size_t>(n));
    for (char16_t u : units) emitUnit(u == 0x1A ? u'\uFFFD' : u);
  }

  void emitUnit(char16_t u) {
    if (u >= 0xD800 && u <= 0xDBFF) {
      flushSurrogate();
      highSurrogate_ = u;
      return;
    }
    if (u >= 0xDC00 && u <= 0xDFFF) {
      if (highSurrogate_) {
        char32_t c = 0x10000 + ((static_cast<char32_t>(highSurrogate_) - 0xD800) << 10) + (u - 0xDC00);
        highSurrogate_ = 0;
        emit(c);
      } else {
        emit(0xFFFD);
      }
      return;
    }
    emit(u);
  }

  void flushSurrogate() {
    if (!highSurrogate_) return;
    highSurrogate_ = 0;
    put(0xFFFD);
  }

  void emit(char32_t c) {
    // Control characters (a \u0 among them) would only reach the painter as stray bytes.
    if (state_.destination != Destination::Text || (c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) return;
    flushSurrogate();
    put(c);
  }

  void put(char32_t c) {
    if (dirty_) {
      out_.setAttributes(attributes());
      dirty_ = false;
    }
    out_.appendCodePoint(c);
  }

  TextAttributes attributes() const {
    TextAttributes a;
    auto f = fonts_.find(state_.font >= 0 ? state_.font : defaultFont_);
    std::string family = baseFont_.family();
    if (f != fonts_.end() && !f->second.name.empty()) {
      family = f->second.name;
    } else if (f != fonts_.end() && f->second.fixedPitch) {
      family = Font::kMonospaceFamily;
    }
    a.font = Font(family, state_.halfPoints / 2.0, state_.bold ? Font::WeightBold : Font::WeightRegular)
                 .withItalic(state_.italic);
    auto color = [&](int index) -> std::optional<Color> {
      return index > 0 && static_cast<std::size_t>(index) < colors_.size() ? colors_[index] : std::nullopt;
    };
    a.foregroundColor = color(state_.color);
    a.backgroundColor = color(state_.background);
    if (state_.underline != UnderlineStyle::None) a.underlineStyle = state_.underline;
    if (state_.strike) a.strikethroughStyle = UnderlineStyle::Single;
    if (state_.inLink && !link_.empty()) a.link = link_;
    if (state_.alignment >= 0) a.alignment = static_cast<TextAlignment>(state_.alignment);
    if (state_.spaceAfterTwips > 0) a.paragraphSpacing = state_.spaceAfterTwips / 20.0;
    return a;
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  Font baseFont_;
  RichTextBuilder out_;
  GroupState state_;
  std::vector<GroupState> stack_;
  std::size_t flatDepth_ = 0;
  bool depthLogged_ = false;
  bool ignorable_ = false;
  bool dirty_ = true;
  int fallbackLeft_ = 0;
  char16_t highSurrogate_ = 0;
  int codePage_ = 1252;
  int defaultFont_ = 0;
  std::map<int, FontEntry> fonts_;
  int fontEntry_ = -1;
  std::string fontName_;
  std::vector<std::optional<Color>> colors_;
  int red_ = 0, green_ = 0, blue_ = 0;
  bool colorSet_ = false;
  std::string fieldInstruction_;
  std::string link_;
  std::string bytes_;
  int bytesPage_ = 1252;
  std::map<int, UConverter*> converters_;
};

}  // namespace

std::optional<AttributedString> RtfReader::read(std::string_view rtf, const Font& baseFont) {
  if (rtf.size() > kMaxInputBytes) {
    logWarningf("rtf: %zu bytes is more than the %zu read; showing the plain text", rtf.size(),
                kMaxInputBytes);
    return std::nullopt;
  }
  std::size_t start = 0;
  if (startsWith(rtf, "\xEF\xBB\xBF")) start = 3;
  while (start < rtf.size() &&
         (rtf[start] == ' ' || rtf[start] == '\t' || rtf[start] == '\r' || rtf[start] == '\n')) {
    ++start;
  }
  if (!startsWith(rtf.substr(start), "{\\rtf")) {
    logWarning("rtf: data does not start a document; showing the plain text");
    return std::nullopt;
  }
  return Parser(rtf.substr(start), baseFont).run();
}

}  // namespace vl::ui
