#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vl::x11test {

// A system tray for tests: a panel window of one colour and the owner of `_NET_SYSTEM_TRAY_S0`, which
// announces itself to the root and embeds the icons that ask to dock at (8, 8) of the panel.
class StandInTray {
 public:
  StandInTray(const std::string& display, unsigned long panelColour, int panelX, int panelY);
  ~StandInTray();
  StandInTray(const StandInTray&) = delete;
  StandInTray& operator=(const StandInTray&) = delete;

  // Embeds and maps the icon that asks to dock; None when none asked within timeoutMs.
  ::Window accept(int timeoutMs);
  // The centre of the docked icon on the root, once it is on screen. Like a real tray it first embeds
  // an icon that asks again (a new icon window after the program's status item was set up anew).
  std::optional<std::pair<int, int>> iconCentre();
  // The panel's pixels (0xRRGGBB) from its top left.
  std::vector<unsigned long> pixels(int w, int h);
  // Writes the panel's top left w x h pixels to ${VL_BINARY_DIR}/gallery/<name>.png.
  bool writePicture(int w, int h, const std::string& name);
  // Announces the tray's foreground colour (_NET_SYSTEM_TRAY_COLORS, 16 bits a channel), as panels
  // whose icons should match their text do.
  void setForeground(unsigned r, unsigned g, unsigned b);

 private:
  Display* d_;
  ::Window panel_ = None;
  ::Window owner_ = None;
  ::Window icon_ = None;
};

}  // namespace vl::x11test
