#include "theme/VLAppearanceTokenParser.h"

#include "theme/VLAppearanceExprASTException.h"

namespace vl {

namespace {

bool isWordBegin(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// Points count as digits so "0.5" and ".5" scan as one number.
bool isDigit(int c) { return (c >= '0' && c <= '9') || c == '.'; }
bool isHexDigit(int c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

}  // namespace

VLAppearanceTokenParser::VLAppearanceTokenParser(std::string chars) : chars_(std::move(chars)) {}

int VLAppearanceTokenParser::read() {
  if (moveIndex_ >= chars_.size()) return kEnd;
  return static_cast<unsigned char>(chars_[moveIndex_++]);
}

std::string VLAppearanceTokenParser::getChars() {
  int c = read();
  return c == kEnd ? std::string(kEOF) : std::string(1, static_cast<char>(c));
}

std::string VLAppearanceTokenParser::lastChars() const {
  return last_ == kEnd ? std::string(kEOF) : std::string(1, static_cast<char>(last_));
}

VLAppearanceToken VLAppearanceTokenParser::getTok() {
  for (;;) {
    while (last_ == ' ') advance();

    if (last_ == '$') {
      // A reference runs to the next separator; spaces inside it are dropped, so "$a $b" names "a$b".
      std::string key;
      advance();
      while (last_ != ',' && last_ != ')' && last_ != kEnd) {
        if (last_ != ' ') key.push_back(static_cast<char>(last_));
        advance();
      }
      return VLAppearanceToken::ref(std::move(key));
    }

    if (last_ == '#') {
      std::string digits;
      advance();
      while (isHexDigit(last_)) {
        digits.push_back(static_cast<char>(last_));
        advance();
      }
      return VLAppearanceToken::hexColor(std::move(digits));
    }

    if (last_ == '\'' || last_ == '"') {
      // A quoted colour takes any characters up to the matching quote; only a "#" right after the
      // opening quote makes it one. Either way one more character is consumed.
      const int quote = last_;
      std::string digits;
      advance();
      if (last_ == '#') {
        advance();
        while (last_ != quote) {
          if (last_ == kEnd) {
            throw VLAppearanceExprASTException::ofReason("missing closing quote after #" + digits);
          }
          digits.push_back(static_cast<char>(last_));
          advance();
        }
      }
      advance();
      return VLAppearanceToken::hexColor(std::move(digits));
    }

    if (isWordBegin(last_) && curToken_.type() != VLAppearanceToken::FunctionLabel) {
      std::string word;
      do {
        if (last_ == kEnd) throw VLAppearanceExprASTException::ofReason("missing ( or : after " + word);
        if (last_ != ' ') word.push_back(static_cast<char>(last_));
        advance();
      } while (last_ != '(' && last_ != ':');
      const bool isCall = last_ == '(';
      advance();
      return isCall ? VLAppearanceToken::function(std::move(word))
                    : VLAppearanceToken::functionLabel(std::move(word));
    }

    if (isWordBegin(last_)) {
      // The word after a label is a parameter text: spaces kept, up to ")".
      std::string text;
      do {
        if (last_ == kEnd) throw VLAppearanceExprASTException::ofReason("missing ) after " + text);
        text.push_back(static_cast<char>(last_));
        advance();
      } while (last_ != ')');
      return VLAppearanceToken::paramString(std::move(text));
    }

    if (isDigit(last_)) {
      std::string digits;
      do {
        digits.push_back(static_cast<char>(last_));
        advance();
      } while (isDigit(last_));
      return VLAppearanceToken::number(std::move(digits));
    }

    if (last_ == ')') {
      advance();
      return VLAppearanceToken::functionEnd();
    }

    if (last_ == ',') {
      advance();
      continue;
    }

    if (last_ != kEnd) {
      std::string c(1, static_cast<char>(last_));
      advance();
      return VLAppearanceToken::undefined(std::move(c));
    }
    return VLAppearanceToken::eof();
  }
}

const VLAppearanceToken& VLAppearanceTokenParser::getNextToken() {
  curToken_ = getTok();
  return curToken_;
}

}  // namespace vl
