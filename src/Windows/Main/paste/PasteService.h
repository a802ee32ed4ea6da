#pragma once

#include <vector>

#include "Windows/Main/paste/PasteHooks.h"
#include "platform/system/Pasteboard.h"

namespace vl {

// The one road by which the program pastes into the application the user came from, whatever chose
// what to paste: the main window's rows or a smart action's result. It writes the pasteboard as the
// program's own, hides the program as a paste leaves it (the application's did-hide work follows, so
// the record window hands out its next entry a moment later), gives the focus back and sends Ctrl+V
// there; where keys cannot be posted it shows the permission window or the manual-paste popover
// instead. Main thread only.
class PasteService {
 public:
  static void setHooks(PasteHooks hooks);
  static const PasteHooks& hooks();

  // The items go on the pasteboard as the program's own write: the first carries a representation that
  // capture knows for ours and that no other program is offered, so reading them back never makes a
  // record, whatever formats the write holds. False when nothing was written.
  static bool writeOwn(std::vector<PasteboardItem> items);

  // Writes the items as our own, then hides the program and pastes them into the window the user came
  // from. `what` names the paste in the log ("paste", "action"). Without items nothing is written or
  // sent and the clipboard keeps what the user had.
  static void paste(std::vector<PasteboardItem> items, const char* what);

  // The program hides as a paste leaves it, without pasting (an application launched from the list).
  static void hideAfterPaste();

  // A paste is under way, from its write until the program settled after hiding: the Ctrl+V seen then
  // is the one we sent.
  static bool pasting();
  // The program settled after hiding (the application's did-hide work ran).
  static void settled();
};

}  // namespace vl
