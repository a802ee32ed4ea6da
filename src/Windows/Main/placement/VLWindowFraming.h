#pragma once

#include "platform/ui/graphics/Geometry.h"

namespace vl {

class DragStore;

// A window whose position is remembered per screen answers where it goes the first time it shows on a
// screen: its size and its distance from the screen's edges (an inset of 0 does not apply).
class VLWindowFraming {
 public:
  virtual ~VLWindowFraming() = default;
  virtual ui::Size defaultSize() const = 0;
  virtual ui::EdgeInsets defaultEdgeInsets() const = 0;
  // The store that remembers this window's origins, when it keeps one; the registry asks it for the
  // frame each time the window shows.
  virtual DragStore* dragStore() { return nullptr; }
};

}  // namespace vl
