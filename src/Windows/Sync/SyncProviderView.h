#pragma once

#include <cstddef>
#include <memory>

#include "platform/ui/view/View.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/controls/Button2.h"

namespace vl {

// The sync bar's view while this device serves a network: how many devices are connected, and a button
// named after the last of them that opens the connected devices panel (a beep while nobody is
// connected). Build with create(). Main thread only.
class SyncProviderView : public ui::View {
 public:
  static constexpr ui::Rect kFrame{20, 0, 240, 50};

  explicit SyncProviderView(const ui::Rect& frame = kFrame) : ui::View(frame) {}
  static std::shared_ptr<SyncProviderView> create();

  // Reads the served network's connected devices again.
  void reload();
  // Bluetooth refused to advertise the network: the explain line says so in place of the count, until
  // serving starts again.
  void setNotFindable(bool notFindable);
  bool notFindable() const { return notFindable_; }
  void allDevicesClick();

  const std::shared_ptr<Button2>& allDevicesButton() const { return allDevicesButton_; }
  const std::shared_ptr<PassthroughAndArrowCursorTextView>& explainTextView() const {
    return explainTextView_;
  }
  void viewDidMoveToSuperview() override;

 private:
  std::shared_ptr<Button2> allDevicesButton_;
  std::shared_ptr<PassthroughAndArrowCursorTextView> explainTextView_;
  // What the last reload showed; a change is logged.
  std::size_t shownCount_ = 0;
  bool notFindable_ = false;
};

// Both status views: the explain line along the bottom, the button above it.
void layoutSyncStatusView(ui::View& view, ui::View& explain, ui::View& button);

}  // namespace vl
