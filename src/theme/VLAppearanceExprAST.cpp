#include "theme/VLAppearanceExprAST.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

#include "platform/foundation/Text.h"
#include "theme/VLAppearanceExprASTException.h"

namespace vl {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The leading hexadecimal digits as one number (0 when there are none), saturating like a scanner.
std::uint64_t scanHex(const std::string& text) {
  std::uint64_t value = 0;
  for (char c : text) {
    int d = hexValue(c);
    if (d < 0) break;
    value = value > (UINT32_MAX >> 4) ? UINT32_MAX : (value << 4) | static_cast<std::uint64_t>(d);
  }
  return value;
}

}  // namespace

std::unique_ptr<VLAppearanceExprAST> VLAppearanceExprAST::primary() {
  switch (parser_.getCurToken().type()) {
    case VLAppearanceToken::ParamString:
      return initWithContext<VLAppearanceParamStringExprAST>(context_, parser_, argsDict_);
    case VLAppearanceToken::Number:
      return initWithContext<VLAppearanceNumberExprAST>(context_, parser_, argsDict_);
    case VLAppearanceToken::Ref:
      return initWithContext<VLAppearanceRefExprAST>(context_, parser_, argsDict_);
    case VLAppearanceToken::HexColor:
      return initWithContext<VLAppearanceHexColorExprAST>(context_, parser_, argsDict_);
    default:
      throw VLAppearanceExprASTException::ofReason("unkown expr");
  }
}

void VLAppearanceHexColorExprAST::construct() {
  const std::string& digits = parser_.getCurToken().text();
  const std::size_t length = utf16Length(digits);
  if (length != 6 && length != 8) return;
  const std::uint64_t n = scanHex(digits);
  auto byte = [n](int shift) { return static_cast<double>((n >> shift) & 0xff) / 255.0; };
  value_ = length == 6 ? ui::Color::rgba(byte(16), byte(8), byte(0), 1)
                       : ui::Color::rgba(byte(24), byte(16), byte(8), byte(0));
}

void VLAppearanceNumberExprAST::construct() {
  const std::string& text = parser_.getCurToken().text();
  if (text.find('.') != std::string::npos) {
    // The leading decimal value: "1.5.2" reads 1.5, "." reads 0.
    value_ = std::strtof(text.c_str(), nullptr);
    return;
  }
  long long n = std::strtoll(text.c_str(), nullptr, 10);
  if (n > INT32_MAX) n = INT32_MAX;
  value_ = static_cast<std::int32_t>(n);
}

void VLAppearanceRefExprAST::construct() {
  if (!context_) return;
  value_ = context_->getValueByRefKey(parser_.getCurToken().text(), argsDict_.mode, argsDict_.assetType);
}

void VLAppearanceParamStringExprAST::construct() { value_ = parser_.getCurToken().text(); }

}  // namespace vl
