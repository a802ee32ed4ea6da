#pragma once

#include <memory>

#include "platform/ui/view/View.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/controls/Button2.h"

namespace vl {

// The sync bar's view while this device is joined to a network: the network's name on a button that
// opens the switch-network panel, dimmed while the session does not reach its server. Build with
// create(). Main thread only.
class SyncClientView : public ui::View {
 public:
  explicit SyncClientView(const ui::Rect& frame = {20, 0, 240, 50}) : ui::View(frame) {}
  static std::shared_ptr<SyncClientView> create();

  // Takes the joined network's name; nothing changes while none is joined.
  void reload();
  void switchNetworkClick();

  const std::shared_ptr<Button2>& switchNetworkButton() const { return switchNetworkButton_; }
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& explainTextView() const {
    return explainTextView_;
  }
  void viewDidMoveToSuperview() override;

 private:
  std::shared_ptr<Button2> switchNetworkButton_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> explainTextView_;
};

}  // namespace vl
