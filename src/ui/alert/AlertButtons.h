#pragma once

#include <memory>
#include <string>

#include "platform/ui/controls/Button.h"

namespace vl {

// The alert's two buttons, 70 x 25, confirm in the accent colour and cancel in the secondary style.
std::shared_ptr<ui::Button> makeAlertConfirmButton(const std::string& title);
std::shared_ptr<ui::Button> makeAlertCancelButton(const std::string& title);

}  // namespace vl
