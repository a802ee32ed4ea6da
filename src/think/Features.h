#pragma once

#include <bitset>
#include <initializer_list>
#include <vector>

namespace vl {

// The numbered features the smart-action engine finds in a text. The numbers are the ones actions
// name as their requirements; 2 is never set.
namespace feature {
constexpr int kDigits = 1;            // all ASCII digits
constexpr int kNow = 3;               // the search text is "now"
constexpr int kApp = 4;               // the record is an application
constexpr int kLong = 5;              // longer than 15
constexpr int kShortLetters = 6;      // at most 14 letters (or bars)
constexpr int kDigest = 7;            // longer than 15
constexpr int kFile = 8;              // a file or image that can be read
constexpr int kDigitLines = 9;        // lines of digits
constexpr int kDigitCommas = 10;      // digits between commas
constexpr int kCombinable = 11;       // with 9, 10 or 16
constexpr int kShort = 12;            // at most 30
constexpr int kGreekName = 13;        // the search text names a Greek letter
constexpr int kSeconds = 14;          // at least 5 digits
constexpr int kCentimetres = 15;      // the search text is a length in centimetres
constexpr int kDigitCommaLines = 16;  // digits between ",\n"
constexpr int kRandom = 17;           // the search text asks for random text
constexpr int kMilliseconds = 18;     // 13 digits
constexpr int kMarkdownTable = 19;    // the search text asks for a Markdown table
constexpr int kDictionaryWord = 20;   // a word the system dictionary knows
constexpr int kLast = 20;
}  // namespace feature

// A set of feature numbers.
class FeatureSet {
 public:
  FeatureSet() = default;
  FeatureSet(std::initializer_list<int> numbers) {
    for (int n : numbers) set(n);
  }
  void set(int n) {
    if (n > 0 && n <= feature::kLast) bits_.set(static_cast<std::size_t>(n));
  }
  bool has(int n) const { return n > 0 && n <= feature::kLast && bits_.test(static_cast<std::size_t>(n)); }
  bool empty() const { return bits_.none(); }
  // Ascending.
  std::vector<int> numbers() const {
    std::vector<int> out;
    for (int n = 1; n <= feature::kLast; ++n) {
      if (has(n)) out.push_back(n);
    }
    return out;
  }
  bool operator==(const FeatureSet&) const = default;

 private:
  std::bitset<feature::kLast + 1> bits_;
};

}  // namespace vl
