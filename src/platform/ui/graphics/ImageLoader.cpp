#include "platform/ui/graphics/ImageLoader.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Resources.h"
#include "platform/ui/window/Screen.h"

namespace vl::ui {

namespace {

std::atomic<std::shared_ptr<ImageLoader>>& installed() {
  static std::atomic<std::shared_ptr<ImageLoader>> loader;
  return loader;
}

std::mutex& namedMutex() {
  static std::mutex m;
  return m;
}

std::map<std::string, ImageRef>& namedImages() {
  static std::map<std::string, ImageRef> images;
  return images;
}

ImageRef headerOnly(const std::string& path, const std::string& name, double pixelsPerPoint) {
  if (!files::isRegularFile(path)) return nullptr;
  Size pixels = pngHeaderSize(path).value_or(Size{});
  return std::make_shared<Image>(Size{pixels.width / pixelsPerPoint, pixels.height / pixelsPerPoint}, name);
}

}  // namespace

std::optional<Size> pngHeaderSize(const std::string& path) {
  const std::optional<std::string> head = files::readFileHead(path, 24);
  if (!head || head->size() < 24) return std::nullopt;
  const auto* header = reinterpret_cast<const unsigned char*>(head->data());
  static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  for (int i = 0; i < 8; ++i) {
    if (header[i] != signature[i]) return std::nullopt;
  }
  auto be32 = [&](int at) {
    return (std::uint32_t(header[at]) << 24) | (std::uint32_t(header[at + 1]) << 16) |
           (std::uint32_t(header[at + 2]) << 8) | std::uint32_t(header[at + 3]);
  };
  return Size{static_cast<double>(be32(16)), static_cast<double>(be32(20))};
}

bool hasImageLoader() { return installed().load() != nullptr; }

void setImageLoader(std::shared_ptr<ImageLoader> loader) {
  installed().store(std::move(loader));
  std::lock_guard<std::mutex> lock(namedMutex());
  namedImages().clear();
}

ImageRef loadImageFile(const std::string& path, const std::string& name, double pixelsPerPoint) {
  if (!(pixelsPerPoint > 0) || pixelsPerPoint > 16) pixelsPerPoint = 1;
  if (auto loader = installed().load()) return loader->load(path, name, pixelsPerPoint);
  return headerOnly(path, name, pixelsPerPoint);
}

ImageRef Image::named(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos || name.find("..") != std::string::npos) {
    logWarningf("image: no image named \"%s\"", name.c_str());
    return nullptr;
  }
  auto screen = Screen::mainScreen();
  const bool preferDouble = screen && screen->backingScaleFactor() >= 1.5;
  const std::string key = name + (preferDouble ? "@2x" : "");
  {
    std::lock_guard<std::mutex> lock(namedMutex());
    auto it = namedImages().find(key);
    if (it != namedImages().end()) return it->second;
  }
  const std::string single = resourcePath("images/" + name + ".png");
  const std::string twice = resourcePath("images/" + name + "@2x.png");
  ImageRef image;
  for (int pass = 0; pass < 2 && !image; ++pass) {
    const bool useDouble = (pass == 0) == preferDouble;
    const std::string& path = useDouble ? twice : single;
    if (!path.empty() && files::isRegularFile(path)) image = loadImageFile(path, name, useDouble ? 2 : 1);
  }
  if (!image) logWarningf("image: no image named \"%s\"", name.c_str());
  std::lock_guard<std::mutex> lock(namedMutex());
  namedImages()[key] = image;
  return image;
}

}  // namespace vl::ui
