#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Json.h"

namespace vl {

// Reads the image of a record for sending it to another device. Records can come from peers, so the
// json's paths are not trusted: only a regular file that really lies inside the application's file, web
// or forever folder is read (symbolic links are resolved first, so one that leads out is refused; a
// FIFO or a device is never opened for reading), and only up to FileTransferEntity::kMaxBytes.
class RecordImageReader {
 public:
  // As a sync dictionary's byte block takes them, so they go into a reply without a copy.
  using Bytes = std::vector<std::uint8_t>;

  // The image as PNG bytes: the first readable file of "forever_image", "image", "image_relative",
  // "web_image" (percent-decoded, as the image loader reads them); a PNG file is sent as it is, any other
  // image is decoded and encoded as PNG. Nothing when no file qualifies or none decodes.
  static std::optional<Bytes> pngOf(const std::optional<Json>& json);
  // The same over explicit folders.
  static std::optional<Bytes> pngOf(const std::optional<Json>& json, const std::vector<std::string>& roots);

  // The real path of `path` when it lies inside one of `roots` (each resolved too); nothing otherwise.
  static std::optional<std::string> confinedPath(const std::string& path,
                                                 const std::vector<std::string>& roots);
  // The whole content of a regular file no larger than `maxBytes`; nothing for anything else.
  static std::optional<Bytes> readRegularFile(const std::string& path, std::size_t maxBytes);
};

}  // namespace vl
