#pragma once

#include <string>
#include <string_view>

namespace vl {

// A program the desktop starts when the user logs in: an XDG autostart entry named after the login
// item's identifier in `$XDG_CONFIG_HOME/autostart/` (XDG_CONFIG_HOME defaults to ~/.config). Enabling
// writes the entry, disabling removes it; an entry the user switched off with "Hidden=true" counts as
// disabled. Errors are logged and answered with false, never thrown.
class LoginItem {
 public:
  static std::string autostartDirectory();
  // "<autostart folder>/<identifier>.desktop".
  static std::string entryPath(const std::string& identifier);

  // Writes (enabled) or removes (disabled) the entry. Enabling needs an absolute path to an existing
  // program; `name` is the entry's display name. True when the entry is in the asked state afterwards.
  static bool setEnabled(const std::string& identifier, bool enabled, const std::string& programPath = {},
                         const std::string& name = {});
  static bool isEnabled(const std::string& identifier);

  // The desktop entry text that starts `programPath`.
  static std::string entryText(const std::string& programPath, const std::string& name);
  // One argument of an Exec line, quoted so spaces, quotes, "$" and "%" reach the program unchanged.
  static std::string execArgument(std::string_view argument);

  // The path of the running program (/proc/self/exe), "" when it cannot be read.
  static std::string runningProgramPath();
};

}  // namespace vl
