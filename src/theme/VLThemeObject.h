#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "theme/VLThemeManager.h"

namespace vl {

// What every themed object has: a way to the theme manager and the re-apply hook lightOrDarkChanged.
// The first themeManager() call subscribes the object to the system's light/dark notifications and to
// "VLThemeChanged"; from then on each of them runs lightOrDarkChanged (a system change first re-reads
// the mode into the manager). The subscriptions end with the object, so no observer outlives it.
//
// Mix it into application classes (class ThemeView : public VLThemed<ui::View>); platform objects
// without it get the same behaviour through the asset-key functions of VLThemeCategories.h. Main thread.
class VLThemeObject {
 public:
  VLThemeObject() = default;
  // A copy is a new object: it subscribes on its own first use.
  VLThemeObject(const VLThemeObject&) {}
  VLThemeObject& operator=(const VLThemeObject&) { return *this; }
  virtual ~VLThemeObject() = default;

  VLThemeManager& themeManager();
  bool isSubscribedToTheme() const { return subscribed_; }

  // System appearance changed: re-read the mode, then re-apply.
  void appleInterfaceThemeChanged(const Notification& notification);
  // Automatic switching turned on or off: logged, then as above.
  void automatically(const Notification& notification);
  // The theme changed: re-apply.
  void customThemeChanged(const Notification& notification);
  // The re-apply hook; nothing unless a class overrides it.
  virtual void lightOrDarkChanged() {}

 private:
  bool subscribed_ = false;
  Observation appearance_;
  Observation automatic_;
  Observation theme_;
};

}  // namespace vl
