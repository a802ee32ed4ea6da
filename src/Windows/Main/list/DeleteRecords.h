#pragma once

#include <string>

namespace vl {

class HintTable2;

// Deletes the records of the list's selected rows from the tab's chain, then the rows; the capture
// listener hears first which text goes, so it forgets it as the last copy.
void deleteSelectedRecords(HintTable2& list, const std::string& pinTabId);

// The same for the main window's list and active tab, at once: a keyboard-driven list deletes on the
// press, without asking. Nothing selected: nothing happens.
void deleteSelectedRecords();

}  // namespace vl
