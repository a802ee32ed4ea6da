#pragma once

#include <optional>

#include "platform/foundation/Json.h"
#include "platform/ui/graphics/Image.h"

namespace vl {

// Record kinds read from a record's json: a key counts when it is present, whatever its value. A json
// that is absent or not an object has no keys.
class IndexHelper {
 public:
  static bool isApp(const std::optional<Json>& json);
  static bool isSearch(const std::optional<Json>& json);
  // A row of the lists that stands for a record the user copied, pinned or named: not the web search of
  // the query ("search"), a hint of the program's own ("system") or the tip of an empty pin tab
  // ("default_tip"). Only such a row has a copy time and a name, and may be deleted, pinned or pasted.
  static bool isRecord(const std::optional<Json>& json);
  // "image", "image_relative", "web_image" or "forever_image".
  static bool isImage(const std::optional<Json>& json);
  static bool isScreenshot(const std::optional<Json>& json);
  static bool isForeverImage(const std::optional<Json>& json);
  // The record names a copy in the dated image folder.
  static bool isSandboxLocation(const std::optional<Json>& json);
  static bool isFile(const std::optional<Json>& json);
  static bool hasOCRText(const std::optional<Json>& json);
  // Neither an image, nor a file, nor an application.
  static bool isText(const std::optional<Json>& json);
  static bool needShowIcon(const std::optional<Json>& json);

  // The record's image, from the first of its image files that can be read, decoded to fit width x
  // height when both are positive (at its own size otherwise). nullptr when none loads.
  static ui::ImageRef getImage(const std::optional<Json>& json, double width, double height);
};

}  // namespace vl
