#include "VLEngine/image/ImageCache.h"

#include <cctype>

#include "VLEngine/image/ImageCodec.h"
#include "platform/foundation/Crypto.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"

namespace vl {

namespace {

constexpr std::string_view kFileSuffix = ".vlimage.png";
constexpr std::size_t kMaxGroup = 64;

// The group of a "<group>@<rest>" key; "" for any other key.
std::string_view groupOf(std::string_view key) {
  const std::size_t at = key.find('@');
  if (at == 0 || at == std::string_view::npos || at > kMaxGroup) return {};
  for (char c : key.substr(0, at)) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return {};
  }
  return key.substr(0, at);
}

}  // namespace

ImageCache::ImageCache(std::string nameSpace, std::string diskDirectory, std::size_t memoryLimit)
    : diskPath_(files::joinPath(diskDirectory, nameSpace)),
      memoryLimit_(memoryLimit == 0 ? 1 : memoryLimit) {}

std::string ImageCache::cachePathForKey(const std::string& key) const {
  const std::string_view group = groupOf(key);
  const std::string name = group.empty() ? md5Hex(key) : std::string(group) + "-" + md5Hex(key);
  return files::joinPath(diskPath_, name + std::string(kFileSuffix));
}

void ImageCache::rememberLocked(const std::string& key, const ui::ImageRef& image) {
  if (auto it = memory_.find(key); it != memory_.end()) {
    order_.erase(it->second);
    memory_.erase(it);
  }
  order_.emplace_front(key, image);
  memory_[key] = order_.begin();
  while (order_.size() > memoryLimit_) {
    memory_.erase(order_.back().first);
    order_.pop_back();
  }
}

void ImageCache::storeImage(const ui::ImageRef& image, const std::string& key, bool toDisk) {
  if (!image) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    rememberLocked(key, image);
  }
  if (!toDisk) return;
  // An image known only by its size (a GIF) has nothing to write.
  std::optional<std::string> png = ImageCodec::encodePNG(*image);
  if (!png) return;
  if (!files::createDirectories(diskPath_) || !files::atomicWrite(cachePathForKey(key), *png, 0600)) {
    logWarningf("image cache: cannot write %s", cachePathForKey(key).c_str());
  }
}

ui::ImageRef ImageCache::imageFromMemoryCacheForKey(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = memory_.find(key);
  if (it == memory_.end()) return nullptr;
  order_.splice(order_.begin(), order_, it->second);
  return it->second->second;
}

ui::ImageRef ImageCache::imageFromDiskCacheForKey(const std::string& key) {
  const std::string path = cachePathForKey(key);
  if (!files::isRegularFile(path)) return nullptr;
  ui::ImageRef image = ImageCodec::imageWithContentsOfFile(path);
  if (!image) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  rememberLocked(key, image);
  return image;
}

ui::ImageRef ImageCache::imageFromCacheForKey(const std::string& key) {
  if (ui::ImageRef image = imageFromMemoryCacheForKey(key)) return image;
  return imageFromDiskCacheForKey(key);
}

void ImageCache::removeImageForKey(const std::string& key) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto it = memory_.find(key); it != memory_.end()) {
      order_.erase(it->second);
      memory_.erase(it);
    }
  }
  (void)files::removeRecursive(cachePathForKey(key));  // a cache file left behind is only space
}

void ImageCache::removeImagesOfKeyPrefix(const std::string& group) {
  if (group.empty() || groupOf(group + "@") != group) return;
  const std::string keyStart = group + "@";
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = order_.begin(); it != order_.end();) {
      if (startsWith(it->first, keyStart)) {
        memory_.erase(it->first);
        it = order_.erase(it);
      } else {
        ++it;
      }
    }
  }
  files::DirectoryListing listing = files::listDirectory(diskPath_);
  if (!listing.ok()) return;
  const std::string fileStart = group + "-";
  for (const std::string& name : listing.names) {
    if (startsWith(name, fileStart) && endsWith(name, kFileSuffix))
      if (!files::removeRecursive(files::joinPath(diskPath_, name)))
        logWarningf("image cache: cannot remove %s", name.c_str());
  }
}

void ImageCache::clearMemory() {
  std::lock_guard<std::mutex> lock(mutex_);
  order_.clear();
  memory_.clear();
}

void ImageCache::clearDisk() {
  files::DirectoryListing listing = files::listDirectory(diskPath_);
  if (!listing.ok()) return;
  for (const std::string& name : listing.names) {
    if (endsWith(name, kFileSuffix)) (void)files::removeRecursive(files::joinPath(diskPath_, name));
  }
}

}  // namespace vl
