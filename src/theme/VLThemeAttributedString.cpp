#include "theme/VLThemeAttributedString.h"

#include <optional>

#include "platform/foundation/Log.h"
#include "theme/VLThemeManager.h"

namespace vl {

namespace {

// Resolves one colour given by key in place; removes it when the key has none.
void resolve(std::optional<std::string>& key, std::optional<ui::Color>& color) {
  if (!key) return;
  color = VLThemeManager::shared().colorForKey(*key);
  if (!color) key.reset();
}

}  // namespace

void addAttribute(ui::AttributedString& string, ui::TextAttribute attribute, const std::string& assetKey,
                  Range range) {
  const bool foreground = attribute == ui::TextAttribute::ForegroundColor;
  if (!foreground && attribute != ui::TextAttribute::BackgroundColor) {
    logWarningf("theme: attribute %d takes no colour; key %s not added", static_cast<int>(attribute),
                assetKey.c_str());
    return;
  }
  std::optional<ui::Color> color = VLThemeManager::shared().colorForKey(assetKey);
  if (!color) {
    logDebug("===========key: " + assetKey);
    return;
  }
  ui::TextAttributes attributes;
  if (foreground) {
    attributes.foregroundColor = color;
    attributes.foregroundColorAssetKey = assetKey;
  } else {
    attributes.backgroundColor = color;
    attributes.backgroundColorAssetKey = assetKey;
  }
  string.addAttributes(attributes, range);
}

void setAttributesSupportedAssetKey(ui::AttributedString& string, const ui::TextAttributes& attributes,
                                    Range range) {
  string.setAttributes(replaceByAssetKeyValue(attributes), range);
}

void addAttributesSupportedAssetKey(ui::AttributedString& string, const ui::TextAttributes& attributes,
                                    Range range) {
  string.addAttributes(replaceByAssetKeyValue(attributes), range);
}

ui::TextAttributes replaceByAssetKeyValue(const ui::TextAttributes& attributes) {
  ui::TextAttributes copy = attributes;
  resolve(copy.foregroundColorAssetKey, copy.foregroundColor);
  resolve(copy.backgroundColorAssetKey, copy.backgroundColor);
  return copy;
}

}  // namespace vl
