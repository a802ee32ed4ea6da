#include "VLEngine/doc/record/JsonDataHelper.h"

namespace vl {

bool JsonDataHelper::has(const std::optional<Json>& json, const char* key) {
  return json && json->is_object() && json->contains(key);
}

std::optional<std::string> JsonDataHelper::stringOf(const std::optional<Json>& json, const char* key) {
  if (!json || !json->is_object()) return std::nullopt;
  auto it = json->find(key);
  if (it == json->end() || !it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

std::string JsonDataHelper::getViewCls(const std::optional<Json>& json) {
  for (const char* key : {"system", "custom_view"}) {
    if (!has(json, key)) continue;
    // A present key that does not hold a name names no class; the preview then shows the text.
    return stringOf(json, key).value_or(kTextViewClass);
  }
  return kTextViewClass;
}

bool JsonDataHelper::isForeverImage(const std::optional<Json>& json) { return has(json, "forever_image"); }

std::string JsonDataHelper::getImagePath(const std::optional<Json>& json) {
  for (const char* key : {"forever_image", "image", "web_image", "image_relative"}) {
    if (auto path = stringOf(json, key)) return *path;
  }
  return {};
}

bool JsonDataHelper::skipSync(const std::optional<Json>& json) {
  return has(json, "app") || has(json, "file");
}

}  // namespace vl
