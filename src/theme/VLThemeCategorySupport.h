#pragma once

#include <optional>
#include <string>

#include "platform/ui/graphics/Color.h"
#include "theme/VLAssetKeyStore.h"
#include "theme/VLThemeManager.h"

// Shared by the category sources only; not part of the theme's interface.
namespace vl::theme_detail {

inline constexpr const char* kBackgroundSlot = "backgroundColorAssetKey";
inline constexpr const char* kBorderSlot = "borderColorAssetKey";
inline constexpr const char* kTextSlot = "textColorAssetKey";
inline constexpr const char* kTintSlot = "tintColorAssetKey";

// The key's colour in the current theme and mode; none for no key.
inline std::optional<ui::Color> colorOf(const std::optional<std::string>& key) {
  return key ? VLThemeManager::shared().colorForKey(*key) : std::nullopt;
}

// The key stored under `slot` on the object; none when it has none or was never followed. Keyed by the
// address the object's handle was made with, so callers pass the same static type they built it from.
template <typename T>
std::optional<std::string> storedKey(const T& object, const char* slot) {
  return VLAssetKeyStore::shared().key(&object, object.weak_from_this(), slot);
}

}  // namespace vl::theme_detail
