#pragma once

#include <memory>

#include "Windows/Sync/StartDataSyncPanel.h"
#include "Windows/Sync/SyncBar2.h"
#include "Windows/Sync/SyncNetworkDevicesPanel.h"
#include "Windows/Sync/join/SyncNetworkPasswordPanel.h"
#include "Windows/Sync/join/SyncNetworkSwitchPanel.h"
#include "sync/discovery/IFConfig.h"

namespace vl {

class MainViewController;

// Puts device sync on screen: the sync bar at the foot of the main window's preview column, the start,
// connected devices, switch-network and password panels registered with the panel centre, the join page
// behind the start panel's join tile, and the seams below the windows that the bar and the panels answer
// (the panels' Escape and enabling, the serving handlers' reload, the joined side's gateway). Main thread
// only.
class SyncScreens {
 public:
  struct Parts {
    std::shared_ptr<SyncBar2> bar;
    std::shared_ptr<StartDataSyncPanel> startPanel;
    std::shared_ptr<SyncNetworkDevicesPanel> devicesPanel;
    std::shared_ptr<SyncNetworkSwitchPanel> switchPanel;
    std::shared_ptr<SyncNetworkPasswordPanel> passwordPanel;
  };

  // Registers the panels and fills the seams; the bar is SyncBar2::shared().
  static const Parts& install();
  // install(), and the bar goes into the controller's preview column in place of its placeholder.
  static const Parts& installInto(const std::shared_ptr<MainViewController>& controller);
  // What the Wi-Fi watch asks of the bar: whether it is on, and the alert whose OK closes it.
  static IFConfig::SyncBarHooks syncBarHooks();
  // Tests: unregisters nothing, empties the seams and forgets the bar.
  static void resetForTesting();
};

}  // namespace vl
