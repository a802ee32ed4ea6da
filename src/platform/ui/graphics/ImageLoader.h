#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/graphics/Image.h"

namespace vl::ui {

// Reads image files into Images. The default reads only a PNG's header, so images get their size and no
// pixels, which is all headless code needs; a desktop backend installs one that decodes.
class ImageLoader {
 public:
  virtual ~ImageLoader() = default;
  // The image in the file at `path`, its size in points being its pixel size divided by `pixelsPerPoint`.
  // nullptr when there is no such regular file; a file that does not decode gives an image without
  // pixels (of the header's size when it has one) and a log line.
  virtual ImageRef load(const std::string& path, const std::string& name, double pixelsPerPoint) = 0;
};

// nullptr restores the header reader. Installing forgets the images Image::named kept.
void setImageLoader(std::shared_ptr<ImageLoader> loader);
bool hasImageLoader();
// Loads through the installed loader (the header reader when none is installed).
ImageRef loadImageFile(const std::string& path, const std::string& name = {}, double pixelsPerPoint = 1);
// Width and height from a PNG file's header chunk; nullopt for a file that is not a PNG.
std::optional<Size> pngHeaderSize(const std::string& path);

}  // namespace vl::ui
