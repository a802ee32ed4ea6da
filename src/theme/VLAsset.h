#pragma once

#include "theme/VLAppearanceValue.h"

namespace vl {

// The value of one asset key: one value for both modes, or one per mode. A slot left none is unset.
struct VLAsset {
  VLAppearanceValue any;
  VLAppearanceValue light;
  VLAppearanceValue dark;

  bool isEmpty() const { return any.isNone() && light.isNone() && dark.isNone(); }
  // The slot of `mode` (0 light, 1 dark); none for any other mode.
  const VLAppearanceValue& slotForMode(std::int64_t mode) const {
    static const VLAppearanceValue none;
    return mode == 0 ? light : mode == 1 ? dark : none;
  }
};

}  // namespace vl
