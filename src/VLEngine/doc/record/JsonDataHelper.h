#pragma once

#include <optional>
#include <string>

#include "platform/foundation/Json.h"

namespace vl {

// What a record's json says about its preview and its path through sync. A json that is absent or not
// an object answers like an empty one.
class JsonDataHelper {
 public:
  // The preview's plain text view, for every record that names no view of its own.
  static constexpr const char* kTextViewClass = "NSTextView";

  // The view class named by "system", else by "custom_view", else the text view class.
  static std::string getViewCls(const std::optional<Json>& json);
  static bool isForeverImage(const std::optional<Json>& json);
  // The first present of "forever_image", "image", "web_image", "image_relative"; "" when none.
  static std::string getImagePath(const std::optional<Json>& json);
  // Application and file records stay on this device.
  static bool skipSync(const std::optional<Json>& json);

  // The text under `key`, when the json is an object holding text there.
  static std::optional<std::string> stringOf(const std::optional<Json>& json, const char* key);
  static bool has(const std::optional<Json>& json, const char* key);
};

}  // namespace vl
