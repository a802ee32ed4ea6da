#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/system/dbus/IconPixmaps.h"
#include "platform/ui/menu/StatusItem.h"

namespace vl::x11 {

class X11EventLoop;

// The status bar's backend where the desktop's tray is an XEmbed system tray (a manager owning
// _NET_SYSTEM_TRAY_S<n>) and no StatusNotifierItem host runs: the first status item becomes a small
// window the tray embeds, drawing the item's current image (its animated frames as they change), and a
// click opens the item's menu as one of our own pop-up menus under the icon (without a menu, the click
// is the button's). The X side runs on a thread and connection of its own; clicks come to the main
// queue. A tray that starts later, or restarts, gets the icon docked again.
class X11TrayIcon final : public ui::StatusItemBackend, public std::enable_shared_from_this<X11TrayIcon> {
 public:
  // nullptr (logged) when the display cannot be opened.
  static std::shared_ptr<X11TrayIcon> create(const std::string& displayName);
  ~X11TrayIcon() override;

  void statusItemChanged(const std::shared_ptr<ui::StatusItem>& item) override;
  void statusItemRemoved(const ui::StatusItem* item) override;
  // The tray's shade once the icon is docked: from _NET_SYSTEM_TRAY_COLORS (a light foreground means a
  // dark tray), else from a sample of the tray's background behind the icon. Main thread.
  std::optional<bool> hostBackgroundIsDark() const override { return hostDark_; }
  // Where the tray put the icon, asked of the X server (waits for the X thread, at most half a second).
  std::optional<ui::Rect> iconFrame(const ui::StatusItem& item) override;

  // Whether a tray manager owns the selection now. Waits for the X thread.
  bool trayPresent();
  // The icon's X window (None before the first item); for tests.
  unsigned long iconWindow();
  // How many times the item's picture was turned into the tray's pictures; for tests. Main thread.
  int picturesMade() const { return picturesMade_; }

 private:
  struct XSide;
  explicit X11TrayIcon(std::unique_ptr<X11EventLoop> loop);
  void start();
  void clicked(int rootX, int rootY, int rootHeight, bool secondary);

  std::unique_ptr<X11EventLoop> loop_;
  std::shared_ptr<XSide> x_;
  std::weak_ptr<ui::StatusItem> item_;
  const ui::StatusItem* itemIdentity_ = nullptr;
  ui::ImageRef shownImage_;
  // Pictures are made only while a tray holds the icon: copy animations change the image ten times a
  // second, and with no tray nobody would see them. Main thread.
  bool docked_ = false;
  ui::ImageRef picturedImage_;
  int picturesMade_ = 0;
  void sendPictures();
  bool manyItemsLogged_ = false;
  std::optional<bool> hostDark_;
};

}  // namespace vl::x11
