#include "think/ActionPaste.h"

#include "Windows/Main/SearchInput2.h"
#include "Windows/Main/WindowCenter.h"
#include "platform/foundation/Crypto.h"
#include "platform/foundation/Log.h"
#include "platform/system/KeyEventPoster.h"
#include "platform/system/PasteRoad.h"
#include "platform/system/Pasteboard.h"

namespace vl {

void pasteActionResult(const std::string& text) {
  if (text.empty()) {
    log("action: empty result; nothing pasted, the clipboard stays as it was");
    return;
  }
  // The text may be whatever the user copied: only its signature and length go to the log.
  logf("action: pasting a result of %zu bytes (%.8s)", text.size(), md5Hex(text).c_str());
  auto pasteboard = Pasteboard::general();
  pasteboard->clearContents();
  pasteboard->writeObjects({PasteboardItem(kPasteboardTypeString, text)});
  const PasteHooks& hooks = SearchInput2::pasteHooks();
  WindowCenter& center = WindowCenter::shared();
  if (hooks.directPasteGate && !hooks.directPasteGate()) {
    center.hideVellisto();
    return;
  }
  const bool trusted = hooks.accessibilityTrusted ? hooks.accessibilityTrusted()
                                                  : KeyEventPoster::shared()->isAccessibilityTrusted();
  if (!trusted) {
    if (hooks.showPermissionWindow && hooks.showPermissionWindow()) return;
    center.hideVellisto();
    log("action: keys cannot be posted here; the result stays on the clipboard for Ctrl+V");
    return;
  }
  center.hideVellisto();
  switch (pasteIntoPreviousWindow()) {
    case PasteOutcome::Pasted:
      break;
    case PasteOutcome::FocusNotReturned:
      log("action: the window the user came from is gone; the result stays on the clipboard, no keys sent");
      break;
    case PasteOutcome::KeysNotPosted:
      log("action: the paste keys could not be posted; the result stays on the clipboard");
      break;
  }
}

void dismissMainWindow() { WindowCenter::shared().dismissWindowByKey(kMainWindowKey); }

}  // namespace vl
