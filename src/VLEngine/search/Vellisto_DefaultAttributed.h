#pragma once

#include "VLEngine/search/Vellisto_AttributedDelegate.h"

namespace vl {

class Vellisto_DefaultAttributed : public Vellisto_AttributedDelegate {
 public:
  ui::Font font() override { return ui::Font::systemFont(18); }
  ui::Font basedFont() override { return ui::Font::systemFont(16); }
  ui::Color foregroundColor() override { return ui::Color::rgba(0.2, 0.2, 0.2, 1); }
  ui::Color backgroundColor() override { return ui::Color::rgba(1.0, 250.0 / 255.0, 90.0 / 255.0, 1); }
};

}  // namespace vl
