#pragma once

#include "Windows/Main/list/RowServices.h"
#include "startup/StartupHooks.h"

namespace vl {

// Fills what device sync needs from start-up: the sync screens (registerSyncScreens), saving the created
// networks when the main window hides and at termination, the joined device's goodbye at termination (a
// step another part already filled is left as it is), the client session's capture hooks and join
// renewer, and the seams between
// sync and the windows: the history list's refresh after merged records, and the look-up through
// which list rows and the file preview show an image still arriving (RowServices).
void installSyncSteps(StartupHooks& hooks);

// The sync bar into the main window (when it exists), the sync panels registered, and the Wi-Fi watch
// told about the bar. The panel step of start-up runs it.
void registerSyncScreens();

// The windows' transfer look-up over the sync registry (FileTransferCenter). Each look-up gives a fresh
// RowTransfer that follows its transfer's notifications on the main thread (fraction, onProgress,
// onEnd), starting from the progress made so far, so a row and the preview can each hold their own.
RowServices::TransferLookup syncTransferLookup();

}  // namespace vl
