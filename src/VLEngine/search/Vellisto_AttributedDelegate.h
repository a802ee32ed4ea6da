#pragma once

#include "platform/ui/graphics/Color.h"
#include "platform/ui/text/Font.h"

namespace vl {

// The fonts and colours a display could give its rows. The default display takes its attributes from
// the theme's asset keys instead; nothing reads these.
class Vellisto_AttributedDelegate {
 public:
  virtual ~Vellisto_AttributedDelegate() = default;
  virtual ui::Font font() = 0;
  virtual ui::Font basedFont() = 0;
  virtual ui::Color foregroundColor() = 0;
  virtual ui::Color backgroundColor() = 0;
};

}  // namespace vl
