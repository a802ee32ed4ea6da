#include "platform/system/dbus/IconPixmaps.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Log.h"

namespace vl::dbus {

namespace {

constexpr int kLargestSide = 1024;

// A box filter over premultiplied colour, so transparent pixels do not darken the edges; enlarging
// repeats the nearest pixel, which keeps small status icons crisp.
IconPixmap scaled(const ui::Image& image, int side) {
  const int w = image.pixelsWide();
  const int h = image.pixelsHigh();
  const double f = static_cast<double>(side) / std::max(w, h);
  const int dw = std::max(1, static_cast<int>(std::lround(w * f)));
  const int dh = std::max(1, static_cast<int>(std::lround(h * f)));
  const int ox = (side - dw) / 2;
  const int oy = (side - dh) / 2;
  IconPixmap out{side, side, std::vector<std::uint8_t>(static_cast<std::size_t>(side) * side * 4, 0)};
  const std::vector<std::uint8_t>& src = image.pixels();
  for (int dy = 0; dy < dh; ++dy) {
    const int y0 = std::min(h - 1, static_cast<int>(dy / f));
    const int y1 = std::clamp(static_cast<int>((dy + 1) / f), y0 + 1, h);
    for (int dx = 0; dx < dw; ++dx) {
      const int x0 = std::min(w - 1, static_cast<int>(dx / f));
      const int x1 = std::clamp(static_cast<int>((dx + 1) / f), x0 + 1, w);
      double r = 0, g = 0, b = 0, a = 0;
      for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
          const std::uint8_t* p = &src[(static_cast<std::size_t>(y) * w + x) * 4];
          const double alpha = p[3] / 255.0;
          r += p[0] * alpha;
          g += p[1] * alpha;
          b += p[2] * alpha;
          a += alpha;
        }
      }
      const double n = static_cast<double>(y1 - y0) * (x1 - x0);
      std::uint8_t* q = &out.argb[(static_cast<std::size_t>(dy + oy) * side + dx + ox) * 4];
      q[0] = static_cast<std::uint8_t>(std::lround(255.0 * a / n));
      if (a > 0) {
        q[1] = static_cast<std::uint8_t>(std::lround(r / a));
        q[2] = static_cast<std::uint8_t>(std::lround(g / a));
        q[3] = static_cast<std::uint8_t>(std::lround(b / a));
      }
    }
  }
  return out;
}

}  // namespace

std::vector<IconPixmap> iconPixmaps(const ui::Image& image, const std::vector<int>& sizes) {
  if (!image.hasPixels()) return {};
  const int w = image.pixelsWide();
  const int h = image.pixelsHigh();
  if (w > kLargestSide || h > kLargestSide) {
    logWarningf("tray icon %s: %d x %d pixels is too large to send; no icon", image.name().c_str(), w, h);
    return {};
  }
  std::vector<int> sides = sizes;
  if (w == h && std::find(sides.begin(), sides.end(), w) == sides.end()) sides.push_back(w);
  std::sort(sides.begin(), sides.end(), std::greater<>());
  std::vector<IconPixmap> out;
  for (int side : sides) {
    if (side > 0 && side <= kLargestSide) out.push_back(scaled(image, side));
  }
  return out;
}

}  // namespace vl::dbus
