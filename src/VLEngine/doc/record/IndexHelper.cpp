#include "VLEngine/doc/record/IndexHelper.h"

#include <cmath>

#include "VLEngine/doc/record/JsonDataHelper.h"
#include "VLEngine/image/ImageCodec.h"
#include "VLEngine/image/ImageManager.h"
#include "core/files/VLFileManager.h"
#include "platform/foundation/Url.h"

namespace vl {

namespace {

bool has(const std::optional<Json>& json, const char* key) { return JsonDataHelper::has(json, key); }

// The value under key when it is text the file manager may read.
std::optional<std::string> accessible(const std::optional<Json>& json, const char* key) {
  std::optional<std::string> value = JsonDataHelper::stringOf(json, key);
  if (!value || !VLFileManager::shared().checkFileHasPermission(*value)) return std::nullopt;
  return value;
}

// Decoded straight to the size asked for while the file is read: an icon never costs the memory of the
// full picture, however large it is.
ui::ImageRef loadSized(const std::optional<std::string>& value, double width, double height) {
  if (!value) return nullptr;
  if (!(width > 0) || !(height > 0)) return ImageManager::loadImage(*value);
  const std::optional<std::string> path = pathFromFileUrl("file://" + *value);
  if (!path) return nullptr;
  return ImageCodec::decodeFileFitting(*path, static_cast<int>(std::ceil(width)),
                                       static_cast<int>(std::ceil(height)), "record image");
}

}  // namespace

bool IndexHelper::isApp(const std::optional<Json>& json) { return has(json, "app"); }
bool IndexHelper::isSearch(const std::optional<Json>& json) { return has(json, "search"); }
bool IndexHelper::isRecord(const std::optional<Json>& json) {
  return !has(json, "search") && !has(json, "system") && !has(json, "default_tip");
}
bool IndexHelper::isImage(const std::optional<Json>& json) {
  return has(json, "image") || has(json, "image_relative") || has(json, "web_image") ||
         has(json, "forever_image");
}
bool IndexHelper::isScreenshot(const std::optional<Json>& json) { return has(json, "screenshot"); }
bool IndexHelper::isForeverImage(const std::optional<Json>& json) { return has(json, "forever_image"); }
bool IndexHelper::isSandboxLocation(const std::optional<Json>& json) { return has(json, "copy_date"); }
bool IndexHelper::isFile(const std::optional<Json>& json) { return has(json, "file"); }
bool IndexHelper::hasOCRText(const std::optional<Json>& json) { return has(json, "ocr"); }
bool IndexHelper::isText(const std::optional<Json>& json) {
  return !isImage(json) && !has(json, "file") && !has(json, "app");
}
bool IndexHelper::needShowIcon(const std::optional<Json>& json) {
  for (const char* key : {"app", "image", "image_relative", "file", "web_image", "search", "forever_image"}) {
    if (has(json, key)) return true;
  }
  return false;
}

ui::ImageRef IndexHelper::getImage(const std::optional<Json>& json, double width, double height) {
  const std::optional<std::string> forever = JsonDataHelper::stringOf(json, "forever_image");
  if (std::optional<std::string> image = accessible(json, "image")) {
    if (ui::ImageRef loaded = loadSized(image, width, height)) return loaded;
    if (std::optional<std::string> relative = accessible(json, "image_relative")) {
      if (ui::ImageRef loaded = loadSized(relative, width, height)) return loaded;
    }
    return loadSized(forever, width, height);
  }
  if (std::optional<std::string> web = accessible(json, "web_image")) return loadSized(web, width, height);
  if (std::optional<std::string> relative = accessible(json, "image_relative")) {
    return loadSized(relative, width, height);
  }
  if (forever) return loadSized(forever, width, height);
  return loadSized(JsonDataHelper::stringOf(json, "image_relative"), width, height);
}

}  // namespace vl
