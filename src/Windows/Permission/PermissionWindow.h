#pragma once

#include <memory>

#include "Windows/Permission/DirectPasteObstacle.h"
#include "ui/navigation/ModalWindow.h"

namespace vl {

class PermissionView2;

// The window under "vellisto_permission": shown by the paste road when direct paste is on but keys
// cannot be posted. Created once at start; closing only orders it out.
class PermissionWindow : public ModalWindow {
 public:
  // What a task switcher shows for the window.
  static constexpr const char* kTitle = "Vellisto Direct Paste";
  static constexpr double kWidth = 430;
  static constexpr double kHeight = 620;

  explicit PermissionWindow(const ui::Rect& contentRect);
  // The window with its controller, registered with the window registry. `session` tells what the
  // desktop offers; by default the running program's.
  static std::shared_ptr<PermissionWindow> registerPermissionWindow(
      PasteSession (*session)() = currentPasteSession);

  bool canBecomeKeyWindow() const override { return true; }
  void becomeKeyWindow() override;
  void close() override;
  std::shared_ptr<PermissionView2> permissionView();
};

}  // namespace vl
