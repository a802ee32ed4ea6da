#include "ui/panels/PopoverCenter.h"

#include "core/VLConfig.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PanelTypes.h"

namespace vl {

PopoverCenter& PopoverCenter::shared() {
  static auto* center = new PopoverCenter;
  return *center;
}

void PopoverCenter::registerPopover(const std::shared_ptr<ui::Popover>& popover, const std::string& key) {
  VL_DCHECK_ON_MAIN();
  if (!popover) {
    logWarningf("PopoverCenter: no popover to register for \"%s\"", key.c_str());
    return;
  }
  dict_[key] = popover;
}

std::shared_ptr<ui::Popover> PopoverCenter::popoverForKey(const std::string& key) const {
  VL_DCHECK_ON_MAIN();
  auto it = dict_.find(key);
  return it == dict_.end() ? nullptr : it->second;
}

void PopoverCenter::showPopoverByKey(const std::string& key, long holdSecond) {
  VL_DCHECK_ON_MAIN();
  auto popover = popoverForKey(key);
  if (!popover) {
    logWarningf("PopoverCenter: no popover registered for \"%s\"", key.c_str());
    return;
  }
  if (auto pending = pendingClose_[key]) pending->cancel();
  pendingClose_.erase(key);
  if (key != kPopoverPaste || !VLConfig::shared().getBoolValueOfKey(VLConfig::kShowPastePopover)) return;
  std::optional<ui::Rect> anchor;
  if (const auto& where = MainViewHooks::current().pastePopoverAnchor) anchor = where();
  if (!anchor) {
    logWarning(
        "PopoverCenter: neither the tray icon nor the pointer is known; the paste popover is not shown");
    return;
  }
  if (popover->isShown()) popover->close();
  // Above the anchor when there is room, else below it: under a tray at the top of the screen.
  popover->showRelativeToScreenRect(*anchor, ui::RectEdge::MaxY);
  if (holdSecond > 0) {
    std::weak_ptr<ui::Popover> weak = popover;
    pendingClose_[key] =
        dispatch::after(static_cast<double>(holdSecond) * 1000, dispatch::Queue::main(), [weak] {
          if (auto p = weak.lock()) p->close();
        });
  }
}

void PopoverCenter::resetForTesting() {
  for (auto& [key, pending] : pendingClose_) {
    if (pending) pending->cancel();
  }
  pendingClose_.clear();
  dict_.clear();
}

}  // namespace vl
