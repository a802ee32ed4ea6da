#pragma once

#include <memory>

#include "Windows/Sync/SyncNetworkDevicesController.h"
#include "ui/navigation/ModalNavigationController.h"
#include "ui/panels/AbstractPanel.h"

namespace vl {

// The panel of the devices connected to the served network; its list is fresh every time it shows.
// Main thread only.
class SyncNetworkDevicesPanel : public AbstractPanel {
 public:
  static constexpr ui::Rect kFrame{0, 0, 375, 420};

  SyncNetworkDevicesPanel();
  static std::shared_ptr<SyncNetworkDevicesPanel> create() {
    return std::make_shared<SyncNetworkDevicesPanel>();
  }

  const std::shared_ptr<ModalNavigationController>& navigationController() const { return navigation_; }
  std::shared_ptr<SyncNetworkDevicesController> page() const;

  void frameSizeDidSet(ui::Size size) override;
  void show() override;
  void panelAnimationDidEnd(bool shown) override;
  void dismiss() override;

 private:
  std::shared_ptr<ModalNavigationController> navigation_;
};

}  // namespace vl
