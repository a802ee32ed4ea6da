#pragma once

#include <string>

namespace vl {

// Puts the reminder action into its place among the smart actions and arms the reminders kept by earlier
// runs in `home`'s data folder (.vellisto/reminders.json).
void installReminders(const std::string& home);

}  // namespace vl
