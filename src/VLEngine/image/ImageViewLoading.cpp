#include "VLEngine/image/ImageViewLoading.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "VLEngine/doc/Vellisto_Chunk.h"
#include "VLEngine/image/ImageCache.h"
#include "VLEngine/image/ImageCodec.h"
#include "VLEngine/image/ImageManager.h"
#include "core/VLFileManager.h"
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

// The copy kept for a view of `size`: its pixels rounded to whole ones, its size in points the exact
// aspect-fit, so the size a view takes from it keeps the image's proportions (300 x 225, not 224.92).
ui::ImageRef scaledForDisplay(const ui::ImageRef& image, ui::Size size) {
  const ui::Size natural = image->size();
  const ui::Size fitted = ImageViewLoading::fittedSize(size, natural);
  const ui::Size pixels = ImageViewLoading::targetPixelSize(fitted, natural);
  ui::ImageRef resized = ImageCodec::resizedImage(image, pixels.width, pixels.height);
  if (!resized || resized == image) return resized;
  const double scale =
      std::min(std::min(fitted.width * ImageViewLoading::kDisplayScale, natural.width) / natural.width,
               std::min(fitted.height * ImageViewLoading::kDisplayScale, natural.height) / natural.height);
  const ui::Size points{natural.width * scale, natural.height * scale};
  if (resized->size() == points) return resized;
  auto copy = std::make_shared<ui::Image>(*resized);
  copy->setSize(points);
  return copy;
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
  return Vellisto_Chunk::md5HexDigest(path) + "@" + std::to_string(wide) + "w" + ending;
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
  ImageFormat format = ImageFormat::Undefined;
  std::optional<std::string> filePath =
      pathFromFileUrl(startsWith(path, kFileScheme) ? path : kFileScheme + path);
  std::optional<std::string> bytes = filePath ? files::readFile(*filePath) : std::nullopt;
  if (bytes) {
    format = ImageCodec::imageFormatForImageData(*bytes);
    image = ImageCodec::decode(*bytes, "record image");
  }
  // A GIF keeps its frames by staying as it is.
  if (image && format != ImageFormat::GIF && image->isValid()) image = scaledForDisplay(image, size);

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
  if (ui::ImageRef cached = cache().imageFromCacheForKey(key)) {
    showLater(sink, cached);
    return fittedSize(size, cached->size());
  }

  std::optional<VLError> diskError;
  ui::ImageRef image = _loadImageFromDisk(*chosen, size, key, checkPermission, &diskError);
  if (!image) {
    // Callers see one code for every failed load, a refused permission included.
    if (error) *error = VLError::ofCode(kErrorNotLoaded, "");
    return size;
  }
  showLater(sink, image);
  return fittedSize(size, image->size());
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
