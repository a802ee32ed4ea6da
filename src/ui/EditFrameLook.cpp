#include "ui/EditFrameLook.h"

namespace vl {

void fillEditKeys(const AssetKey& border, const AssetKey& background, AssetKey& editBorder,
                  AssetKey& editBackground) {
  if (!editBackground) editBackground = background;
  if (!editBorder) editBorder = border;
}

void applyFrameLook(ui::Layer& layer, const AssetKey& border, const AssetKey& background,
                    double borderWidth) {
  vl::setBorderColorAssetKey(layer, border);
  vl::setBackgroundColorAssetKey(layer, background);
  layer.setBorderWidth(borderWidth);
}

void setUpFrameLook(ui::Layer& layer, double radius, const AssetKey& border, const AssetKey& background,
                    double borderWidth) {
  layer.setCornerRadius(radius);
  applyFrameLook(layer, border, background, borderWidth);
}

}  // namespace vl
