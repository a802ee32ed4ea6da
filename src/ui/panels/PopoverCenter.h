#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/dispatch/Dispatch.h"
#include "platform/ui/menu/Popover.h"

namespace vl {

// The paste popover: a plain popover whose content is set at registration.
class PastePopover : public ui::Popover {
 public:
  static std::shared_ptr<PastePopover> create() { return std::make_shared<PastePopover>(); }
};

// Popovers by key; the paste popover shows at the status item's icon (or the pointer) while its setting
// is on, optionally closing itself after a number of seconds. Main thread only.
class PopoverCenter {
 public:
  static PopoverCenter& shared();

  void registerPopover(const std::shared_ptr<ui::Popover>& popover, const std::string& key);
  std::shared_ptr<ui::Popover> popoverForKey(const std::string& key) const;
  // holdSecond > 0 closes it that many seconds after it shows; showing again restarts the wait.
  void showPopoverByKey(const std::string& key, long holdSecond = -1);

  void resetForTesting();

 private:
  PopoverCenter() = default;
  std::map<std::string, std::shared_ptr<ui::Popover>> dict_;
  std::map<std::string, std::shared_ptr<dispatch::DelayedBlock>> pendingClose_;
};

}  // namespace vl
