#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vl {

// One token of an appearance expression. The numeric types are part of the language's description and
// stay fixed.
class VLAppearanceToken {
 public:
  enum Type : std::uint64_t {
    Eof = 0,
    Undefined = 1,
    Function = 2,
    FunctionLabel = 3,
    Ref = 4,
    HexColor = 5,
    Number = 6,
    FunctionEnd = 7,
    ParamString = 8,
  };

  VLAppearanceToken() = default;
  VLAppearanceToken(Type type, std::optional<std::string> value) : type_(type), value_(std::move(value)) {}

  static VLAppearanceToken eof() { return {Eof, std::nullopt}; }
  static VLAppearanceToken undefined(std::string c) { return {Undefined, std::move(c)}; }
  static VLAppearanceToken function(std::string name) { return {Function, std::move(name)}; }
  static VLAppearanceToken functionLabel(std::string label) { return {FunctionLabel, std::move(label)}; }
  static VLAppearanceToken ref(std::string key) { return {Ref, std::move(key)}; }
  static VLAppearanceToken hexColor(std::string digits) { return {HexColor, std::move(digits)}; }
  static VLAppearanceToken number(std::string digits) { return {Number, std::move(digits)}; }
  static VLAppearanceToken functionEnd() { return {FunctionEnd, std::nullopt}; }
  static VLAppearanceToken paramString(std::string text) { return {ParamString, std::move(text)}; }

  Type type() const { return type_; }
  const std::optional<std::string>& value() const { return value_; }
  // The value, or "" for the kinds that carry none.
  const std::string& text() const;

  bool operator==(const VLAppearanceToken&) const = default;

 private:
  Type type_ = Eof;
  std::optional<std::string> value_;
};

}  // namespace vl
