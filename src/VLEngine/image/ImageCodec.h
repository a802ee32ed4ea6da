#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ui/graphics/Image.h"

namespace vl {

// The kinds of image data told apart by their first bytes. The numbers are those stored formats use.
enum class ImageFormat { Undefined = -1, JPEG = 0, PNG = 1, GIF = 2, TIFF = 3, WebP = 4 };

// The kind and pixel size of an image, read from its first bytes without decoding it.
struct ImageProbe {
  ImageFormat format = ImageFormat::Undefined;
  int wide = 0;
  int high = 0;
};

// Decoding, encoding and resizing of record images. Decoded images are 8-bit RGBA, rows from the top,
// with their size in points equal to their size in pixels.
class ImageCodec {
 public:
  // Larger images are refused rather than allocated (about a gigabyte of RGBA).
  static constexpr long long kMaxPixels = 256LL * 1024 * 1024;
  // Image files larger than this are neither copied into our folders, read whole nor decoded: such a
  // copy is kept by its name and path, like any other file.
  static constexpr std::uint64_t kMaxFileBytes = 64ull << 20;

  // What a shown image may cost: a file with more pixels than this is not decoded for a view.
  static constexpr long long kMaxDecodedPixels = 100'000'000;
  // How much of a file probe() looks at (a JPEG's size follows its metadata).
  static constexpr std::size_t kProbeBytes = 256 * 1024;

  static ImageFormat imageFormatForImageData(std::string_view data);
  // PNG, JPEG and GIF sizes from their headers; nothing for anything else or a cut-off header.
  static std::optional<ImageProbe> probe(std::string_view head);
  // The same from the start of a regular file.
  static std::optional<ImageProbe> probeFile(const std::string& path);
  // The file decoded straight to at most wide x high pixels (aspect ratio kept, never enlarged) while it
  // is read, so its full-size pixels are never held; a GIF gives its size only. Files past kMaxFileBytes
  // and images past kMaxDecodedPixels are refused (logged), as is anything but a regular file.
  static ui::ImageRef decodeFileFitting(const std::string& path, int wide, int high,
                                        std::string_view what = "image");

  // PNG and JPEG give pixels. A GIF gives its size only: it is shown as it is, never resized, so its
  // frames survive. Anything else, and damaged data, give nullptr (logged).
  static ui::ImageRef decode(std::string_view data, std::string_view what = "image");
  static ui::ImageRef imageWithContentsOfFile(const std::string& path);

  // A PNG of the image's pixels; nothing for an image without pixels.
  static std::optional<std::string> encodePNG(const ui::Image& image);

  // The image scaled to fit inside width x height keeping its aspect ratio, rounded to whole pixels (at
  // least one). An image without pixels keeps them absent and only takes the new size.
  static ui::ImageRef resizedImage(const ui::ImageRef& image, double width, double height);
  // The image scaled to exactly pixelsWide x pixelsHigh (area averaging when shrinking).
  static ui::ImageRef scaledImage(const ui::Image& image, int pixelsWide, int pixelsHigh);
};

}  // namespace vl
