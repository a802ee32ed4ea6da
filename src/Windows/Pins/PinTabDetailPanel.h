#pragma once

#include <memory>

#include "Windows/Pins/PinTabDetailController.h"
#include "ui/navigation/ModalNavigationController.h"
#include "ui/panels/AbstractPanel.h"

namespace vl {

// The drop-down panel of the pin tab form. Shown without parameters (or with an empty list) it creates a
// tab; with [the PinTab] it edits that tab. Main thread only.
class PinTabDetailPanel : public AbstractPanel {
 public:
  static constexpr ui::Rect kFrame{0, 0, 375, 420};

  PinTabDetailPanel();
  static std::shared_ptr<PinTabDetailPanel> create();

  const std::shared_ptr<ModalNavigationController>& navigationController() const { return navigation_; }
  std::shared_ptr<PinTabDetailController> page() const;
  void setPtdDelegate(const std::shared_ptr<PinTabDetailDelegate>& delegate) {
    page()->setDelegate(delegate);
  }

  void frameSizeDidSet(ui::Size size) override;
  void show() override;
  void showWithParams(const PanelParams& params) override;
  void dismiss() override;
  void panelAnimationDidEnd(bool shown) override;

 private:
  std::shared_ptr<ModalNavigationController> navigation_;
};

}  // namespace vl
