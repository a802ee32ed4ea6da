#include "think/ActionPaste.h"

#include "Windows/Main/WindowCenter.h"
#include "Windows/Main/paste/PasteService.h"
#include "platform/foundation/Crypto.h"
#include "platform/foundation/Log.h"
#include "platform/system/Pasteboard.h"

namespace vl {

void pasteActionResult(const std::string& text) {
  if (text.empty()) {
    logWarning("action: empty result; nothing pasted, the clipboard stays as it was");
    return;
  }
  // The text may be whatever the user copied: only its signature and length go to the log.
  logDebugf("action: pasting a result of %zu bytes (%.8s)", text.size(), md5Hex(text).c_str());
  PasteService::paste({PasteboardItem(kPasteboardTypeString, text)}, "action");
}

void dismissMainWindow() { WindowCenter::shared().dismissWindowByKey(kMainWindowKey); }

}  // namespace vl
