#pragma once

#include "platform/ui/graphics/Color.h"
#include "platform/ui/graphics/Geometry.h"

namespace vl {

// How an application list draws its rows.
class WhitelistDelegate {
 public:
  virtual ~WhitelistDelegate() = default;
  // Width and height of one row.
  virtual ui::Size sizeOfMenuItem() const = 0;
  virtual ui::Color menuBackgroundColor() const = 0;
};

}  // namespace vl
