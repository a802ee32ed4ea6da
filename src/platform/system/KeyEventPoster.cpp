#include "platform/system/KeyEventPoster.h"

#include "platform/system/desktop/InstalledBackend.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/system/headless/HeadlessKeyEventPoster.h"
#include "platform/ui/view/Event.h"

namespace vl {

std::shared_ptr<KeyEventPoster> KeyEventPoster::shared() {
  return InstalledBackend<KeyEventPoster, HeadlessKeyEventPoster>::get();
}

void KeyEventPoster::install(std::shared_ptr<KeyEventPoster> backend) {
  InstalledBackend<KeyEventPoster, HeadlessKeyEventPoster>::install(std::move(backend));
}

bool KeyEventPoster::postPasteChord() {
  // The chord goes to whatever holds the focus: the window the user came from, not ours.
  Workspace::shared()->giveFocusBack();
  const bool down = postKeyEvent(ui::KeyCode::V, ui::ModifierFlags::Command, true);
  // The key-up goes out even after a failed key-down, so a half-posted chord cannot leave V held.
  const bool up = postKeyEvent(ui::KeyCode::V, ui::ModifierFlags::Command, false);
  return down && up;
}

}  // namespace vl
