#pragma once

#include <memory>
#include <string>

#include "platform/ui/controls/Button.h"

namespace vl {

// The Cancel and Back buttons of a page's bar: 65 x 30, secondary colours with a border, 16-point title.
std::shared_ptr<ui::Button> makeNavigationItemButton(const std::string& title);

}  // namespace vl
