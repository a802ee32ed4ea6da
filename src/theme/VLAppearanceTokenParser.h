#pragma once

#include <cstddef>
#include <string>

#include "theme/VLAppearanceToken.h"

namespace vl {

// The character-level tokenizer of appearance expressions. Reads one byte at a time: every character
// that matters to the language is ASCII, and the bytes of other characters are appended back together
// unchanged where a token collects text.
//
// Scans that wait for a terminator ("(" or ":" after a word, ")" after a parameter text, the closing
// quote of a quoted colour) raise VLAppearanceExprASTException when the text ends first.
class VLAppearanceTokenParser {
 public:
  static constexpr const char* kEOF = "__EOF__";

  explicit VLAppearanceTokenParser(std::string chars);
  static VLAppearanceTokenParser initWithChars(std::string chars) {
    return VLAppearanceTokenParser(std::move(chars));
  }

  // The next character as a one-character text, or "__EOF__" at the end (which repeats).
  std::string getChars();
  // Scans one token from the current character on.
  VLAppearanceToken getTok();
  // curToken = getTok().
  const VLAppearanceToken& getNextToken();
  const VLAppearanceToken& getCurToken() const { return curToken_; }

  bool isEOF() const { return curToken_.type() == VLAppearanceToken::Eof; }
  bool isHexColor() const { return curToken_.type() == VLAppearanceToken::HexColor; }
  bool isNumber() const { return curToken_.type() == VLAppearanceToken::Number; }
  bool isFunctionEnd() const { return curToken_.type() == VLAppearanceToken::FunctionEnd; }
  bool isFunctionLabel() const { return curToken_.type() == VLAppearanceToken::FunctionLabel; }
  bool isParamString() const { return curToken_.type() == VLAppearanceToken::ParamString; }
  bool isFunction() const { return curToken_.type() == VLAppearanceToken::Function; }
  bool isRef() const { return curToken_.type() == VLAppearanceToken::Ref; }

  const std::string& chars() const { return chars_; }
  std::size_t moveIndex() const { return moveIndex_; }
  // The current character as getChars() gave it.
  std::string lastChars() const;

 private:
  static constexpr int kEnd = -1;
  // The next byte, or kEnd.
  int read();
  void advance() { last_ = read(); }

  std::string chars_;
  std::size_t moveIndex_ = 0;
  // A new tokenizer stands on a space, so the first scan starts by reading the first real character.
  int last_ = ' ';
  VLAppearanceToken curToken_;
};

}  // namespace vl
