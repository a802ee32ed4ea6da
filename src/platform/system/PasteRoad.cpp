#include "platform/system/PasteRoad.h"

#include "platform/foundation/Log.h"
#include "platform/system/KeyEventPoster.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/ui/view/Event.h"
#include "platform/ui/window/WindowServer.h"

namespace vl {

namespace {

constexpr int kFlushWaitMs = 1000;

}  // namespace

PasteOutcome pasteIntoPreviousWindow() {
  // Our windows just hidden must be gone on the display before the focus is asked back: withdrawn
  // later, the window manager would choose a window for the focus after it granted ours (another window
  // of ours, as Preferences), and the paste keys would land there.
  if (ui::WindowServer* server = ui::WindowServer::installed();
      server && !server->flushToDisplay(kFlushWaitMs))
    logWarning("paste: our windows' changes were slow to reach the display; asking for the focus anyway");
  if (!Workspace::shared()->giveFocusBack()) return PasteOutcome::FocusNotReturned;
  std::shared_ptr<KeyEventPoster> poster = KeyEventPoster::shared();
  const bool down = poster->postKeyEvent(ui::KeyCode::V, ui::ModifierFlags::Command, true);
  // The key-up goes out even after a failed key-down, so a half-posted chord cannot leave V held.
  const bool up = poster->postKeyEvent(ui::KeyCode::V, ui::ModifierFlags::Command, false);
  return down && up ? PasteOutcome::Pasted : PasteOutcome::KeysNotPosted;
}

}  // namespace vl
