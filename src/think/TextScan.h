#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Small readings of a text that the feature rules and the actions share. They follow the rules the
// actions were specified with (ICU's anchors, the numeric values of text) without building a regular
// expression or a list for texts of any size.
namespace vl::think {

// Whether "^[0-9]+$" matches, as ICU reads it without options: ASCII digits, then at most one line end
// (LF, VT, FF, CR, CRLF, NEL, LS or PS) that closes the text.
bool isNumberText(std::string_view text);

// Whether the text splits at `separator` into two or more pieces that are all number texts. Stops at the
// first piece that is not.
bool splitsIntoNumbers(std::string_view text, std::string_view separator);

// The length in bytes of the line end that closes the text (CRLF counts as one); 0 when none does.
std::size_t trailingLineEndLength(std::string_view text);

// What the length and number rules say of a text.
struct TextFacts {
  std::size_t length = 0;  // UTF-16 units
  bool number = false;     // isNumberText
  bool digitLines = false;
  bool digitCommas = false;
  bool digitCommaLines = false;
};
// The facts of a text. Those of the last long text are kept (a copy, compared by content): the same record
// stays selected through most keystrokes, and reading a megabyte again for each would show.
TextFacts factsOf(const std::string& text);

// The pieces between separators, in order (an empty text gives one empty piece).
std::vector<std::string_view> split(std::string_view text, std::string_view separator);

// The integer a text starts with, as a text's numeric value reads: leading white space, an optional sign,
// digits; 0 when there are none. Values past the type's range saturate at its bounds.
std::int64_t leadingInt64(std::string_view text);
std::int32_t leadingInt32(std::string_view text);
// The decimal number a text starts with (leading white space, sign, digits, one point, digits), as a
// single-precision value; 0 when there is none; huge values saturate.
float leadingFloat(std::string_view text);

}  // namespace vl::think
