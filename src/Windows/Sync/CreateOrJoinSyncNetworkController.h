#pragma once

#include <functional>
#include <memory>

#include "Windows/Sync/ExplainButton.h"
#include "ui/PassthroughTextView.h"
#include "ui/controls/Button2.h"
#include "ui/navigation/ModalViewController.h"

namespace vl {

// The start panel's root page: two tiles, create a network or join one, and Next, which first checks
// that Bluetooth is on and that this device has an address on the sync interface. Cancel closes the sync
// bar as well. Main thread only.
class CreateOrJoinSyncNetworkController : public ModalViewController, public ExplainButtonDelegate {
 public:
  // The first page of joining, which the join screens provide; without one Next on the join tile only
  // logs that joining is not offered.
  using JoinPageFactory = std::function<std::shared_ptr<ModalViewController>()>;
  static void setJoinPageFactory(JoinPageFactory factory);
  static bool hasJoinPageFactory();

  void viewDidLoad() override;
  std::shared_ptr<ui::View> rightItem() override;
  void didClickLeftItem() override;
  void explainButtonDidClick(ExplainButton& tile) override;
  void next();

  const std::shared_ptr<ExplainButton>& createNetwork() const { return createNetwork_; }
  const std::shared_ptr<ExplainButton>& joinNetwork() const { return joinNetwork_; }
  const std::shared_ptr<PassthroughTextView>& tips() const { return tips_; }

 private:
  void proceed(bool poweredOn, bool hasAddress);

  std::shared_ptr<Button2> rightItem_;
  std::shared_ptr<ExplainButton> createNetwork_;
  std::shared_ptr<ExplainButton> joinNetwork_;
  std::shared_ptr<PassthroughTextView> tips_;
  bool loaded_ = false;
};

}  // namespace vl
