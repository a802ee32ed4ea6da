#include "platform/ui/graphics/Image.h"

#include "platform/foundation/Log.h"

namespace vl::ui {

Image::Image(Size size, int pixelsWide, int pixelsHigh, std::vector<std::uint8_t> rgba, std::string name)
    : size_(size), name_(std::move(name)) {
  std::size_t expected = pixelsWide > 0 && pixelsHigh > 0
                             ? static_cast<std::size_t>(pixelsWide) * static_cast<std::size_t>(pixelsHigh) * 4
                             : 0;
  if (expected == 0 || rgba.size() != expected) {
    if (!rgba.empty() || pixelsWide != 0 || pixelsHigh != 0) {
      logWarningf("image %s: %zu pixel bytes do not match %d x %d, pixels dropped", name_.c_str(),
                  rgba.size(), pixelsWide, pixelsHigh);
    }
    return;
  }
  pixelsWide_ = pixelsWide;
  pixelsHigh_ = pixelsHigh;
  pixels_ = std::move(rgba);
}

}  // namespace vl::ui
