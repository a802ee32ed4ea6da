#pragma once

#include <memory>

#include "Windows/Sync/join/SyncNetworkPasswordController.h"
#include "ui/navigation/ModalNavigationController.h"
#include "ui/panels/AbstractPanel.h"

namespace vl {

// The panel that asks for a network's password again after the serving device refused the token or the
// password: the password page as its root, shown with the network (a ClientSyncNetworkBean) as the one
// parameter. Once shown, the field has the keyboard; dismissing it gives the keyboard back to the search
// field. Main thread only.
class SyncNetworkPasswordPanel : public AbstractPanel {
 public:
  static constexpr ui::Rect kFrame{0, 0, 375, 420};

  SyncNetworkPasswordPanel();
  static std::shared_ptr<SyncNetworkPasswordPanel> create() {
    return std::make_shared<SyncNetworkPasswordPanel>();
  }

  const std::shared_ptr<ModalNavigationController>& navigationController() const { return navigation_; }
  std::shared_ptr<SyncNetworkPasswordController> rootPage() const;

  void frameSizeDidSet(ui::Size size) override;
  void show() override;
  // Element 0: the network. Anything else shows nothing.
  void showWithParams(const PanelParams& params) override;
  void panelAnimationDidEnd(bool shown) override;
  void dismiss() override;

 private:
  std::shared_ptr<ModalNavigationController> navigation_;
};

}  // namespace vl
