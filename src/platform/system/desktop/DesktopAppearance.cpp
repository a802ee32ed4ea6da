#include "platform/system/desktop/DesktopAppearance.h"

#include <cstdlib>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Check.h"
#include "platform/foundation/Environment.h"
#include "platform/foundation/Log.h"
#include "platform/system/desktop/GtkTheme.h"
#include "platform/ui/view/Appearance.h"

namespace vl {

namespace {

bool forcedByEnvironment() { return !environmentValue("VELLISTO_APPEARANCE").empty(); }

}  // namespace

DesktopAppearance& DesktopAppearance::shared() {
  static auto* appearance = new DesktopAppearance();
  return *appearance;
}

void DesktopAppearance::follow(const std::string& configHome) {
  VL_DCHECK_ON_MAIN();
  if (forcedByEnvironment()) {
    logf("appearance: VELLISTO_APPEARANCE=%s; the desktop's mode is not followed",
         environmentValue("VELLISTO_APPEARANCE").c_str());
    return;
  }
  following_ = true;
  configHome_ = gtkConfigHome(configHome);
  if (!watch_ || watch_->configHome() != configHome_) {
    watch_.reset();
    watch_ = GtkSettingsWatch::start(configHome_, [] {
      dispatch::Queue::main()->async([] { DesktopAppearance::shared().gtkSettingsChanged(); });
    });
  }
  decide();
}

void DesktopAppearance::stop() {
  VL_DCHECK_ON_MAIN();
  following_ = false;
  watch_.reset();
  portal_.reset();
  liveTheme_.reset();
}

void DesktopAppearance::portalAnswered(std::optional<bool> dark) {
  VL_DCHECK_ON_MAIN();
  portal_ = dark;
  decide();
}

void DesktopAppearance::setLiveThemeName(std::optional<std::string> name) {
  VL_DCHECK_ON_MAIN();
  if (name == liveTheme_) return;
  liveTheme_ = std::move(name);
  decide();
}

void DesktopAppearance::gtkSettingsChanged() {
  VL_DCHECK_ON_MAIN();
  decide();
}

void DesktopAppearance::decide() {
  if (!following_) return;
  const bool dark = portal_ ? *portal_ : gtkThemePrefersDark(configHome_, liveTheme_).value_or(false);
  ui::SystemAppearance& appearance = ui::SystemAppearance::shared();
  if (appearance.isDark() != dark) {
    logf("appearance: %s from the %s", dark ? "dark" : "light", portal_ ? "desktop portal" : "GTK theme");
  }
  appearance.setDark(dark);
}

}  // namespace vl
