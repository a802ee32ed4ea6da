#pragma once

#include "platform/ui/graphics/Color.h"
#include "platform/ui/text/AttributedString.h"

namespace vl {

// The least contrast at which a record's own colour is kept. WCAG asks 3:1 of large text and of what
// must be told apart by its colour alone; the detail view sets text at 16 points, and a record's colour
// carries its author's meaning (a red warning, a link, a badge), so it stays as long as it reads that
// well. The colours that fail it are the dark text of a light page shown on the dark view (1.1:1 to
// 1.6:1) and the like.
inline constexpr double kRecordColourContrast = 3;

// Keeps the colours a rich text or HTML record brought along where they read against the view's
// `background`, and shows in `textColor` what would not: a run's own text colour too close to what lies
// behind it is replaced by `textColor`; a run's own background on which its text would not read is
// dropped (unless the run's own text colour reads on it: a pair that reads together stays). Colours
// named by theme keys are the program's own and stay.
void keepRecordColoursReadable(ui::AttributedString& text, const ui::Color& background,
                               const ui::Color& textColor, double minimum = kRecordColourContrast);

}  // namespace vl
