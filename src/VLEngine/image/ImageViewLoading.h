#pragma once

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "core/VLError.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Json.h"
#include "platform/ui/graphics/Geometry.h"
#include "platform/ui/graphics/Image.h"

namespace vl::ui {
class ImageView;
}

namespace vl {

class ImageCache;

// Shows a record's image in an image view: the size the view takes comes from the file's header at once;
// the pixels are decoded on the decode queue (one image at a time, straight to the size kept, 3.33 times
// the view's for dense screens), kept in the record store's image cache under a key naming the file and
// the width, and set on the view on the main queue. Lists and previews call it from any thread.
class ImageViewLoading {
 public:
  // A height of this value leaves the height free: it follows the image's aspect ratio.
  static constexpr double kFreeHeight = std::numeric_limits<double>::max();
  // How much larger than the asked size an image is kept, so it stays sharp on dense screens.
  static constexpr double kDisplayScale = 3.33;
  // Error codes (empty message).
  static constexpr long kErrorNoPermission = 121;
  static constexpr long kErrorNoImageFile = 122;
  static constexpr long kErrorNotLoaded = 123;

  using Completion = std::function<void(const std::optional<std::string>& path,
                                        const std::optional<VLError>& error, ui::Size size)>;
  // Where a loaded image goes; the image view's own setImage unless a test asks otherwise.
  using ImageSink = std::function<void(const ui::ImageRef& image)>;

  // Loads the image of `json` for `view` and calls `complete` (may be empty) on the calling thread with
  // the chosen "file://" path, the error and the size the view is to take. The image itself reaches
  // the view later, on the main queue, and only while the view still exists.
  static void vc_setImage(const std::shared_ptr<ui::ImageView>& view, const std::optional<Json>& json,
                          ui::Size size, const Completion& complete);

  // The size the view is to take; `sink` receives the image on the main queue. Path and error are
  // written when the pointers are given.
  static ui::Size _setImage(const ImageSink& sink, const std::optional<Json>& json, ui::Size size,
                            std::optional<std::string>* path, std::optional<VLError>* error);

  // The image of the file at the "file://" URL text `path`, decoded for `size` and stored in the cache
  // under `cacheKey`; nullptr (with error 121 when permission is refused) otherwise. Decodes on the
  // calling thread.
  static ui::ImageRef _loadImageFromDisk(const std::string& path, ui::Size size, const std::string& cacheKey,
                                         bool checkPermission, std::optional<VLError>* error);

  // "<md5 of the URL text>@<width>w@3x." ("" instead of "@3x." for a ".gif" path).
  static std::string _cacheKey(const std::string& path, double width);
  // The part before the "@" of every key of the URL text: the image cache's group of its widths.
  static std::string cacheKeyPrefix(const std::string& path);
  // A key of the 18-point-wide row icons.
  static bool isThumbnail(const std::string& cacheKey);

  // The size a view takes for an image: with a free height the width shrinks to the image's and the
  // height follows the aspect ratio; a fixed height is kept.
  static ui::Size fittedSize(ui::Size size, ui::Size imageSize);
  // The pixel size an image is kept at for a view of `size`: 3.33 times larger, never larger than the
  // image, rounded to whole pixels.
  static ui::Size targetPixelSize(ui::Size size, ui::Size imageSize);

  // The serial queue decodes run on; a test may install its own (nullptr goes back to the default).
  static std::shared_ptr<dispatch::Queue> decodeQueue();
  static void setDecodeQueueForTesting(std::shared_ptr<dispatch::Queue> queue);
  // Waits until every decode asked for so far has run (its image is then on its way to the main queue).
  static void waitForPendingDecodes();

  // The cache used; the record store's unless a test installs another (nullptr restores it).
  static ImageCache& cache();
  static void setCacheForTesting(std::shared_ptr<ImageCache> cache);
};

}  // namespace vl
