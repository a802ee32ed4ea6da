#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Windows/Main/preview/Complement.h"
#include "Windows/Sync/SyncClientView.h"
#include "Windows/Sync/SyncProviderView.h"
#include "sync/discovery/PeripheralRole.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/controls/ITSwitch.h"
#include "ui/view/ThemeView.h"

namespace vl {

// The main window's switch for device sync, at the foot of the preview column: a title and the switch
// while off, the provider view while this device serves a network (role 1) and the client view while it
// is joined to one (role 2). Switching on opens the start panel; the screens then open the bar in a
// role. Switching off asks first. Main thread only, except reload().
class SyncBar2 : public ThemeView, public PeripheralRoleDelegate, public SyncBarControl {
 public:
  enum Role : std::uint64_t { RoleNone = 0, RoleProvider = 1, RoleClient = 2 };
  static constexpr double kWidth = 336;
  static constexpr double kHeight = 50;

  explicit SyncBar2(const ui::Rect& frame = {0, 0, kWidth, kHeight});
  static std::shared_ptr<SyncBar2> create();
  // The bar of the main window, made on first use.
  static const std::shared_ptr<SyncBar2>& shared();
  // Tests: the next shared() makes a fresh bar.
  static void resetForTesting();

  // Switches on in the role; role 1 serves the current provider network (advertising, then the server
  // once the radio is on), unless this device has no address to serve on: then it says why and stays off.
  void openWithRole(std::uint64_t role);
  // Ends serving or the joined network, switches off, back to role 0.
  void close() override;
  // The same change on screen, with no network action.
  void closeOnlyOnUI();
  // Shows and refreshes the current role's view (the client view in role 0). From another thread it posts
  // itself to the main thread and returns.
  void reload();
  bool on() const { return switchButton_->checked(); }
  std::uint64_t currentRole() const { return role_; }
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled) override;
  // The user flipped the switch (it is already in its new state).
  void onAction();

  // Advertising started: the server starts.
  bool peripheralRoleDidStartAdvertising(PeripheralRole& role) override;
  // Bluetooth refused: the bar keeps serving (devices that know the address still reach it) but says
  // that nobody can find the network, and an alert tells the user once per start of serving.
  bool peripheralRoleDidFailToAdvertise(PeripheralRole& role, const std::string& error) override;

  // What the preview column asks of its bars.
  ui::Size size() const { return {kWidth, kHeight}; }
  bool isFlow() const { return false; }
  bool blocked() const;

  const std::shared_ptr<PassthroughAndArrowCursorTextView>& titleTextView() const { return titleTextView_; }
  const std::shared_ptr<ITSwitch>& switchButton() const { return switchButton_; }
  const std::shared_ptr<SyncProviderView>& syncProviderView() const { return syncProviderView_; }
  const std::shared_ptr<SyncClientView>& syncClientView() const { return syncClientView_; }

  void resizeSubviewsWithOldSize(ui::Size oldSize) override;

 private:
  void build();
  void showRoleView(std::uint64_t role);
  void showTitle();
  void confirmSwitchOff();

  bool enabled_ = true;
  std::shared_ptr<PassthroughAndArrowCursorTextView> titleTextView_;
  std::shared_ptr<ITSwitch> switchButton_;
  std::shared_ptr<SyncProviderView> syncProviderView_;
  std::shared_ptr<SyncClientView> syncClientView_;
  std::uint64_t role_ = RoleNone;
};

// Why this device cannot serve a network now (no sync interface, or no IPv4 address on it), for the
// user; "" when it can.
std::string whyCannotServe();

}  // namespace vl
