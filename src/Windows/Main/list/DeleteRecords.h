#pragma once

#include <string>

namespace vl {

class HintTable2;

// Deletes the records of the list's selected rows from the tab's chain, then the rows; the capture
// listener hears first which text goes, so it forgets it as the last copy.
void deleteSelectedRecords(HintTable2& list, const std::string& pinTabId);

// The same after the user confirmed in an alert over the column's host (Escape dismisses it). Without
// a host there is nobody to ask and the records go at once. Nothing selected: nothing happens.
void confirmDeleteSelectedRecords();

}  // namespace vl
