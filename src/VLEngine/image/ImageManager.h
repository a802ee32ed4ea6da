#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "VLEngine/image/ImageCache.h"
#include "platform/foundation/Json.h"

namespace vl {

// The record store's image services: which file shows a record's image, and the cache of decoded and
// resized images that lists and previews share.
class ImageManager {
 public:
  static constexpr const char* kCacheNamespace = "com.vellisto.image.cache";
  static constexpr const char* kDiskCacheDirectory = "vellisto";

  static ImageManager& shared();

  // Built on first use under $XDG_CACHE_HOME (else ~/.cache) / "vellisto" / the namespace.
  ImageCache& cache();
  // Tests change HOME; the next cache() is built over the new one.
  void resetForTesting();

  // "file://" followed by the path of the first image of the json that exists on disk, in the order
  // "forever_image", "image", "image_relative", "web_image"; nothing when none exists. A path exists
  // when a file is at its percent-decoded form. `checkPermission` (when given) tells whether the file
  // lies in a folder the user granted (copied image files), so the caller opens the bookmarks first.
  static std::optional<std::string> getPath(const std::optional<Json>& json, bool* checkPermission = nullptr);

  // The path at which a json image value names an existing file (its percent-decoded form).
  static std::optional<std::string> existingFile(const std::string& value);
  // A decoded image from a json image value, as "file://%@" of it would load; nullptr when it does not.
  static ui::ImageRef loadImage(const std::string& value);

 private:
  ImageManager() = default;

  std::mutex mutex_;
  std::unique_ptr<ImageCache> cache_;
};

}  // namespace vl
