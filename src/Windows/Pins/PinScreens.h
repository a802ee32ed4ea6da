#pragma once

#include <memory>

#include "Windows/Pins/MoveToPinPanel.h"
#include "Windows/Pins/PinTabBar.h"
#include "Windows/Pins/PinTabDetailPanel.h"
#include "Windows/Pins/PinTabEdits.h"

namespace vl {

class MainViewController;

// The pin tab screens of the main window, built once at start-up and kept until exit: the bar, the form
// and move panels (registered under their keys) and the edits that carry out their decisions. Installing
// also hands the main window's menus and shortcuts what they do to pin tabs. Main thread only.
class PinScreens {
 public:
  struct Parts {
    std::shared_ptr<PinTabBar> bar;
    std::shared_ptr<PinTabDetailPanel> detailPanel;
    std::shared_ptr<MoveToPinPanel> movePanel;
    std::shared_ptr<PinTabEdits> edits;
  };

  static const Parts& install(PinTabEdits::Hooks hooks);
  // For the main window: its bar goes in before its view loads, and its list and search field serve the
  // edits.
  static const Parts& installInto(const std::shared_ptr<MainViewController>& controller);
  static const Parts& current();
  static void resetForTesting();
};

}  // namespace vl
