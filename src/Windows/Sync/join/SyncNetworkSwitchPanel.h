#pragma once

#include <memory>

#include "Windows/Sync/join/JoinSyncNetworkController.h"
#include "ui/navigation/ModalNavigationController.h"
#include "ui/panels/AbstractPanel.h"

namespace vl {

// The panel a joined device's sync bar opens to change network: the join page as its root, refreshed
// and scanning again at every showing. Dismissing it stops the scan and goes back to the root page.
// Main thread only.
class SyncNetworkSwitchPanel : public AbstractPanel {
 public:
  static constexpr ui::Rect kFrame{0, 0, 375, 420};

  SyncNetworkSwitchPanel();
  static std::shared_ptr<SyncNetworkSwitchPanel> create() {
    return std::make_shared<SyncNetworkSwitchPanel>();
  }

  const std::shared_ptr<ModalNavigationController>& navigationController() const { return navigation_; }
  std::shared_ptr<JoinSyncNetworkController> rootPage() const;

  void frameSizeDidSet(ui::Size size) override;
  void show() override;
  void dismiss() override;

 private:
  std::shared_ptr<ModalNavigationController> navigation_;
};

}  // namespace vl
