#pragma once

#include "platform/ui/view/View.h"

namespace vl::arrow_cursor {

// Text that reads like a label: the arrow over the whole view instead of the text beam.
inline void resetCursorRects(ui::View& view) {
  view.discardCursorRects();
  view.addCursorRect(view.bounds(), ui::Cursor::arrow());
}

inline void set() { ui::Cursor::arrow().set(); }

}  // namespace vl::arrow_cursor
