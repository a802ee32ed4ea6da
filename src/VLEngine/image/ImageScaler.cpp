#include "VLEngine/image/ImageScaler.h"

#include <algorithm>
#include <cmath>

namespace vl {

ImageScaler::ImageScaler(int sourceWide, int sourceHigh, int wide, int high)
    : sourceWide_(std::max(1, sourceWide)),
      sourceHigh_(std::max(1, sourceHigh)),
      wide_(std::clamp(wide, 1, sourceWide_)),
      high_(std::clamp(high, 1, sourceHigh_)),
      ratioX_(static_cast<double>(sourceWide_) / wide_),
      ratioY_(static_cast<double>(sourceHigh_) / high_),
      line_(static_cast<std::size_t>(wide_) * 4),
      current_(static_cast<std::size_t>(wide_) * 4),
      out_(static_cast<std::size_t>(wide_) * high_ * 4) {}

void ImageScaler::addRow(const std::uint8_t* rgba) {
  if (sourceRow_ >= sourceHigh_) return;
  // Horizontally: output column i covers source columns [i * ratioX, (i + 1) * ratioX).
  for (int i = 0; i < wide_; ++i) {
    const double start = i * ratioX_;
    const double end = start + ratioX_;
    double acc[4] = {0, 0, 0, 0};
    for (int s = static_cast<int>(start); s < sourceWide_ && s < end; ++s) {
      const double weight = std::min<double>(s + 1, end) - std::max<double>(s, start);
      if (weight <= 0) continue;
      const std::uint8_t* p = rgba + static_cast<std::size_t>(s) * 4;
      const double alpha = p[3] / 255.0;
      for (int c = 0; c < 3; ++c) acc[c] += p[c] * alpha * weight;
      acc[3] += p[3] * weight;
    }
    for (int c = 0; c < 4; ++c)
      line_[static_cast<std::size_t>(i) * 4 + c] = static_cast<float>(acc[c] / ratioX_);
  }
  // Vertically: this source row covers [y, y + 1); it adds to the output row holding y and, when a row
  // boundary falls inside it, to the next one.
  const double y = sourceRow_++;
  const double boundary = (outputRow_ + 1) * ratioY_;
  const double here = std::min(1.0, boundary - y);
  for (std::size_t k = 0; k < line_.size(); ++k) current_[k] += static_cast<float>(line_[k] * here);
  if (y + 1 >= boundary - 1e-9) {
    const double rest = 1.0 - here;
    emitRow();
    if (rest > 0) {
      for (std::size_t k = 0; k < line_.size(); ++k) current_[k] += static_cast<float>(line_[k] * rest);
    }
  }
}

void ImageScaler::emitRow() {
  if (outputRow_ >= high_) return;
  std::uint8_t* target = out_.data() + static_cast<std::size_t>(outputRow_) * wide_ * 4;
  for (int i = 0; i < wide_; ++i) {
    const float* p = &current_[static_cast<std::size_t>(i) * 4];
    const double alpha = p[3] / ratioY_;
    for (int c = 0; c < 3; ++c) {
      const double value = alpha > 0 ? p[c] / ratioY_ * 255.0 / alpha : 0;
      target[i * 4 + c] = static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
    }
    target[i * 4 + 3] = static_cast<std::uint8_t>(std::clamp(std::lround(alpha), 0L, 255L));
  }
  std::fill(current_.begin(), current_.end(), 0.0f);
  ++outputRow_;
}

std::vector<std::uint8_t> ImageScaler::finish() {
  // Rounding may leave the last row a hair short of its boundary.
  if (outputRow_ < high_ && sourceRow_ >= sourceHigh_) emitRow();
  return std::move(out_);
}

}  // namespace vl
