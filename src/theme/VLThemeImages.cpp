#include "theme/VLThemeImages.h"

#include <memory>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/Url.h"
#include "platform/ui/graphics/ImageLoader.h"

namespace vl {

namespace {

ui::ImageRef imageAtPath(const std::string& path, const std::string& name) {
  if (!files::isRegularFile(path)) return nullptr;
  return ui::loadImageFile(path, name);
}

}  // namespace

ui::ImageRef themeImageNamed(const std::string& name) {
  if (name.empty() || name.find("..") != std::string::npos) {
    logWarningf("theme: no image named \"%s\"", name.c_str());
    return nullptr;
  }
  for (const std::string& candidate : {"images/" + name + ".png", "images/" + name, name + ".png"}) {
    std::string path = resourcePath(candidate);
    if (path.empty()) break;
    if (auto image = imageAtPath(path, name)) return image;
  }
  logWarningf("theme: no image named \"%s\"", name.c_str());
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
    logWarningf("theme: image url \"%s\" is not a local file; ignored", url.c_str());
    return nullptr;
  }
  auto image = imageAtPath(*path, files::lastPathComponent(*path));
  if (!image) logWarningf("theme: no image at \"%s\"", path->c_str());
  return image;
}

}  // namespace vl
