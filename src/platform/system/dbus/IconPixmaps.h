#pragma once

#include <cstdint>
#include <vector>

#include "platform/ui/graphics/Image.h"

namespace vl::dbus {

// One icon picture as tray hosts take it: ARGB32 with straight alpha, each pixel's bytes in network
// order (A, R, G, B), rows from the top.
struct IconPixmap {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> argb;
  bool operator==(const IconPixmap&) const = default;
};

// The square sizes tray hosts draw at (panel heights 16 to 48 at scale 1 and 2); each host picks the
// nearest.
inline const std::vector<int> kTrayIconSizes = {16, 22, 24, 32, 48, 64};

// The image's pixels scaled to each size (aspect kept, centred on a transparent square), largest
// first; the image's own size is added when it is not one of them. Nothing for an image without
// pixels, or one larger than 1024 pixels on a side (logged).
std::vector<IconPixmap> iconPixmaps(const ui::Image& image, const std::vector<int>& sizes = kTrayIconSizes);

}  // namespace vl::dbus
