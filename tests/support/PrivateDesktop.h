#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace vl::testsupport {

// Makes `root` a desktop of its own: XDG_DATA_DIRS is `root`/share (no applications, no icon themes),
// XDG_CONFIG_DIRS `root`/xdg (no desktop settings). A test that needs an application or a theme makes
// it there. What GLib and GTK need to run at all (their settings' schemas, the MIME database) is the
// system's, named through links.
inline void makePrivateDesktop(const std::string& root) {
  std::error_code ignored;
  const std::filesystem::path base(root);
  for (const char* folder : {"share/applications", "share/icons", "xdg"})
    std::filesystem::create_directories(base / folder, ignored);
  for (const char* shared : {"glib-2.0", "mime"}) {
    const std::filesystem::path system = std::filesystem::path("/usr/share") / shared;
    if (std::filesystem::is_directory(system, ignored))
      std::filesystem::create_directory_symlink(system, base / "share" / shared, ignored);
  }
}

}  // namespace vl::testsupport
