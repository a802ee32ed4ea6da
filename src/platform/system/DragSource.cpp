#include "platform/system/DragSource.h"

#include "platform/system/desktop/InstalledBackend.h"

namespace vl {

std::shared_ptr<DragSource> DragSource::shared() {
  return InstalledBackend<DragSource, HeadlessDragSource>::get();
}

void DragSource::install(std::shared_ptr<DragSource> backend) {
  InstalledBackend<DragSource, HeadlessDragSource>::install(std::move(backend));
}

bool HeadlessDragSource::beginDrag(ui::Window&, std::vector<PasteboardItem> items) {
  if (items.empty()) return false;
  lastItems_ = std::move(items);
  ++count_;
  return true;
}

}  // namespace vl
