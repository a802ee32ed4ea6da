#include "ui/panels/PopoverCenter.h"

#include "core/VLConfig.h"
#include "platform/foundation/Log.h"
#include "platform/ui/view/View.h"
#include "ui/panels/MainViewHooks.h"
#include "ui/panels/PanelTypes.h"

namespace vl {

PopoverCenter& PopoverCenter::shared() {
  static auto* center = new PopoverCenter;
  return *center;
}

void PopoverCenter::registerPopover(const std::shared_ptr<ui::Popover>& popover, const std::string& key) {
  if (!popover) {
    logf("PopoverCenter: no popover to register for \"%s\"", key.c_str());
    return;
  }
  dict_[key] = popover;
}

std::shared_ptr<ui::Popover> PopoverCenter::popoverForKey(const std::string& key) const {
  auto it = dict_.find(key);
  return it == dict_.end() ? nullptr : it->second;
}

void PopoverCenter::showPopoverByKey(const std::string& key, long holdSecond) {
  auto popover = popoverForKey(key);
  if (!popover) {
    logf("PopoverCenter: no popover registered for \"%s\"", key.c_str());
    return;
  }
  if (auto pending = pendingClose_[key]) pending->cancel();
  pendingClose_.erase(key);
  if (key != kPopoverPaste || !VLConfig::shared().getBoolValueOfKey(VLConfig::kShowPastePopover)) return;
  ui::View* button = nullptr;
  if (const auto& statusButton = MainViewHooks::current().statusItemButton) button = statusButton();
  if (!button) {
    log("PopoverCenter: no status item button to show the paste popover under");
    return;
  }
  if (popover->isShown()) popover->close();
  popover->showRelativeToRect(button->bounds(), button, ui::RectEdge::MaxY);
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
