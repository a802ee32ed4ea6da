#pragma once

#include <string>
#include <vector>

namespace vl {

// One hook that a folder below start-up declares for the assembled program to fill.
struct HookEntry {
  std::string name;
  bool filled = false;
};

// Every such hook, named "<holder>::<member>", and whether it is filled now: the seams of the record
// store, capture, the status item and the toolkit, the hooks of the history windows' parts, and the
// start-up steps. The desktop's backends count only while a window server is installed: without a
// display the program runs headless on purpose. A member whose emptiness the declaring folder documents
// as a page of its own (the preferences window's Security and Snippets pages) is not a hook here.
std::vector<HookEntry> hookCensus();

// One log line for each empty hook, after launching: "start-up: the hook <name> is left empty".
void logEmptyHooks();

}  // namespace vl
