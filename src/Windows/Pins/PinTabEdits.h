#pragma once

#include <functional>
#include <memory>
#include <string>

#include "VLEngine/search/Vellisto_DisplayChannelDelegate.h"
#include "Windows/Pins/MoveToPinController.h"
#include "Windows/Pins/PinTabDetailController.h"

namespace vl {

class PinTabBar;

// Carries out what the pin tab form and the move dialog decide, on the pin tab list, the bar and the
// main window's list. Main thread only.
class PinTabEdits : public PinTabDetailDelegate, public MoveToPinPanelDelegate {
 public:
  struct Hooks {
    // The rows selected in the main list, in selection order.
    std::function<DisplayRows()> selectedRows;
    // Runs the current search again for the active tab.
    std::function<void()> research;
  };

  PinTabEdits(std::shared_ptr<PinTabBar> bar, Hooks hooks) : bar_(std::move(bar)), hooks_(std::move(hooks)) {}

  std::string addPinTabWithName(const std::string& name, const std::string& txtColor,
                                const std::string& bgColor) override;
  bool editPinTabId(const std::string& pinTabId, const std::string& name, const std::string& txtColor,
                    const std::string& bgColor) override;
  void didMoveToPinTabId(const std::string& toPinTabId, const std::string& fromPinTabId) override;

 private:
  std::weak_ptr<PinTabBar> bar_;
  Hooks hooks_;
};

}  // namespace vl
