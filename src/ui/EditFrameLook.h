#pragma once

#include "platform/ui/view/Layer.h"
#include "theme/VLThemeCategories.h"

namespace vl {

// The frame around an editable text box: a resting look, and a wider border in other colours while editing.

// An edit key left unset keeps the resting colour while editing.
void fillEditKeys(const AssetKey& border, const AssetKey& background, AssetKey& editBorder,
                  AssetKey& editBackground);

void applyFrameLook(ui::Layer& layer, const AssetKey& border, const AssetKey& background, double borderWidth);

// The resting look with the box's corner radius, as it joins a view.
void setUpFrameLook(ui::Layer& layer, double radius, const AssetKey& border, const AssetKey& background,
                    double borderWidth);

}  // namespace vl
