#include "Windows/Main/paste/PasteService.h"

#include <algorithm>
#include <utility>

#include "Windows/Main/WindowCenter.h"
#include "core/VLConfig.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"
#include "platform/system/KeyEventPoster.h"
#include "platform/system/PasteRoad.h"

namespace vl {

namespace {

PasteHooks& installedHooks() {
  static PasteHooks hooks;
  return hooks;
}

// Main thread only, as is every paste.
bool pastingNow = false;

}  // namespace

void PasteService::setHooks(PasteHooks hooks) { installedHooks() = std::move(hooks); }

const PasteHooks& PasteService::hooks() { return installedHooks(); }

bool PasteService::writeOwn(std::vector<PasteboardItem> items) {
  std::erase_if(items, [](const PasteboardItem& item) { return item.empty(); });
  if (items.empty()) return false;
  items.front().setData(kPasteboardTypeOwnWrite, "1");
  auto pasteboard = Pasteboard::general();
  pasteboard->clearContents();
  return pasteboard->writeObjects(items);
}

void PasteService::paste(std::vector<PasteboardItem> items, const char* what) {
  VL_DCHECK_ON_MAIN();
  std::erase_if(items, [](const PasteboardItem& item) { return item.empty(); });
  if (items.empty()) {
    // Clearing the clipboard here would take what the user copied and paste nothing in its place.
    logWarningf("%s: nothing to paste; the clipboard keeps what it held", what);
    return;
  }
  pastingNow = true;
  if (!writeOwn(std::move(items))) {
    // Ctrl+V would paste whatever the clipboard's owner holds, which is not what was chosen.
    logErrorf("%s: the clipboard could not be taken; nothing is pasted", what);
    pastingNow = false;
    return;
  }
  const PasteHooks& installed = hooks();
  if (installed.directPasteGate && !installed.directPasteGate()) {
    pastingNow = false;
    return;
  }
  // Nothing on this desktop asks the user whether keys may be sent for them: the setting is their say.
  if (!VLConfig::shared().getBoolValueOfKey(VLConfig::kPasteDirectly)) {
    hideAfterPaste();
    if (installed.showManualPastePopover) installed.showManualPastePopover();
    logf("%s: direct paste is off; it stays on the clipboard for Ctrl+V, no keys sent", what);
    return;
  }
  const bool trusted = installed.accessibilityTrusted ? installed.accessibilityTrusted()
                                                      : KeyEventPoster::shared()->isAccessibilityTrusted();
  if (!trusted) {
    if (installed.showPermissionWindow && installed.showPermissionWindow()) {
      pastingNow = false;
      return;
    }
    hideAfterPaste();
    if (installed.showManualPastePopover) installed.showManualPastePopover();
    logWarningf("%s: keys cannot be posted here; it stays on the clipboard for Ctrl+V", what);
    return;
  }
  hideAfterPaste();
  switch (pasteIntoPreviousWindow()) {
    case PasteOutcome::Pasted:
      break;
    case PasteOutcome::FocusNotReturned:
      logWarningf("%s: the window the user came from is gone; it stays on the clipboard, no keys sent", what);
      break;
    case PasteOutcome::KeysNotPosted:
      logWarningf("%s: the paste keys could not be posted; it stays on the clipboard", what);
      break;
  }
}

void PasteService::hideAfterPaste() {
  VL_DCHECK_ON_MAIN();
  WindowCenter::shared().hideVellisto();
  // Our hide only takes our windows away; the application's did-hide work follows it all the same.
  if (hooks().didHide) hooks().didHide();
}

bool PasteService::pasting() {
  VL_DCHECK_ON_MAIN();
  return pastingNow;
}

void PasteService::settled() {
  VL_DCHECK_ON_MAIN();
  pastingNow = false;
}

}  // namespace vl
