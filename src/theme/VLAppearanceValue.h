#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Image.h"
#include "theme/VLVisualEffectObject.h"

namespace vl {

// What one appearance expression computes: nothing, a colour, a gradient, a material, a whole or a
// fractional number, a parameter text, an image, or a list (a reference to a light/dark pair read in
// "any" mode). Plain value semantics, so assets can be shared across threads once built.
class VLAppearanceValue {
 public:
  using List = std::vector<VLAppearanceValue>;
  using Storage = std::variant<std::monostate, ui::Color, ui::Gradient, VLVisualEffectObject, std::int32_t,
                               float, std::string, ui::ImageRef, List>;

  // Implicit, so a node or a test can hand over whatever it computed as a value.
  VLAppearanceValue() = default;
  VLAppearanceValue(ui::Color c) : v_(c) {}
  VLAppearanceValue(ui::Gradient g) : v_(std::move(g)) {}
  VLAppearanceValue(VLVisualEffectObject m) : v_(m) {}
  VLAppearanceValue(std::int32_t n) : v_(n) {}
  VLAppearanceValue(float f) : v_(f) {}
  VLAppearanceValue(std::string s) : v_(std::move(s)) {}
  VLAppearanceValue(ui::ImageRef image) : v_(std::move(image)) {}
  VLAppearanceValue(List list) : v_(std::move(list)) {}

  bool isNone() const { return std::holds_alternative<std::monostate>(v_); }
  bool isColor() const { return std::holds_alternative<ui::Color>(v_); }
  bool isGradient() const { return std::holds_alternative<ui::Gradient>(v_); }
  bool isVisualEffect() const { return std::holds_alternative<VLVisualEffectObject>(v_); }
  bool isNumber() const {
    return std::holds_alternative<std::int32_t>(v_) || std::holds_alternative<float>(v_);
  }
  bool isText() const { return std::holds_alternative<std::string>(v_); }
  bool isImage() const { return std::holds_alternative<ui::ImageRef>(v_) && std::get<ui::ImageRef>(v_); }
  bool isList() const { return std::holds_alternative<List>(v_); }

  const ui::Color* color() const { return std::get_if<ui::Color>(&v_); }
  const ui::Gradient* gradient() const { return std::get_if<ui::Gradient>(&v_); }
  const VLVisualEffectObject* visualEffect() const { return std::get_if<VLVisualEffectObject>(&v_); }
  const std::string* text() const { return std::get_if<std::string>(&v_); }
  const List* list() const { return std::get_if<List>(&v_); }
  ui::ImageRef image() const {
    auto p = std::get_if<ui::ImageRef>(&v_);
    return p ? *p : nullptr;
  }
  // The numeric value of a number; 0 for anything else.
  double number() const;

  const Storage& storage() const { return v_; }
  // A short readable form for log lines and exception reasons.
  std::string description() const;

 private:
  Storage v_;
};

}  // namespace vl
