#pragma once

#include "platform/ui/text/Font.h"

namespace vl {

// The four text sizes of the application, all the regular system font.
class VLFont {
 public:
  static ui::Font matched() { return ui::Font::systemFont(14); }
  static ui::Font headNeg1() { return ui::Font::systemFont(16); }
  static ui::Font mainFont() { return ui::Font::systemFont(13); }
  static ui::Font head2() { return ui::Font::systemFont(11); }
};

}  // namespace vl
