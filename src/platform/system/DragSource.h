#pragma once

#include <memory>
#include <vector>

#include "platform/system/Pasteboard.h"
#include "platform/ui/graphics/Geometry.h"

namespace vl {

namespace ui {
class Window;
class DisplayList;
}  // namespace ui

// What follows the pointer while a drag is under way: a picture of what is dragged, recorded from a view
// in its own coordinates (origin bottom left, y up), its size in points, and where in it the pointer
// holds it (points from its top-left corner). An empty one drags without a picture. The picture is
// shared and never changed once made: X11 code includes this header after Xlib, whose macros the
// drawing headers cannot stand.
struct DragImage {
  std::shared_ptr<const ui::DisplayList> picture;
  ui::Size size;
  ui::Point grab;
  bool empty() const;
};

// Drags of our content out of our windows into other applications' windows, in the same typed items the
// pasteboard takes. A backend is installed once at start; the headless one only remembers what it was
// asked to drag. Main thread only.
class DragSource {
 public:
  virtual ~DragSource() = default;

  static std::shared_ptr<DragSource> shared();
  // nullptr goes back to a fresh headless source.
  static void install(std::shared_ptr<DragSource> backend);

  // Starts dragging the items out of `window` while the press that began it is still held; the drag
  // ends with the release; the image follows the pointer until then. False when nothing could start (no
  // items, no window on screen).
  virtual bool beginDrag(ui::Window& window, std::vector<PasteboardItem> items, DragImage image) = 0;
};

// What tests see of a drag: the items and the image of the last one and how many began.
class HeadlessDragSource : public DragSource {
 public:
  bool beginDrag(ui::Window& window, std::vector<PasteboardItem> items, DragImage image) override;
  const std::vector<PasteboardItem>& lastItems() const { return lastItems_; }
  const DragImage& lastImage() const { return lastImage_; }
  int count() const { return count_; }

 private:
  std::vector<PasteboardItem> lastItems_;
  DragImage lastImage_;
  int count_ = 0;
};

}  // namespace vl
