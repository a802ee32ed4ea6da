#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vl::ui {

// An sRGB colour with straight (not premultiplied) alpha, each component in 0...1.
struct Color {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 1;

  constexpr bool operator==(const Color&) const = default;

  static constexpr Color rgba(double r, double g, double b, double a = 1) { return {r, g, b, a}; }
  static constexpr Color white(double w, double a = 1) { return {w, w, w, a}; }
  // 0xRRGGBB.
  static constexpr Color rgb24(std::uint32_t rgb, double a = 1) {
    return {((rgb >> 16) & 0xff) / 255.0, ((rgb >> 8) & 0xff) / 255.0, (rgb & 0xff) / 255.0, a};
  }
  // Hex text as stored colours write it: an optional "#", then the text scanned as one hexadecimal number
  // (its leading hex digits) read as RRGGBB from the low 24 bits, alpha 1. Any text gives a colour; one
  // without hex digits gives black.
  static Color fromHex(std::string_view text);

  static constexpr Color clear() { return {0, 0, 0, 0}; }
  static constexpr Color black() { return {0, 0, 0, 1}; }
  static constexpr Color whiteColor() { return {1, 1, 1, 1}; }

  // "RRGGBB" in upper case, alpha dropped.
  std::string hexString() const;
  std::string description() const;

  // Straight component-wise interpolation, t = 0 gives a, t = 1 gives b.
  static Color mix(const Color& a, const Color& b, double t);
};

// Colours at locations along 0...1, drawn along an angle in degrees (0 = left to right).
class Gradient {
 public:
  struct Stop {
    Color color;
    double location = 0;
    bool operator==(const Stop&) const = default;
  };

  Gradient() = default;
  // Evenly spaced colours.
  explicit Gradient(const std::vector<Color>& colors);
  // Locations are clamped to 0...1 and sorted; a missing location spaces that colour evenly.
  Gradient(const std::vector<Color>& colors, const std::vector<double>& locations);

  const std::vector<Stop>& stops() const { return stops_; }
  bool isEmpty() const { return stops_.empty(); }
  // The colour at a location, interpolated between the stops around it.
  Color colorAt(double location) const;
  bool operator==(const Gradient&) const = default;

 private:
  std::vector<Stop> stops_;
};

}  // namespace vl::ui
