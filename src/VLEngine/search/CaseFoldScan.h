#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Byte-level tools that let the search decide, without running a regular expression, where a
// case-insensitive ICU pattern made of ASCII literals can and cannot match.
//
// The reasoning they rest on: ICU folds both sides of a case-insensitive literal (full folding for
// strings, simple folding for one character). A non-ASCII character can only take part in a match of
// an ASCII literal when its folding yields ASCII characters; such characters are few (the long s, the
// Kelvin sign, the sharp s, "İ", the Latin ligatures and a handful more) and are listed here from ICU's
// own data. A text free of the ones that concern a query matches it exactly where its bytes do,
// compared with ASCII case folding.
namespace vl {

using AsciiSet = std::bitset<128>;

// True when every byte is below 0x80.
bool isAsciiText(std::string_view text);
// True when the text decodes without a single ill-formed sequence (as the text conversion decodes).
bool isWellFormedUtf8(std::string_view text);

// The first position at or after `from` of a byte U+000A..U+000D, or with `leads` also of 0xC2 or
// 0xE2 (which begin U+0085, U+2028 and U+2029); npos when there is none.
std::size_t findLineBreakByte(std::string_view text, std::size_t from, bool leads);

// ASCII case folding of one byte; other bytes unchanged.
inline unsigned char asciiFold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// An ASCII needle found case-insensitively (ASCII letters only) in byte texts.
class AsciiFoldNeedle {
 public:
  static constexpr std::size_t npos = std::string_view::npos;

  AsciiFoldNeedle() = default;
  // `needle` must be ASCII.
  explicit AsciiFoldNeedle(std::string_view needle);

  bool empty() const { return folded_.empty(); }
  std::size_t size() const { return folded_.size(); }
  const std::string& folded() const { return folded_; }

  // The first start s in [from, to - size()] where the needle occurs, or npos.
  std::size_t find(std::string_view text, std::size_t from = 0, std::size_t to = npos) const;
  // The last such start, or npos.
  std::size_t rfind(std::string_view text, std::size_t from, std::size_t to) const;
  bool matchesAt(const unsigned char* p) const;

 private:
  // The 32-byte scan where the processor has it: the first candidate in [at, to), or npos with `at`
  // where the scan stopped.
  std::size_t findWide(const unsigned char* s, std::size_t& at, std::size_t to) const;

  std::string folded_;
  // 0x20 at letters, so that (byte | mask) == folded byte compares without case; 0 elsewhere.
  std::string orMask_;
};

// The non-ASCII characters whose folding (full or simple) yields an ASCII character.
class FoldSpecials {
 public:
  struct Special {
    char32_t codePoint = 0;
    std::string utf8;
    // The ASCII characters it folds to (either folding).
    AsciiSet ascii;
    // Its full folding with every non-ASCII character written as the byte 0x80.
    std::string scanFold;
    // Its simple folding (what a one-character literal compares).
    char32_t simpleFold = 0;
    // Its bit in TextTraits::specials (several characters share each bit).
    std::uint64_t bit = 0;
  };

  static const FoldSpecials& shared();

  const std::vector<Special>& all() const { return specials_; }
  // nullptr for a character that is not special.
  const Special* find(char32_t codePoint) const;
  // The special character whose bytes begin the text, or nullptr.
  const Special* startingAt(std::string_view text) const;
  // Whether the byte begins a special character or one of the line ends U+0085, U+2028, U+2029.
  bool mayLead(unsigned char byte) const { return leads_[byte]; }
  // How many folded bytes one byte of text can become at most (1 with today's Unicode data).
  std::size_t maxGrowth() const { return maxGrowth_; }
  // A character that only ever matches itself: no case variants, not produced by folding anything.
  bool isIsolated(char32_t codePoint) const;

 private:
  FoldSpecials();
  std::vector<Special> specials_;      // by code point
  std::vector<char32_t> foldTargets_;  // sorted: every character some folding produces
  std::vector<char32_t> changers_;     // sorted: every character that folding changes
  std::array<bool, 256> leads_{};
  std::size_t maxGrowth_ = 1;
  // By lead byte: the specials that begin with it.
  std::array<std::vector<const Special*>, 256> byLead_;
};

// Finds, in a text, any of the special characters that concern a set of ASCII characters.
class SpecialsScanner {
 public:
  SpecialsScanner() = default;
  // Every special character whose folding holds one of the characters.
  explicit SpecialsScanner(const AsciiSet& chars);
  // Only those that can be part of a match of one of the folded literals: a match covers the foldings
  // of whole characters, so a character takes part only when its whole folding lies inside a literal
  // (a one-character literal compares simple foldings). The sharp s ("ss") thus matters to "class"
  // but not to "server".
  static SpecialsScanner forLiterals(const std::vector<std::string>& foldedLiterals);

  bool isEmpty() const { return sequences_.empty(); }
  // False at once for an ASCII text.
  bool containsAny(std::string_view text) const;
  // The TextTraits::specials bits of the characters it looks for: a text whose bits miss them all
  // holds none of them.
  std::uint64_t mask() const { return mask_; }

 private:
  void add(const FoldSpecials::Special& special);

  std::uint64_t mask_ = 0;
  std::vector<std::string> sequences_;
  std::vector<unsigned char> leads_;
  // Per lead byte (same order), the indexes in sequences_ of those that begin with it.
  std::vector<std::vector<std::size_t>> byLead_;
};

// A 256-bit hashed set of the pairs of adjacent ASCII bytes in a text's folding (FoldedText's bytes,
// where a byte that is not ASCII separates pairs). Every occurrence the search can find of an ASCII
// literal, on a text's bytes or on its folding, lies in that folding; so a text whose set lacks one of
// a literal's pairs cannot hold it. Hash collisions only ever add pairs: the test errs on "maybe".
class BigramSet {
 public:
  static constexpr std::size_t kWords = 4;
  static BigramSet ofFolding(std::string_view text);

  // `a` and `b` are folded ASCII bytes.
  void add(unsigned char a, unsigned char b) {
    const std::uint32_t h = ((static_cast<std::uint32_t>(a) << 7 | b) * 2654435761u) >> (32 - kBits);
    bits_[h >> 6] |= std::uint64_t{1} << (h & 63);
  }
  // Every pair of a folded literal.
  void addPairsOf(std::string_view folded);
  bool empty() const {
    std::uint64_t any = 0;
    for (std::uint64_t w : bits_) any |= w;
    return any == 0;
  }
  bool containsAll(const BigramSet& other) const {
    std::uint64_t missing = 0;
    for (std::size_t i = 0; i < bits_.size(); ++i) missing |= other.bits_[i] & ~bits_[i];
    return missing == 0;
  }
  const std::array<std::uint64_t, kWords>& words() const { return bits_; }
  static BigramSet fromWords(const std::array<std::uint64_t, kWords>& words) {
    BigramSet set;
    set.bits_ = words;
    return set;
  }

 private:
  static_assert(kWords == 4 || kWords == 8);
  static constexpr unsigned kBits = kWords == 4 ? 8 : 9;  // log2 of the bits
  std::array<std::uint64_t, kWords> bits_{};
};

// A set of ASCII bytes as two words.
struct AsciiBytes {
  std::uint64_t low = 0, high = 0;
  void add(unsigned char c) {
    if (c < 64) {
      low |= std::uint64_t{1} << c;
    } else if (c < 128) {
      high |= std::uint64_t{1} << (c - 64);
    }
  }
  bool containsAll(const AsciiBytes& other) const { return ((other.low & ~low) | (other.high & ~high)) == 0; }
};

// What a search keeps of a text so as to rule it out, or choose how to match it, without reading it.
struct TextTraits {
  BigramSet bigrams;
  // The bytes of the text's folding that are ASCII: a literal with a byte the set lacks cannot occur.
  AsciiBytes bytes;
  // The bits (FoldSpecials::Special::bit) of the special characters the text holds.
  std::uint64_t specials = 0;
  bool ascii = false;
  bool wellFormed = false;

  static TextTraits of(std::string_view text);
};

// A text's full case folding as bytes, for matching ASCII literals the way ICU's case-insensitive
// string match does: ASCII folded, special characters as their scanFold, the line ends U+0085, U+2028
// and U+2029 as "\n", every byte of any other character (or of an ill-formed sequence) as 0x80.
// An ICU match of a literal is exactly an occurrence here that starts and ends on the folding of whole
// characters (aligned()).
class FoldedText {
 public:
  void assign(std::string_view text);

  const std::string& bytes() const { return bytes_; }
  // Whether [from, to) covers the foldings of whole characters.
  bool aligned(std::size_t from, std::size_t to) const { return isStart(from) && isStart(to); }
  // The byte offset in the text of the character whose folding holds `at` (the text's end for the end).
  std::size_t textOffset(std::size_t at) const { return origin_[at]; }

 private:
  bool isStart(std::size_t at) const {
    return at == 0 || at >= bytes_.size() || origin_[at] != origin_[at - 1];
  }

  std::string bytes_;
  std::vector<std::uint32_t> origin_;  // one per byte, and one for the end
};

// A place in a text, in bytes and in UTF-16 units.
struct TextPosition {
  std::uint32_t byte = 0;
  std::uint32_t unit = 0;
  bool operator==(const TextPosition&) const = default;
};

// Turns increasing byte offsets that fall on character boundaries into UTF-16 indexes, counting
// ill-formed bytes the way the text conversion for ICU does.
// `wellFormed` says the text is well-formed UTF-8 (isWellFormedUtf8), which lets the units be counted
// without decoding.
class Utf16Cursor {
 public:
  Utf16Cursor(std::string_view text, bool ascii, bool wellFormed = false)
      : text_(text), ascii_(ascii), wellFormed_(wellFormed) {}
  std::size_t indexOf(std::size_t byteOffset);
  // Counts on from a known place (a character boundary) instead of the text's start.
  void startAt(TextPosition position) {
    byte_ = position.byte;
    units_ = position.unit;
  }

 private:
  std::string_view text_;
  bool ascii_;
  bool wellFormed_;
  std::size_t byte_ = 0;
  std::size_t units_ = 0;
};

}  // namespace vl
