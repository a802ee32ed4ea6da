#include "theme/VLThemeImages.h"

#include <cstdint>
#include <fstream>
#include <memory>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/Url.h"

namespace vl {

namespace {

// Width and height from a PNG's header chunk; a zero size for other files.
ui::Size pngSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char header[24] = {};
  if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return {};
  static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  for (int i = 0; i < 8; ++i) {
    if (header[i] != signature[i]) return {};
  }
  auto be32 = [&](int at) {
    return (std::uint32_t(header[at]) << 24) | (std::uint32_t(header[at + 1]) << 16) |
           (std::uint32_t(header[at + 2]) << 8) | std::uint32_t(header[at + 3]);
  };
  return {static_cast<double>(be32(16)), static_cast<double>(be32(20))};
}

ui::ImageRef imageAtPath(const std::string& path, const std::string& name) {
  if (!files::isRegularFile(path)) return nullptr;
  return std::make_shared<ui::Image>(pngSize(path), name);
}

}  // namespace

ui::ImageRef themeImageNamed(const std::string& name) {
  if (name.empty() || name.find("..") != std::string::npos) {
    logf("theme: no image named \"%s\"", name.c_str());
    return nullptr;
  }
  for (const std::string& candidate : {"images/" + name + ".png", "images/" + name, name + ".png"}) {
    std::string path = resourcePath(candidate);
    if (path.empty()) break;
    if (auto image = imageAtPath(path, name)) return image;
  }
  logf("theme: no image named \"%s\"", name.c_str());
  return nullptr;
}

ui::ImageRef themeImageAtURL(const std::string& url) {
  std::optional<std::string> path;
  if (!url.empty() && url.front() == '/') {
    path = url;
  } else {
    path = pathFromFileUrl(url);
  }
  if (!path) {
    logf("theme: image url \"%s\" is not a local file; ignored", url.c_str());
    return nullptr;
  }
  auto image = imageAtPath(*path, files::lastPathComponent(*path));
  if (!image) logf("theme: no image at \"%s\"", path->c_str());
  return image;
}

}  // namespace vl
