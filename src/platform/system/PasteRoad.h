#pragma once

namespace vl {

// How a paste into another application ended.
enum class PasteOutcome { Pasted, FocusNotReturned, KeysNotPosted };

// The one road by which our windows paste into the application the user came from: the keyboard focus
// goes back to the window that was active before ours, and only once it is there do the paste keys
// (Ctrl+V, down and up) go out. Keys posted while the focus is anywhere else would land in a stranger's
// window, so nothing is posted then.
[[nodiscard]] PasteOutcome pasteIntoPreviousWindow();

}  // namespace vl
