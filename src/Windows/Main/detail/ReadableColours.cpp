#include "Windows/Main/detail/ReadableColours.h"

#include "platform/ui/view/SystemColors.h"

namespace vl {

namespace {

// `c` as it shows over the opaque `under`.
ui::Color over(const ui::Color& c, const ui::Color& under) {
  const double a = c.alpha;
  return ui::Color::rgba(c.red * a + under.red * (1 - a), c.green * a + under.green * (1 - a),
                         c.blue * a + under.blue * (1 - a), 1);
}

bool reads(const ui::Color& ink, const ui::Color& paper, double minimum) {
  return ui::SystemColors::contrastRatio(over(ink, paper), paper) >= minimum;
}

}  // namespace

void keepRecordColoursReadable(ui::AttributedString& text, const ui::Color& background,
                               const ui::Color& textColor, double minimum) {
  const ui::Color paper = over(background, ui::Color::rgba(1, 1, 1, 1));
  text.mapAttributes([&](ui::TextAttributes& a) {
    const bool ownInk = a.foregroundColor && !a.foregroundColorAssetKey;
    const bool ownPaper = a.backgroundColor && !a.backgroundColorAssetKey;
    if (!ownInk && !ownPaper) return;
    if (ownPaper) {
      const ui::Color behind = over(*a.backgroundColor, paper);
      const ui::Color ink = a.foregroundColor ? *a.foregroundColor : textColor;
      // A background is the text's page: kept while the text reads on it, whoever's colour the text has.
      if (reads(ink, behind, minimum)) return;
      a.backgroundColor.reset();
    }
    if (ownInk && !reads(*a.foregroundColor, paper, minimum)) a.foregroundColor = textColor;
  });
}

}  // namespace vl
