#pragma once

#include <cstdint>

namespace vl {

// A blurred system background: the platform's visual-effect material number and whether it is drawn
// emphasized (the selection material is).
struct VLVisualEffectObject {
  std::int64_t material = 0;
  bool emphasized = false;

  static VLVisualEffectObject ofMaterial(std::int64_t material, bool emphasized) {
    return {material, emphasized};
  }
  bool operator==(const VLVisualEffectObject&) const = default;
};

}  // namespace vl
