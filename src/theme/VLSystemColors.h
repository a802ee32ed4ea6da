#pragma once

#include <optional>
#include <string>

#include "platform/ui/graphics/Color.h"

namespace vl {

// The fixed table of system colours that systemColor(named:) may name, by the platform colour class's
// operation names ("labelColor", "systemBlueColor", "clearColor", ...). Semantic colours differ between
// light and dark mode; the others have one value.
struct VLSystemColor {
  ui::Color light;
  ui::Color dark;
  bool isDynamic() const { return !(light == dark); }
};

// nullopt for a name outside the table: nothing else is ever looked up or called by name.
std::optional<VLSystemColor> systemColorNamed(const std::string& name);

}  // namespace vl
