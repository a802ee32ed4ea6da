#include "platform/ui/view/SystemColors.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/view/Appearance.h"

namespace vl::ui {

namespace {

bool dark() { return SystemAppearance::shared().isDark(); }

Color pick(const Color& light, const Color& darkColor) { return dark() ? darkColor : light; }

double linear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

}  // namespace

Color SystemColors::text() { return pick(Color::black(), Color::rgb24(0xECECEE)); }
Color SystemColors::textBackground() { return pick(Color::whiteColor(), Color::rgb24(0x2A2A2D)); }
// #767676 is the lightest grey that still reads at 4.5:1 on white.
Color SystemColors::placeholderText() { return pick(Color::rgb24(0x767676), Color::rgb24(0x9A9AA0)); }
// Greyer than the text of a control in use, yet still readable at 4.5:1 on a control's face.
Color SystemColors::disabledText() { return pick(Color::rgb24(0x6E6E6E), Color::rgb24(0xA8A8AD)); }
Color SystemColors::controlBackground() { return pick(Color::whiteColor(), Color::rgb24(0x3A3A3E)); }
Color SystemColors::controlHighlightBackground() { return pick(Color::white(0.8), Color::rgb24(0x4A4A4F)); }
Color SystemColors::controlBorder() { return pick(Color::white(0.7), Color::rgb24(0x5A5A60)); }
Color SystemColors::controlText() { return pick(Color::black(), Color::rgb24(0xECECEE)); }
Color SystemColors::controlAccent() { return pick(Color::rgb24(0x1A73E8), Color::rgb24(0x2F7CF6)); }
Color SystemColors::controlMark() { return Color::whiteColor(); }
Color SystemColors::scrollerSlot() { return pick(Color::white(0.96), Color::rgb24(0x2A2A2D)); }
Color SystemColors::scrollerKnob() { return pick(Color::white(0, 0.5), Color::white(1, 0.4)); }
Color SystemColors::selectedTextBackground() {
  return pick(Color::rgba(0.7, 0.84, 1, 1), Color::rgb24(0x2F4A70));
}

Color SystemColors::textOn(const Color& fill) {
  const Color ink = Color::rgb24(0x1D1D1F), white = Color::whiteColor();
  return contrastRatio(ink, fill) > contrastRatio(white, fill) ? ink : white;
}

double SystemColors::relativeLuminance(const Color& c) {
  return 0.2126 * linear(std::clamp(c.red, 0.0, 1.0)) + 0.7152 * linear(std::clamp(c.green, 0.0, 1.0)) +
         0.0722 * linear(std::clamp(c.blue, 0.0, 1.0));
}

double SystemColors::contrastRatio(const Color& a, const Color& b) {
  const double la = relativeLuminance(a), lb = relativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace vl::ui
