#pragma once

#include "platform/ui/graphics/Color.h"

namespace vl::ui {

// The colours the toolkit's own controls take where their owner set none, for the desktop's light or dark
// mode at the moment of drawing (SystemAppearance). A colour an owner set stays as set. Every text colour
// here has a contrast of at least 4.5:1 against the backgrounds it is drawn on.
struct SystemColors {
  // Text in fields and text views, and what lies behind it.
  static Color text();
  static Color textBackground();
  static Color placeholderText();
  // Text of a control that cannot be used now: greyer than the others, and still readable.
  static Color disabledText();
  // Buttons, pop-ups and check boxes: their face, edge, title and the mark on a ticked box.
  static Color controlBackground();
  static Color controlHighlightBackground();
  static Color controlBorder();
  static Color controlText();
  static Color controlAccent();
  static Color controlMark();
  // A scroller's track and knob.
  static Color scrollerSlot();
  static Color scrollerKnob();
  // The selected text's background while the view has the keyboard.
  static Color selectedTextBackground();

  // Near-black or white, whichever reads better on the fill (a tag in a colour the user or a rule chose).
  static Color textOn(const Color& fill);

  // The contrast ratio of two opaque colours (1 ... 21), as the accessibility guidelines define it.
  static double contrastRatio(const Color& a, const Color& b);
  static double relativeLuminance(const Color& c);
};

}  // namespace vl::ui
