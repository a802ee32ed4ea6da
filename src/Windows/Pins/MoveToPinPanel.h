#pragma once

#include <memory>

#include "Windows/Pins/MoveToPinController.h"
#include "ui/navigation/ModalNavigationController.h"
#include "ui/panels/AbstractPanel.h"

namespace vl {

// The drop-down panel of the move dialog. While it is shown the search field gives up the keys, so the
// dialog's shortcut names reach its page. Main thread only.
class MoveToPinPanel : public AbstractPanel {
 public:
  static constexpr ui::Rect kFrame{0, 0, 375, 420};

  MoveToPinPanel();
  static std::shared_ptr<MoveToPinPanel> create();

  const std::shared_ptr<ModalNavigationController>& navigationController() const { return navigation_; }
  std::shared_ptr<MoveToPinController> page() const;
  void setMtpDelegate(const std::shared_ptr<MoveToPinPanelDelegate>& delegate) {
    page()->setDelegate(delegate);
  }

  void frameSizeDidSet(ui::Size size) override;
  void show() override;
  void dismiss() override;

 private:
  std::shared_ptr<ModalNavigationController> navigation_;
};

}  // namespace vl
