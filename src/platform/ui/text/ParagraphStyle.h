#pragma once

namespace vl::ui {

// How the lines of a paragraph sit between its margins. Natural follows the writing direction (left here).
enum class TextAlignment { Left, Right, Center, Justified, Natural };

// What happens to text that does not fit its width.
enum class LineBreakMode {
  WordWrapping,  // wrap at white space, else between characters
  CharWrapping,  // wrap between any two characters
  Clipping,      // one line per paragraph, cut at the edge
  TruncatingHead,
  TruncatingTail,  // one line per paragraph, the end replaced by an ellipsis
  TruncatingMiddle,
};

}  // namespace vl::ui
