#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/ui/text/Font.h"

namespace vl::ui {

// Measures text the way a renderer draws it. A desktop backend installs one so that what TextMetrics,
// TextLayout and Font measure is what gets painted; without one the toolkit keeps its fixed headless
// metrics. Implementations answer from any thread.
class TextEngine {
 public:
  virtual ~TextEngine() = default;
  // Above and below the baseline (both positive), in points.
  virtual double ascender(const Font& font) = 0;
  virtual double descender(const Font& font) = 0;
  // The advance of each code point of one line of text in one font, shaped together: a cluster's
  // advance goes to its first code point and the rest of the cluster gets 0. `out` is resized to exactly
  // chars.size(). The text holds no line ends.
  virtual void advances(std::u32string_view chars, const Font& font, std::vector<double>& out) = 0;
};

// The installed engine, or nullptr for the headless metrics. An engine is installed at start-up (or by a
// test) before windows lay out text; nullptr goes back to the headless metrics.
void setTextEngine(std::shared_ptr<TextEngine> engine);
std::shared_ptr<TextEngine> textEngine();

}  // namespace vl::ui
