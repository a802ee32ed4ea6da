#include "platform/system/DragSource.h"

#include "platform/system/desktop/InstalledBackend.h"
#include "platform/ui/graphics/DisplayList.h"

namespace vl {

std::shared_ptr<DragSource> DragSource::shared() {
  return InstalledBackend<DragSource, HeadlessDragSource>::get();
}

void DragSource::install(std::shared_ptr<DragSource> backend) {
  InstalledBackend<DragSource, HeadlessDragSource>::install(std::move(backend));
}

bool DragImage::empty() const {
  return !picture || picture->empty() || !(size.width > 0) || !(size.height > 0);
}

bool HeadlessDragSource::beginDrag(ui::Window&, std::vector<PasteboardItem> items, DragImage image) {
  if (items.empty()) return false;
  lastItems_ = std::move(items);
  lastImage_ = std::move(image);
  ++count_;
  return true;
}

}  // namespace vl
