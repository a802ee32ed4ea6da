#include "VLEngine/image/ImageViewLoading.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "VLEngine/image/ImageCache.h"
#include "VLEngine/image/ImageCodec.h"
#include "VLEngine/image/ImageManager.h"
#include "core/files/VLFileManager.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Url.h"
#include "platform/ui/controls/ImageView.h"

namespace vl {

namespace {

constexpr const char* kFileScheme = "file://";

std::mutex& cacheMutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<ImageCache>& installedCache() {
  static std::shared_ptr<ImageCache> cache;
  return cache;
}

bool isFreeHeight(double height) { return height >= ImageViewLoading::kFreeHeight; }

// The image reaches the view on the main queue, whichever thread asked.
void showLater(const ImageViewLoading::ImageSink& sink, const ui::ImageRef& image) {
  if (!sink) return;
  dispatch::Queue::main()->async([sink, image] { sink(image); });
}

std::mutex& decodeQueueMutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<dispatch::Queue>& installedDecodeQueue() {
  static std::shared_ptr<dispatch::Queue> queue;
  return queue;
}

dispatch::Group& pendingDecodes() {
  static dispatch::Group* group = new dispatch::Group();  // never destroyed: decodes may run at exit
  return *group;
}

// The size in points a decoded copy stands for: the exact aspect-fit of the image in the view's size,
// so the size a view takes from it keeps the image's proportions (300 x 225, not 224.92).
ui::Size pointsForDisplay(ui::Size natural, ui::Size fitted) {
  const double scale =
      std::min(std::min(fitted.width * ImageViewLoading::kDisplayScale, natural.width) / natural.width,
               std::min(fitted.height * ImageViewLoading::kDisplayScale, natural.height) / natural.height);
  return {natural.width * scale, natural.height * scale};
}

}  // namespace

ImageCache& ImageViewLoading::cache() {
  std::shared_ptr<ImageCache> installed;
  {
    std::lock_guard<std::mutex> lock(cacheMutex());
    installed = installedCache();
  }
  // A test's cache lives as long as the test keeps it installed.
  if (installed) return *installed;
  return ImageManager::shared().cache();
}

void ImageViewLoading::setCacheForTesting(std::shared_ptr<ImageCache> cache) {
  std::lock_guard<std::mutex> lock(cacheMutex());
  installedCache() = std::move(cache);
}

std::string ImageViewLoading::_cacheKey(const std::string& path, double width) {
  const std::string ending = lowercase(files::pathExtension(path)) == "gif" ? "" : "@3x.";
  const long wide = std::isfinite(width) ? static_cast<long>(width) : 0;
  return cacheKeyPrefix(path) + "@" + std::to_string(wide) + "w" + ending;
}

std::string ImageViewLoading::cacheKeyPrefix(const std::string& path) {
  return Vellisto_Chunk::md5HexDigest(path);
}

bool ImageViewLoading::isThumbnail(const std::string& cacheKey) {
  return cacheKey.find("@18w") != std::string::npos;
}

ui::Size ImageViewLoading::fittedSize(ui::Size size, ui::Size imageSize) {
  if (!isFreeHeight(size.height) || !(imageSize.width > 0)) return size;
  const double width = std::min(size.width, imageSize.width);
  return {width, imageSize.height * width / imageSize.width};
}

ui::Size ImageViewLoading::targetPixelSize(ui::Size size, ui::Size imageSize) {
  // Whole pixels: a bitmap cannot be 749.25 pixels high.
  const double wide = std::min(size.width * kDisplayScale, imageSize.width);
  const double high = std::min(size.height * kDisplayScale, imageSize.height);
  return {std::max(1.0, std::round(wide)), std::max(1.0, std::round(high))};
}

std::shared_ptr<dispatch::Queue> ImageViewLoading::decodeQueue() {
  std::lock_guard<std::mutex> lock(decodeQueueMutex());
  if (!installedDecodeQueue()) installedDecodeQueue() = dispatch::Queue::serial("vl.image-decode");
  return installedDecodeQueue();
}

void ImageViewLoading::setDecodeQueueForTesting(std::shared_ptr<dispatch::Queue> queue) {
  std::lock_guard<std::mutex> lock(decodeQueueMutex());
  installedDecodeQueue() = std::move(queue);
}

void ImageViewLoading::waitForPendingDecodes() { pendingDecodes().wait(); }

ui::ImageRef ImageViewLoading::_loadImageFromDisk(const std::string& path, ui::Size size,
                                                  const std::string& cacheKey, bool checkPermission,
                                                  std::optional<VLError>* error) {
  const std::string urlPath =
      startsWith(path, kFileScheme) ? path.substr(std::string(kFileScheme).size()) : path;
  if (checkPermission && !VLFileManager::shared().checkFileHasPermission(urlPath)) {
    if (error) *error = VLError::ofCode(kErrorNoPermission, "");
    return nullptr;
  }

  ui::ImageRef image;
  const std::optional<std::string> filePath =
      pathFromFileUrl(startsWith(path, kFileScheme) ? path : kFileScheme + path);
  const std::optional<ImageProbe> probed = filePath ? ImageCodec::probeFile(*filePath) : std::nullopt;
  if (probed) {
    const ui::Size natural{static_cast<double>(probed->wide), static_cast<double>(probed->high)};
    const ui::Size fitted = fittedSize(size, natural);
    const ui::Size pixels = targetPixelSize(fitted, natural);
    // Decoded straight to the size kept: the full-size pixels of a large image never exist here.
    image = ImageCodec::decodeFileFitting(*filePath, static_cast<int>(pixels.width),
                                          static_cast<int>(pixels.height), "record image");
    // A GIF keeps its frames by staying as it is.
    if (image && image->hasPixels()) {
      const ui::Size points = pointsForDisplay(natural, fitted);
      if (image->size() != points) {
        auto copy = std::make_shared<ui::Image>(*image);
        copy->setSize(points);
        image = copy;
      }
    }
  }

  if (image) cache().storeImage(image, cacheKey, /*toDisk=*/true);
  return image;
}

ui::Size ImageViewLoading::_setImage(const ImageSink& sink, const std::optional<Json>& json, ui::Size size,
                                     std::optional<std::string>* path, std::optional<VLError>* error) {
  bool checkPermission = false;
  std::optional<std::string> chosen = ImageManager::getPath(json, &checkPermission);
  if (path) *path = chosen;
  if (!chosen || chosen->empty()) {
    if (error) *error = VLError::ofCode(kErrorNoImageFile, "");
    return {};
  }

  const std::string key = _cacheKey(*chosen, size.width);
  if (ui::ImageRef cached = cache().imageFromMemoryCacheForKey(key)) {
    showLater(sink, cached);
    return fittedSize(size, cached->size());
  }

  // Only the header is read here: the size the view takes. The pixels are decoded on the decode queue,
  // one image at a time, and reach the view when they are ready.
  const std::optional<std::string> filePath = pathFromFileUrl(*chosen);
  const std::optional<ImageProbe> probed = filePath ? ImageCodec::probeFile(*filePath) : std::nullopt;
  if (!probed) {
    // Callers see one code for every image that will not load.
    if (error) *error = VLError::ofCode(kErrorNotLoaded, "");
    return size;
  }
  const ui::Size natural{static_cast<double>(probed->wide), static_cast<double>(probed->high)};
  const std::string url = *chosen;
  pendingDecodes().async(decodeQueue(), [sink, url, size, key, checkPermission] {
    ui::ImageRef image = cache().imageFromDiskCacheForKey(key);
    if (!image) image = _loadImageFromDisk(url, size, key, checkPermission, nullptr);
    if (image) showLater(sink, image);
  });
  return fittedSize(size, natural);
}

void ImageViewLoading::vc_setImage(const std::shared_ptr<ui::ImageView>& view,
                                   const std::optional<Json>& json, ui::Size size,
                                   const Completion& complete) {
  std::weak_ptr<ui::ImageView> weak = view;
  ImageSink sink = [weak](const ui::ImageRef& image) {
    if (auto v = weak.lock()) v->setImage(image);
  };
  std::optional<std::string> path;
  std::optional<VLError> error;
  const ui::Size fitted = _setImage(view ? sink : ImageSink(), json, size, &path, &error);
  if (complete) complete(path, error, fitted);
}

}  // namespace vl
