#pragma once

#include <functional>
#include <memory>

#include "core/keys/HokeyStruct.h"

namespace vl {

class VLViewController;

// What the preferences panes need of the parts above this folder; start-up installs them. An empty
// member falls back to writing the setting alone, which is all a headless run can do.
struct PreferencesHooks {
  // Switches the login item; false when it could not, and the flag then stays as it was.
  std::function<bool(bool enabled)> launchAtLogin;
  // Re-registers the main hot key right after the General pane stored a new one.
  std::function<void(const HokeyStruct& value)> registerMainHotKey;
  // The Security tab's page; empty: the list of applications whose copies are not recorded.
  std::function<std::shared_ptr<VLViewController>()> makeSecurityPane;
  // The Snippets tab's page; empty: the snippets page exchanging with other processes as the program does.
  std::function<std::shared_ptr<VLViewController>()> makeSnippetsPane;
};

// A page that shows stored settings and can read them again when another process changed them.
class SettingsPane {
 public:
  virtual ~SettingsPane() = default;
  virtual void reloadSettings() = 0;
};

}  // namespace vl
