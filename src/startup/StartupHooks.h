#pragma once

#include <functional>
#include <memory>

namespace vl {

// The steps of start-up, activation and shutdown that belong to parts built on top of the record store
// and capture: the status item, the windows, popover, panels and slides, the network configuration, the
// search input, the Escape stack and device sync. Each part installs its own step before start-up
// (AppDelegate::setHooks); the application delegate calls them at their place in its order, and a step
// nobody installed is skipped. Every step runs on the main thread.
struct StartupHooks {
  // ---- end of launching, in this order ----
  // Builds the status item and answers it; the delegate keeps it (getStatusItem).
  std::function<std::shared_ptr<void>()> produceStatusItem;
  // Windows first: the panels need the main window's content view controller.
  std::function<void()> registerWindows;
  std::function<void()> registerPopover;
  std::function<void()> registerPanels;
  std::function<void()> registerSlides;
  // The network configuration object, which starts the Wi-Fi path monitor.
  std::function<void()> createNetworkConfiguration;

  // ---- becoming active ----
  // The alias field of the main window's toolbar.
  std::function<void(bool enabled)> enableAliasText;

  // ---- resigning active, in this order ----
  std::function<void()> clearSearchInput;
  std::function<void()> cleanEscStack;
  // The created sync networks (also saved at termination).
  std::function<void()> saveCreatedDataSyncNetworks;

  // ---- termination ----
  // Says goodbye to the server when the sync bar is on and this device is a joined client.
  std::function<void()> sayGoodbyeIfJoined;

  // ---- appearance ----
  // The status item redraws its icon after the desktop switched between light and dark.
  std::function<void()> updateStatusIcon;
};

}  // namespace vl
