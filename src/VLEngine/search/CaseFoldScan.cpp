#include "VLEngine/search/CaseFoldScan.h"

#include <unicode/uchar.h>
#include <unicode/uniset.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstring>

#include "platform/foundation/Text.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vl {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

std::string utf8Of(char32_t cp) {
  icu::UnicodeString s(static_cast<UChar32>(cp));
  return fromUnicodeString(s);
}

// The character at `i` of the bytes before `to`, decoded as the text conversion decodes: its length
// in bytes, or with `whole` false the length of the maximal ill-formed subpart it begins.
inline std::size_t sequenceAt(const unsigned char* s, std::size_t i, std::size_t to, bool& whole) {
  const unsigned char lead = s[i];
  std::size_t need = 0;
  unsigned char lo = 0x80, hi = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  }
  whole = lead < 0x80 || need > 0;
  std::size_t k = 1;
  for (; k <= need && i + k < to; ++k) {
    const unsigned char b = s[i + k];
    if (b < lo || b > hi) break;
    lo = 0x80;
    hi = 0xBF;
  }
  if (k <= need) whole = false;
  return whole ? need + 1 : k;
}

// The UTF-16 units of the bytes [from, to), as utf16Length counts that stretch: a well-formed character
// gives one unit (two above U+FFFF), an ill-formed sequence one unit per maximal subpart.
std::size_t utf16UnitsOf(const unsigned char* s, std::size_t from, std::size_t to) {
  std::size_t units = 0;
  for (std::size_t i = from; i < to;) {
    bool whole = false;
    const std::size_t bytes = sequenceAt(s, i, to, whole);
    units += (whole && bytes == 4) ? 2 : 1;
    i += bytes;
  }
  return units;
}

// How many bytes of a word have their high bit set, for a word with no other bits.
inline std::size_t countHighBits(std::uint64_t highBits) {
  return static_cast<std::size_t>(((highBits >> 7) * 0x0101010101010101ULL) >> 56);
}

#if defined(__x86_64__)
// Thirty-two bytes at a time: continuation bytes are the signed bytes below -64 (0x80..0xBF), four-byte
// leads the signed bytes above -17 that are negative (0xF0..0xFF).
__attribute__((target("avx2,popcnt"))) std::size_t wideUnitsDelta(const unsigned char* s, std::size_t& i,
                                                                  std::size_t to, std::size_t units) {
  const __m256i belowLead = _mm256_set1_epi8(-64);
  const __m256i aboveThree = _mm256_set1_epi8(-17);
  const __m256i zero = _mm256_setzero_si256();
  for (; i + 32 <= to; i += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const auto continuations = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpgt_epi8(belowLead, v)));
    const auto fourByteLeads = static_cast<unsigned>(
        _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpgt_epi8(v, aboveThree), _mm256_cmpgt_epi8(zero, v))));
    units -= static_cast<std::size_t>(__builtin_popcount(continuations));
    units += static_cast<std::size_t>(__builtin_popcount(fourByteLeads));
  }
  return units;
}
#endif

// The same for well-formed UTF-8 between two character boundaries: a unit per byte that does not
// continue a character, and another for each four-byte character.
std::size_t wellFormedUtf16UnitsOf(const unsigned char* s, std::size_t from, std::size_t to) {
  std::size_t units = to - from;
  std::size_t i = from;
#if defined(__x86_64__)
  static const bool wide = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
  if (wide) units = wideUnitsDelta(s, i, to, units);
#endif
  for (; i + 8 <= to; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s + i, 8);
    const std::uint64_t continuations = w & ~(w << 1) & kHighBits;                       // 10xxxxxx
    const std::uint64_t fourByteLeads = w & (w << 1) & (w << 2) & (w << 3) & kHighBits;  // 1111xxxx
    units -= countHighBits(continuations);
    units += countHighBits(fourByteLeads);
  }
  for (; i < to; ++i) {
    units -= (s[i] & 0xC0) == 0x80 ? 1 : 0;
    units += s[i] >= 0xF0 ? 1 : 0;
  }
  return units;
}

inline bool isAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

bool isAsciiText(std::string_view text) {
  const char* p = text.data();
  std::size_t n = text.size();
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    std::uint64_t a, b, c, d;
    std::memcpy(&a, p + i, 8);
    std::memcpy(&b, p + i + 8, 8);
    std::memcpy(&c, p + i + 16, 8);
    std::memcpy(&d, p + i + 24, 8);
    if ((a | b | c | d) & kHighBits) return false;
  }
  for (; i + 8 <= n; i += 8) {
    std::uint64_t a;
    std::memcpy(&a, p + i, 8);
    if (a & kHighBits) return false;
  }
  for (; i < n; ++i) {
    if (static_cast<unsigned char>(p[i]) >= 0x80) return false;
  }
  return true;
}

std::size_t findLineBreakByte(std::string_view text, std::size_t from, bool leads) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  auto isBreak = [leads](unsigned char c) {
    return (c >= 0x0A && c <= 0x0D) || (leads && (c == 0xC2 || c == 0xE2));
  };
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i base = _mm_set1_epi8(0x0A);
  const __m128i three = _mm_set1_epi8(3);
  const __m128i c2 = _mm_set1_epi8(static_cast<char>(0xC2));
  const __m128i e2 = _mm_set1_epi8(static_cast<char>(0xE2));
  for (; i + 16 <= n; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i shifted = _mm_sub_epi8(v, base);
    // Unsigned shifted <= 3: the four line-end bytes.
    __m128i hit = _mm_cmpeq_epi8(_mm_min_epu8(shifted, three), shifted);
    if (leads) hit = _mm_or_si128(hit, _mm_or_si128(_mm_cmpeq_epi8(v, c2), _mm_cmpeq_epi8(v, e2)));
    if (unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(hit)))
      return i + static_cast<unsigned>(__builtin_ctz(bits));
  }
#endif
  for (; i < n; ++i) {
    if (isBreak(s[i])) return i;
  }
  return std::string_view::npos;
}

// ---- AsciiFoldNeedle ----

AsciiFoldNeedle::AsciiFoldNeedle(std::string_view needle) {
  folded_.reserve(needle.size());
  orMask_.reserve(needle.size());
  for (char ch : needle) {
    auto c = static_cast<unsigned char>(ch);
    folded_.push_back(static_cast<char>(asciiFold(c)));
    orMask_.push_back(static_cast<char>(isAsciiLetter(c) ? 0x20 : 0));
  }
}

bool AsciiFoldNeedle::matchesAt(const unsigned char* p) const {
  const auto* f = reinterpret_cast<const unsigned char*>(folded_.data());
  const auto* m = reinterpret_cast<const unsigned char*>(orMask_.data());
  for (std::size_t k = 0, n = folded_.size(); k < n; ++k) {
    if ((p[k] | m[k]) != f[k]) return false;
  }
  return true;
}

std::size_t AsciiFoldNeedle::find(std::string_view text, std::size_t from, std::size_t to) const {
  const std::size_t m = folded_.size();
  if (to > text.size()) to = text.size();
  if (m == 0) return from <= to ? from : npos;
  if (from >= to || to - from < m) return npos;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t i = from;
#if defined(__x86_64__)
  static const bool wide = __builtin_cpu_supports("avx2");
  if (wide) {
    const std::size_t found = findWide(s, i, to);
    if (found != npos) return found;
  }
#endif
#if defined(__SSE2__)
  // Candidates are positions whose first and last bytes fit; the bytes between are checked after.
  const __m128i first = _mm_set1_epi8(folded_[0]);
  const __m128i firstMask = _mm_set1_epi8(orMask_[0]);
  const __m128i last = _mm_set1_epi8(folded_[m - 1]);
  const __m128i lastMask = _mm_set1_epi8(orMask_[m - 1]);
  for (; i + m - 1 + 16 <= to; i += 16) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + m - 1));
    __m128i eq = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, firstMask), first),
                               _mm_cmpeq_epi8(_mm_or_si128(b, lastMask), last));
    unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(eq));
    while (bits) {
      unsigned k = static_cast<unsigned>(__builtin_ctz(bits));
      if (m <= 2 || matchesAt(s + i + k)) return i + k;
      bits &= bits - 1;
    }
  }
#endif
  for (; i + m <= to; ++i) {
    if (matchesAt(s + i)) return i;
  }
  return npos;
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) std::size_t AsciiFoldNeedle::findWide(const unsigned char* s, std::size_t& at,
                                                                      std::size_t to) const {
  const std::size_t m = folded_.size();
  const __m256i first = _mm256_set1_epi8(folded_[0]);
  const __m256i firstMask = _mm256_set1_epi8(orMask_[0]);
  const __m256i last = _mm256_set1_epi8(folded_[m - 1]);
  const __m256i lastMask = _mm256_set1_epi8(orMask_[m - 1]);
  for (; at + m - 1 + 32 <= to; at += 32) {
    __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + at));
    __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + at + m - 1));
    __m256i eq = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(a, firstMask), first),
                                  _mm256_cmpeq_epi8(_mm256_or_si256(b, lastMask), last));
    auto bits = static_cast<unsigned>(_mm256_movemask_epi8(eq));
    while (bits) {
      const auto k = static_cast<unsigned>(__builtin_ctz(bits));
      if (m <= 2 || matchesAt(s + at + k)) return at + k;
      bits &= bits - 1;
    }
  }
  return npos;
}
#else
std::size_t AsciiFoldNeedle::findWide(const unsigned char*, std::size_t&, std::size_t) const { return npos; }
#endif

std::size_t AsciiFoldNeedle::rfind(std::string_view text, std::size_t from, std::size_t to) const {
  const std::size_t m = folded_.size();
  if (to > text.size()) to = text.size();
  if (from > to || to - from < m) return npos;
  if (m == 0) return to;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char f0 = static_cast<unsigned char>(folded_[0]);
  const unsigned char m0 = static_cast<unsigned char>(orMask_[0]);
  for (std::size_t i = to - m + 1; i-- > from;) {
    if ((s[i] | m0) == f0 && matchesAt(s + i)) return i;
  }
  return npos;
}

// ---- FoldSpecials ----

const FoldSpecials& FoldSpecials::shared() {
  static const FoldSpecials* specials = new FoldSpecials();
  return *specials;
}

FoldSpecials::FoldSpecials() {
  // Characters that any case operation touches; everything else folds to itself. (The property
  // Changes_When_Casefolded alone would miss characters such as U+0390, whose folding equals their
  // decomposition.)
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeSet candidates;
  for (UProperty property : {UCHAR_CASED, UCHAR_CHANGES_WHEN_CASEFOLDED, UCHAR_CHANGES_WHEN_CASEMAPPED}) {
    icu::UnicodeSet set;
    set.applyIntPropertyValue(property, 1, status);
    candidates.addAll(set);
  }
  for (UChar32 cp = 0; cp <= 0x10FFFF; ++cp) {
    if (u_foldCase(cp, U_FOLD_CASE_DEFAULT) != cp) candidates.add(cp);
  }
  std::vector<char32_t> targets;
  for (int32_t r = 0; r < candidates.getRangeCount(); ++r) {
    for (UChar32 cp = candidates.getRangeStart(r); cp <= candidates.getRangeEnd(r); ++cp) {
      UChar in[2];
      int32_t inLength = 0;
      U16_APPEND_UNSAFE(in, inLength, cp);
      UChar out[8];
      UErrorCode foldStatus = U_ZERO_ERROR;
      int32_t outLength = u_strFoldCase(out, 8, in, inLength, U_FOLD_CASE_DEFAULT, &foldStatus);
      const UChar32 simple = u_foldCase(cp, U_FOLD_CASE_DEFAULT);
      std::vector<UChar32> full;
      if (U_SUCCESS(foldStatus)) {
        for (int32_t i = 0; i < outLength;) {
          UChar32 c;
          U16_NEXT(out, i, outLength, c);
          full.push_back(c);
        }
      }
      const bool changed = simple != cp || full.size() != 1 || full[0] != cp;
      if (!changed) continue;
      changers_.push_back(static_cast<char32_t>(cp));
      targets.push_back(static_cast<char32_t>(simple));
      for (UChar32 c : full) targets.push_back(static_cast<char32_t>(c));
      if (cp < 0x80) continue;
      Special special;
      special.codePoint = static_cast<char32_t>(cp);
      special.simpleFold = static_cast<char32_t>(simple);
      if (simple < 0x80) special.ascii.set(static_cast<std::size_t>(simple));
      for (UChar32 c : full) {
        if (c < 0x80) {
          special.ascii.set(static_cast<std::size_t>(c));
          special.scanFold.push_back(static_cast<char>(c));
        } else {
          special.scanFold.push_back('\x80');
        }
      }
      if (special.ascii.none()) continue;
      special.utf8 = utf8Of(special.codePoint);
      specials_.push_back(std::move(special));
    }
  }
  std::sort(targets.begin(), targets.end());
  targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
  foldTargets_ = std::move(targets);
  std::sort(changers_.begin(), changers_.end());
  std::sort(specials_.begin(), specials_.end(),
            [](const Special& a, const Special& b) { return a.codePoint < b.codePoint; });
  leads_.fill(false);
  leads_[0xC2] = leads_[0xE2] = true;  // U+0085, U+2028, U+2029
  for (std::size_t i = 0; i < specials_.size(); ++i) specials_[i].bit = std::uint64_t{1} << (i % 64);
  for (const auto& special : specials_) {
    maxGrowth_ =
        std::max(maxGrowth_, (special.scanFold.size() + special.utf8.size() - 1) / special.utf8.size());
    leads_[static_cast<unsigned char>(special.utf8[0])] = true;
    byLead_[static_cast<unsigned char>(special.utf8[0])].push_back(&special);
  }
}

const FoldSpecials::Special* FoldSpecials::find(char32_t codePoint) const {
  auto it = std::lower_bound(specials_.begin(), specials_.end(), codePoint,
                             [](const Special& s, char32_t cp) { return s.codePoint < cp; });
  return (it != specials_.end() && it->codePoint == codePoint) ? &*it : nullptr;
}

const FoldSpecials::Special* FoldSpecials::startingAt(std::string_view text) const {
  if (text.empty()) return nullptr;
  for (const Special* special : byLead_[static_cast<unsigned char>(text[0])]) {
    const std::string& seq = special->utf8;
    if (text.size() < seq.size()) continue;
    std::size_t k = 1;
    while (k < seq.size() && text[k] == seq[k]) ++k;
    if (k == seq.size()) return special;
  }
  return nullptr;
}

bool FoldSpecials::isIsolated(char32_t codePoint) const {
  return !std::binary_search(changers_.begin(), changers_.end(), codePoint) &&
         !std::binary_search(foldTargets_.begin(), foldTargets_.end(), codePoint);
}

// ---- SpecialsScanner ----

SpecialsScanner::SpecialsScanner(const AsciiSet& chars) {
  for (const auto& special : FoldSpecials::shared().all()) {
    if ((special.ascii & chars).any()) add(special);
  }
}

SpecialsScanner SpecialsScanner::forLiterals(const std::vector<std::string>& foldedLiterals) {
  SpecialsScanner scanner;
  for (const auto& special : FoldSpecials::shared().all()) {
    for (const auto& literal : foldedLiterals) {
      const bool single = literal.size() == 1 && special.simpleFold == static_cast<unsigned char>(literal[0]);
      if (single || (!literal.empty() && literal.find(special.scanFold) != std::string::npos)) {
        scanner.add(special);
        break;
      }
    }
  }
  return scanner;
}

void SpecialsScanner::add(const FoldSpecials::Special& special) {
  mask_ |= special.bit;
  const auto lead = static_cast<unsigned char>(special.utf8[0]);
  auto at = std::find(leads_.begin(), leads_.end(), lead);
  if (at == leads_.end()) {
    leads_.push_back(lead);
    byLead_.emplace_back();
    at = leads_.end() - 1;
  }
  byLead_[static_cast<std::size_t>(at - leads_.begin())].push_back(sequences_.size());
  sequences_.push_back(special.utf8);
}

bool SpecialsScanner::containsAny(std::string_view text) const {
  if (sequences_.empty() || isAsciiText(text)) return false;
  const char* data = text.data();
  const std::size_t n = text.size();
  // The lead bytes are few and mostly rare; the library's memchr is the fastest way to their places.
  for (std::size_t l = 0; l < leads_.size(); ++l) {
    const unsigned char lead = leads_[l];
    for (const void* p = std::memchr(data, lead, n); p;) {
      const auto at = static_cast<std::size_t>(static_cast<const char*>(p) - data);
      for (std::size_t index : byLead_[l]) {
        const std::string& seq = sequences_[index];
        std::size_t k = 1;
        while (k < seq.size() && at + k < n && data[at + k] == seq[k]) ++k;
        if (k == seq.size()) return true;
      }
      p = at + 1 < n ? std::memchr(data + at + 1, lead, n - at - 1) : nullptr;
    }
  }
  return false;
}

// ---- FoldedText ----

void FoldedText::assign(std::string_view text) {
  const FoldSpecials& specials = FoldSpecials::shared();
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = std::min<std::size_t>(text.size(), UINT32_MAX - 1);
  // No character folds to more bytes than it has, so the text's length bounds the folding's.
  bytes_.resize(n * specials.maxGrowth());
  origin_.resize(n * specials.maxGrowth() + 1);
  char* out = bytes_.data();
  std::uint32_t* from = origin_.data();
  std::size_t j = 0;
  // Every byte of a character that is neither ASCII, special nor a line end stands for itself as one
  // 0x80: no ASCII literal can cover it, and a match next to it still starts or ends on a character's
  // first byte. Special characters and line ends are recognised by their whole byte sequence, which
  // no ill-formed neighbour can take apart (a lead byte always starts a character).
  for (std::size_t i = 0; i < n;) {
    for (; i < n && s[i] < 0x80; ++i, ++j) {
      out[j] = static_cast<char>(asciiFold(s[i]));
      from[j] = static_cast<std::uint32_t>(i);
    }
    if (i >= n) break;
    const unsigned char c = s[i];
    const auto at = static_cast<std::uint32_t>(i);
    if (specials.mayLead(c)) {
      if ((c == 0xC2 && i + 1 < n && s[i + 1] == 0x85) ||
          (c == 0xE2 && i + 2 < n && s[i + 1] == 0x80 && (s[i + 2] == 0xA8 || s[i + 2] == 0xA9))) {
        out[j] = '\n';
        from[j++] = at;
        i += c == 0xC2 ? 2 : 3;
        continue;
      }
      if (const FoldSpecials::Special* special = specials.startingAt(text.substr(i, 4))) {
        for (char f : special->scanFold) {
          out[j] = f;
          from[j++] = at;
        }
        i += special->utf8.size();
        continue;
      }
    }
    out[j] = '\x80';
    from[j++] = at;
    ++i;
  }
  bytes_.resize(j);
  origin_.resize(j + 1);
  origin_[j] = static_cast<std::uint32_t>(n);
}

// ---- BigramSet ----

void BigramSet::addPairsOf(std::string_view folded) {
  for (std::size_t i = 1; i < folded.size(); ++i)
    add(static_cast<unsigned char>(folded[i - 1]), static_cast<unsigned char>(folded[i]));
}

BigramSet BigramSet::ofFolding(std::string_view text) { return TextTraits::of(text).bigrams; }

TextTraits TextTraits::of(std::string_view text) {
  // Walks the text as FoldedText::assign does, without building the folding.
  const FoldSpecials& specials = FoldSpecials::shared();
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  TextTraits traits;
  traits.ascii = isAsciiText(text);
  traits.wellFormed = traits.ascii || isWellFormedUtf8(text);
  BigramSet& set = traits.bigrams;
  constexpr unsigned kNone = 0x100;  // no ASCII byte before
  unsigned prev = kNone;
  auto push = [&](unsigned char c) {
    traits.bytes.add(c);
    if (prev != kNone) set.add(static_cast<unsigned char>(prev), c);
    prev = c;
  };
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    if (c < 0x80) {
      push(asciiFold(c));
      ++i;
      continue;
    }
    if (specials.mayLead(c)) {
      if ((c == 0xC2 && i + 1 < n && s[i + 1] == 0x85) ||
          (c == 0xE2 && i + 2 < n && s[i + 1] == 0x80 && (s[i + 2] == 0xA8 || s[i + 2] == 0xA9))) {
        push('\n');
        i += c == 0xC2 ? 2 : 3;
        continue;
      }
      if (const FoldSpecials::Special* special = specials.startingAt(text.substr(i, 4))) {
        traits.specials |= special->bit;
        for (char f : special->scanFold) {
          if (static_cast<unsigned char>(f) < 0x80) {
            push(static_cast<unsigned char>(f));
          } else {
            prev = kNone;
          }
        }
        i += special->utf8.size();
        continue;
      }
    }
    prev = kNone;
    ++i;
  }
  return traits;
}

// ---- Utf16Cursor ----

bool isWellFormedUtf8(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    std::uint64_t word;
    if (i + 8 <= n && (std::memcpy(&word, s + i, 8), (word & kHighBits) == 0)) {
      i += 8;
      continue;
    }
    bool whole = false;
    i += sequenceAt(s, i, n, whole);
    if (!whole) return false;
  }
  return true;
}

std::size_t Utf16Cursor::indexOf(std::size_t byteOffset) {
  if (ascii_) return byteOffset;
  if (byteOffset > text_.size()) byteOffset = text_.size();
  if (byteOffset < byte_) {
    // Offsets are expected to grow; start again rather than answer wrongly.
    byte_ = 0;
    units_ = 0;
  }
  const auto* s = reinterpret_cast<const unsigned char*>(text_.data());
  if (wellFormed_) {
    units_ += wellFormedUtf16UnitsOf(s, byte_, byteOffset);
    byte_ = byteOffset;
    return units_;
  }
  while (byte_ < byteOffset) {
    // ASCII a word at a time; the rest in runs that end at an ASCII byte (or the offset), which always
    // begins a character, counted as the text conversion counts them.
    std::uint64_t word;
    while (byte_ + 8 <= byteOffset && (std::memcpy(&word, s + byte_, 8), (word & kHighBits) == 0)) {
      byte_ += 8;
      units_ += 8;
    }
    std::size_t end = byte_;
    while (end < byteOffset && s[end] < 0x80) ++end;
    units_ += end - byte_;
    byte_ = end;
    while (end < byteOffset && s[end] >= 0x80) ++end;
    if (end > byte_) {
      units_ += utf16UnitsOf(s, byte_, end);
      byte_ = end;
    }
  }
  return units_;
}

}  // namespace vl
