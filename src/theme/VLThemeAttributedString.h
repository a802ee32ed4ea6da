#pragma once

#include <string>

#include "platform/foundation/Text.h"
#include "platform/ui/text/AttributedString.h"

namespace vl {

// Colours of attributed text given by theme asset keys. A resolved colour is stored with the key it came
// from (TextAttributes keeps both), so whoever rebuilds the text later can resolve it again with
// replaceByAssetKeyValue. Attributed strings are values and follow no changes by themselves.

// Adds the key's colour over the range as the foreground (ui::TextAttribute::ForegroundColor) or the
// background (BackgroundColor) colour. A key without a colour is logged ("===========key: <key>") and
// adds nothing; an attribute that is not a colour is logged and adds nothing.
void addAttribute(ui::AttributedString& string, ui::TextAttribute attribute, const std::string& assetKey,
                  Range range);

// Like the string's own setAttributes and addAttributes, after replaceByAssetKeyValue.
void setAttributesSupportedAssetKey(ui::AttributedString& string, const ui::TextAttributes& attributes,
                                    Range range);
void addAttributesSupportedAssetKey(ui::AttributedString& string, const ui::TextAttributes& attributes,
                                    Range range);

// A copy in which a foreground or background colour given by key gets the key's colour in the current
// theme and mode; a key without a colour removes that colour (key and value). Other attributes stay.
ui::TextAttributes replaceByAssetKeyValue(const ui::TextAttributes& attributes);

}  // namespace vl
