#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/system/desktop/GtkSettingsWatch.h"

namespace vl {

// Where the program's light or dark comes from on a Linux desktop, followed while it runs: the portal's
// colour scheme when the portal states one, else the GTK theme (GTK_THEME, the theme a settings manager
// announces over XSETTINGS, GTK's settings file, watched for changes). Each answer sets the toolkit's
// system appearance, so themed views recolour. VELLISTO_APPEARANCE, when set, wins over all of them and
// nothing is followed. Main thread only; the settings file's watch posts to the main queue.
class DesktopAppearance {
 public:
  static DesktopAppearance& shared();

  // Starts following: decides now, then on every change of a source. `configHome` as GtkSettingsWatch.
  void follow(const std::string& configHome = {});
  // Ends following (the file watch with it); the sources are forgotten.
  void stop();
  bool following() const { return following_; }

  // The portal stated dark or light; nullopt: it states no preference, or there is none.
  void portalAnswered(std::optional<bool> dark);
  // The theme a settings manager announces (XSETTINGS Net/ThemeName); nullopt without one.
  void setLiveThemeName(std::optional<std::string> name);
  // GTK's settings file changed on disk.
  void gtkSettingsChanged();

 private:
  void decide();

  bool following_ = false;
  std::optional<bool> portal_;
  std::optional<std::string> liveTheme_;
  std::string configHome_;
  std::unique_ptr<GtkSettingsWatch> watch_;
};

}  // namespace vl
