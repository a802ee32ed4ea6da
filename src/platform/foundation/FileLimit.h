#pragma once

namespace vl {

// Desktops start programs with a soft limit of 1,024 open files, far under the hard limit they allow.
// The history's journals, the desktop entries read at start and the sync server's connections all
// hold descriptors, so the program takes what it is allowed at start. Logs the change; false when the
// limit could not be read or raised (the program goes on with what it has).
[[nodiscard]] bool raiseOpenFileLimit();

}  // namespace vl
