#pragma once

#include <memory>
#include <string>

#include "platform/ui/graphics/Image.h"

namespace vl {

// Pictures of files and applications as the desktop draws them. Headless by default: an image of the
// asked size without pixels, named after what it stands for, so layout code still gets its size. The
// desktop backend looks them up in the user's icon theme. Thread-safe.
class IconProvider {
 public:
  virtual ~IconProvider() = default;

  static std::shared_ptr<IconProvider> shared();
  // nullptr goes back to the headless provider.
  static void install(std::shared_ptr<IconProvider> provider);

  // The icon theme the desktop announced (its XSETTINGS Net/IconThemeName); "" forgets it, and the
  // GTK settings file or "hicolor" decide again.
  static void setPreferredThemeName(const std::string& name);
  static std::string preferredThemeName();

  // `points` is the icon's size in points, `scale` the screen's pixels per point.
  virtual ui::ImageRef iconForFile(const std::string& path, double points, int scale) const = 0;
  // The icon of a desktop entry (its Icon= key: a theme name or an absolute file).
  virtual ui::ImageRef iconForApplication(const std::string& entryPath, double points, int scale) const = 0;
  virtual ui::ImageRef iconNamed(const std::string& name, double points, int scale) const = 0;
};

}  // namespace vl
