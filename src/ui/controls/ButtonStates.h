#pragma once

#include "platform/ui/view/View.h"
#include "theme/VLThemeCategories.h"

namespace vl {

// A state the caller gave no colour of its own shows the normal one.
void fillEmptyStateKeys(const AssetKey& normal, AssetKey& highlighted, AssetKey& selected,
                        AssetKey& disabled);

// The buttons' hover area over the whole view, added once: `added` remembers it. Nothing happens while the
// view is not yet held by a shared pointer, so a later call can still add it.
void addHoverTrackingArea(ui::View& view, bool& added);

}  // namespace vl
