#pragma once

#include <functional>
#include <memory>
#include <string>

namespace vl {

class Vellisto_Chunk;

// What the paste road needs from folders above this one: capture's pending paste record, the permission
// state and the windows shown when keys cannot be posted. Start-up installs them; each empty one does
// nothing (and keys count as postable when the key poster says so).
struct PasteHooks {
  // The one record we are about to write (until the program settled after hiding).
  std::function<void(std::shared_ptr<Vellisto_Chunk>)> setPasteChunk;
  std::function<bool()> accessibilityTrusted;
  std::function<bool()> directPasteGate;
  // Keys cannot be posted: the permission window, or the popover that asks for a manual Ctrl+V.
  std::function<bool()> showPermissionWindow;
  std::function<void()> showManualPastePopover;
  // The active pin tab; the clipboard history when empty.
  std::function<std::string()> activePinTabId;
  // The paste road hid the program: the application's did-hide work (the paste is forgotten a moment
  // later, and the record window hands out its next entry).
  std::function<void()> didHide;
};

}  // namespace vl
