#pragma once

#include <memory>

#include "Windows/Sync/CreateOrJoinSyncNetworkController.h"
#include "ui/navigation/ModalNavigationController.h"
#include "ui/panels/AbstractPanel.h"

namespace vl {

// The panel that drops down when the sync bar is switched on: create a network or join one. Every
// dismissal stops a Bluetooth scan, and the next showing starts on the root page again. Main thread only.
class StartDataSyncPanel : public AbstractPanel {
 public:
  static constexpr ui::Rect kFrame{0, 0, 375, 420};

  StartDataSyncPanel();
  static std::shared_ptr<StartDataSyncPanel> create() { return std::make_shared<StartDataSyncPanel>(); }

  const std::shared_ptr<ModalNavigationController>& navigationController() const { return navigation_; }
  std::shared_ptr<CreateOrJoinSyncNetworkController> rootPage() const;

  void frameSizeDidSet(ui::Size size) override;
  // The base's show, and the switch that opened the panel gives up the keyboard: keys typed into the
  // pages must not reach it behind the panel.
  void show() override;
  void panelAnimationDidEnd(bool shown) override;
  void dismiss() override;

 private:
  std::shared_ptr<ModalNavigationController> navigation_;
};

}  // namespace vl
