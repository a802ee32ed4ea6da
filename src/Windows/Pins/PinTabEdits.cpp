#include "Windows/Pins/PinTabEdits.h"

#include "VLEngine/VLEngine.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Pins/PinTabBar.h"
#include "pins/PinManager.h"
#include "platform/foundation/Log.h"

namespace vl {

std::string PinTabEdits::addPinTabWithName(const std::string& name, const std::string& txtColor,
                                           const std::string& bgColor) {
  PinManager& pins = PinManager::shared();
  if (pins.tabCount() >= PinTabBar::kMaxTabs) {
    logWarning("pin tabs: the bar holds all the tabs it offers; no tab added");
    return {};
  }
  auto tab = pins.addPinTab(name, txtColor, bgColor);
  if (!tab) return {};
  if (auto bar = bar_.lock()) {
    bar->appendPinTabBarTab(PinTabBarTab::ofPinTab(tab));
  } else {
    pins.activeTabOfId(tab->pinTabId());
    if (hooks_.research) hooks_.research();
  }
  return tab->pinTabId();
}

bool PinTabEdits::editPinTabId(const std::string& pinTabId, const std::string& name,
                               const std::string& txtColor, const std::string& bgColor) {
  auto tab = PinManager::shared().getTabOfId(pinTabId);
  if (!tab) {
    logWarningf("pin tabs: no tab %s to edit", pinTabId.c_str());
    return false;
  }
  return tab->rename(name, txtColor, bgColor);
}

void PinTabEdits::didMoveToPinTabId(const std::string& toPinTabId, const std::string& fromPinTabId) {
  PinManager& pins = PinManager::shared();
  auto target = pins.getTabOfId(toPinTabId);
  if (!target || toPinTabId == fromPinTabId || !pins.getTabOfId(fromPinTabId)) {
    logWarningf("pin tabs: cannot move records from %s to %s", fromPinTabId.c_str(), toPinTabId.c_str());
    return;
  }
  target->deleteDefaultTipIfNeeded();
  const DisplayRows rows = hooks_.selectedRows ? hooks_.selectedRows() : DisplayRows{};
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    if (*it) VLEngine::shared().moveChunkFrom(fromPinTabId, toPinTabId, (*it)->string(), (*it)->json());
  }
  pins.activeTabOfId(toPinTabId);
  if (hooks_.research) hooks_.research();
}

}  // namespace vl
