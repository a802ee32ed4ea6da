#pragma once

#include <cstddef>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/ui/graphics/Image.h"

namespace vl {

// Decoded images kept under a text key, in memory (the most recently used few) and on disk (one PNG
// file per key, named by the key's MD5 so any text is a safe key). A key of the form "<group>@<rest>",
// with a group of letters and digits, keeps its file under a name that starts with the group, so that
// every image of one group (one file shown at several widths) can be removed together. Thread-safe.
class ImageCache {
 public:
  static constexpr std::size_t kDefaultMemoryLimit = 256;

  // Files go to `<diskDirectory>/<nameSpace>/`; the folder is made on the first store.
  ImageCache(std::string nameSpace, std::string diskDirectory, std::size_t memoryLimit = kDefaultMemoryLimit);

  void storeImage(const ui::ImageRef& image, const std::string& key, bool toDisk = true);
  ui::ImageRef imageFromMemoryCacheForKey(const std::string& key);
  // Read from disk, and kept in memory from then on.
  ui::ImageRef imageFromDiskCacheForKey(const std::string& key);
  // Memory first, then disk.
  ui::ImageRef imageFromCacheForKey(const std::string& key);
  void removeImageForKey(const std::string& key);
  // Every image whose key is "<group>@...", in memory and on disk.
  void removeImagesOfKeyPrefix(const std::string& group);
  void clearMemory();
  // Removes the files this cache wrote; nothing else in the folder.
  void clearDisk();

  const std::string& diskCachePath() const { return diskPath_; }
  std::string cachePathForKey(const std::string& key) const;

 private:
  void rememberLocked(const std::string& key, const ui::ImageRef& image);

  std::string diskPath_;
  std::size_t memoryLimit_;
  std::mutex mutex_;
  // Most recently used first.
  std::list<std::pair<std::string, ui::ImageRef>> order_;
  std::unordered_map<std::string, std::list<std::pair<std::string, ui::ImageRef>>::iterator> memory_;
};

}  // namespace vl
