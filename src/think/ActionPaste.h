#pragma once

#include <string>

namespace vl {

// How an action's result reaches the window the user came from: the paste service's road, as a record
// takes it (one Ctrl+V, no Return). An empty text pastes nothing and leaves the clipboard as it was.
// Main thread only.
void pasteActionResult(const std::string& text);

// Closes the main window after a task that opened something of its own (a file, a folder).
void dismissMainWindow();

}  // namespace vl
