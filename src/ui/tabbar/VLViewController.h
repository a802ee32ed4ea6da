#pragma once

#include "platform/ui/view/ViewController.h"

namespace vl {

// The toolkit's base view controller: the platform's, under the name the application's pages share.
class VLViewController : public ui::ViewController {};

}  // namespace vl
