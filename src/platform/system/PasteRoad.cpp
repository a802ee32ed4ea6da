#include "platform/system/PasteRoad.h"

#include "platform/system/KeyEventPoster.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/ui/view/Event.h"

namespace vl {

PasteOutcome pasteIntoPreviousWindow() {
  if (!Workspace::shared()->giveFocusBack()) return PasteOutcome::FocusNotReturned;
  std::shared_ptr<KeyEventPoster> poster = KeyEventPoster::shared();
  const bool down = poster->postKeyEvent(ui::KeyCode::V, ui::ModifierFlags::Command, true);
  // The key-up goes out even after a failed key-down, so a half-posted chord cannot leave V held.
  const bool up = poster->postKeyEvent(ui::KeyCode::V, ui::ModifierFlags::Command, false);
  return down && up ? PasteOutcome::Pasted : PasteOutcome::KeysNotPosted;
}

}  // namespace vl
