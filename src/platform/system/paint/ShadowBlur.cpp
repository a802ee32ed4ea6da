#include "platform/system/paint/ShadowBlur.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace vl::paint {

namespace {

// One box pass over `n` samples `step` apart; outside the image counts as transparent.
void boxPass(unsigned char* line, int n, std::ptrdiff_t step, int half, std::vector<std::uint8_t>& copy) {
  copy.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) copy[static_cast<std::size_t>(i)] = line[i * step];
  const std::uint32_t width = static_cast<std::uint32_t>(2 * half + 1);
  // sum / width in fixed point, rounded.
  const std::uint32_t reciprocal = (1u << 16) / width + 1;
  std::uint32_t sum = 0;
  for (int i = 0; i < half && i < n; ++i) sum += copy[static_cast<std::size_t>(i)];
  for (int i = 0; i < n; ++i) {
    const int in = i + half, out = i - half - 1;
    if (in < n) sum += copy[static_cast<std::size_t>(in)];
    if (out >= 0) sum -= copy[static_cast<std::size_t>(out)];
    const std::uint32_t v = (sum * reciprocal) >> 16;
    line[i * step] = static_cast<unsigned char>(v > 255 ? 255 : v);
  }
}

}  // namespace

int shadowBoxHalfWidth(double radius) {
  if (!(radius > 0.5) || !std::isfinite(radius)) return 0;
  const double sigma = std::min(radius, 512.0) / 2;
  const double box = std::sqrt(4 * sigma * sigma + 1);
  return std::max(1, static_cast<int>(std::lround((box - 1) / 2)));
}

void blurAlpha(unsigned char* data, int width, int height, int stride, int halfWidth) {
  if (halfWidth <= 0 || width <= 0 || height <= 0) return;
  std::vector<std::uint8_t> copy;
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < height; ++y)
      boxPass(data + static_cast<std::ptrdiff_t>(y) * stride, width, 1, halfWidth, copy);
  }
  for (int pass = 0; pass < 3; ++pass) {
    for (int x = 0; x < width; ++x) boxPass(data + x, height, stride, halfWidth, copy);
  }
}

}  // namespace vl::paint
