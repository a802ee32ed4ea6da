#pragma once

#include <cstddef>
#include <string>

#include "platform/ui/graphics/ImageLoader.h"

namespace vl::paint {

// Decodes PNG files with Cairo (libpng underneath) into straight RGBA pixels. A file larger than
// kMaxFileBytes or whose header names more than kMaxSide pixels a side or kMaxPixels in all is refused
// before anything is decoded.
class CairoImageLoader : public ui::ImageLoader {
 public:
  static constexpr std::size_t kMaxFileBytes = 64u << 20;
  static constexpr int kMaxSide = 16384;
  static constexpr double kMaxPixels = 64.0 * 1024 * 1024;

  ui::ImageRef load(const std::string& path, const std::string& name, double pixelsPerPoint) override;
  // The same from PNG bytes in memory; `what` names them in log lines.
  static ui::ImageRef decode(const std::string& bytes, const std::string& what, const std::string& name,
                             double pixelsPerPoint);
};

}  // namespace vl::paint
