#pragma once

#include <string>
#include <vector>

#include "platform/ui/graphics/Geometry.h"
#include "support/Gallery.h"

namespace vl::ui {
class Window;
}

namespace vl::test {

// One text of a painted window that does not stand out enough from what is behind it.
struct TextContrastFault {
  std::string text;
  ui::Rect rect;  // window points
  Pixel ink;      // the text's colour as painted over its background
  Pixel background;
  double ratio = 0;
};

// Paints the window in the appearance of the moment and measures every text it draws against what lies
// behind it: the colour most pixels of the text's rectangle show in the picture, leaving out the parts
// that opaque views drawn later cover. A text that left no pixel of its colour in what is seen (covered,
// scrolled out of sight) is not measured. Texts below `minimum` come back, worst first.
std::vector<TextContrastFault> textContrastFaults(ui::Window& window, double minimum = 4.5);
// One line per fault, for a failure message.
std::string describe(const std::vector<TextContrastFault>& faults);

}  // namespace vl::test
