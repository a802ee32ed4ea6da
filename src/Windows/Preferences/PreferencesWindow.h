#pragma once

#include <memory>

#include "Windows/Preferences/PreferencesHooks.h"
#include "ui/VLWindow.h"

namespace vl {

class PreferencesViewController;

// The preferences window, registered as "vellisto_pref". It is made once and closing only orders it
// out, so the panes keep their state for the next showing.
class PreferencesWindow : public VLWindow {
 public:
  static constexpr const char* kSnippetsShouldReload = "SnippetsViewShouldReloadSettings";
  // What a task switcher shows for the window, whichever tab is chosen.
  static constexpr const char* kTitle = "Vellisto Preferences";
  static constexpr double kInitialWidth = 650;
  static constexpr double kInitialHeight = 300;

  explicit PreferencesWindow(const ui::Rect& contentRect);
  // The window with its content, registered with the window registry; the toolkit's tab pages learn of
  // it to size themselves.
  static std::shared_ptr<PreferencesWindow> registerPreferencesWindow(PreferencesHooks hooks = {});

  bool canBecomeKeyWindow() const override { return true; }
  void close() override;
  bool appeared() const { return appear(); }
  PreferencesViewController& controller() const;

 protected:
  void becomeKeyWindow() override;
  void resignMainWindow() override;
};

}  // namespace vl
