#pragma once

#include <memory>
#include <vector>

#include "platform/system/Pasteboard.h"

namespace vl {

namespace ui {
class Window;
}

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
  // ends with the release. False when nothing could start (no items, no window on screen).
  virtual bool beginDrag(ui::Window& window, std::vector<PasteboardItem> items) = 0;
};

// What tests see of a drag: the items of the last one and how many began.
class HeadlessDragSource : public DragSource {
 public:
  bool beginDrag(ui::Window& window, std::vector<PasteboardItem> items) override;
  const std::vector<PasteboardItem>& lastItems() const { return lastItems_; }
  int count() const { return count_; }

 private:
  std::vector<PasteboardItem> lastItems_;
  int count_ = 0;
};

}  // namespace vl
