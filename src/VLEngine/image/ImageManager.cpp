#include "VLEngine/image/ImageManager.h"

#include <cstdlib>

#include "VLEngine/doc/record/JsonDataHelper.h"
#include "VLEngine/image/ImageCodec.h"
#include "platform/foundation/Environment.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Url.h"

namespace vl {

ImageManager& ImageManager::shared() {
  static ImageManager manager;
  return manager;
}

ImageCache& ImageManager::cache() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!cache_) {
    const std::string xdg = environmentValue("XDG_CACHE_HOME");
    std::string base = !xdg.empty() ? xdg : files::joinPath(files::homeDirectory(), ".cache");
    cache_ = std::make_unique<ImageCache>(kCacheNamespace, files::joinPath(base, kDiskCacheDirectory));
  }
  return *cache_;
}

void ImageManager::resetForTesting() {
  std::lock_guard<std::mutex> lock(mutex_);
  cache_.reset();
}

std::optional<std::string> ImageManager::existingFile(const std::string& value) {
  if (value.empty()) return std::nullopt;
  std::string path = percentDecode(value);
  if (!files::isRegularFile(path)) return std::nullopt;
  return path;
}

ui::ImageRef ImageManager::loadImage(const std::string& value) {
  if (value.empty()) return nullptr;
  std::optional<std::string> path = pathFromFileUrl("file://" + value);
  if (!path) return nullptr;
  return ImageCodec::imageWithContentsOfFile(*path);
}

std::optional<std::string> ImageManager::getPath(const std::optional<Json>& json, bool* checkPermission) {
  struct Candidate {
    const char* key;
    bool permission;
  };
  static constexpr Candidate kOrder[] = {
      {"forever_image", false}, {"image", true}, {"image_relative", true}, {"web_image", false}};
  for (const Candidate& candidate : kOrder) {
    std::optional<std::string> value = JsonDataHelper::stringOf(json, candidate.key);
    if (!value || !existingFile(*value)) continue;
    if (checkPermission) *checkPermission = candidate.permission;
    return "file://" + *value;
  }
  return std::nullopt;
}

}  // namespace vl
