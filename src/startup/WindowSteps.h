#pragma once

#include "startup/StartupHooks.h"

namespace vl {

// Fills the start-up steps that belong to the history windows: the windows registered under their keys
// (and, with them, what the hot keys and clicks do to them), the paste popover, and emptying the Escape
// stack. Steps another part already filled are left as they are.
void installWindowSteps(StartupHooks& hooks);

// The steps themselves, for tests.
void registerHistoryWindows();
void registerPastePopover();

}  // namespace vl
