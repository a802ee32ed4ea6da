#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/graphics/Image.h"

namespace vl {

// An application as the rest of the program sees it. On Linux an application is a desktop entry: its
// name is the entry's file name without ".desktop" and its path the entry's path. The front
// application, the security list and the auto-pick application rule all compare that one name.
struct RunningApplication {
  std::string name;
  std::string path;
  // The desktop entry id ("org.example.Editor" for ".../org.example.Editor.desktop").
  std::string bundleIdentifier;
  long long processIdentifier = -1;
  bool active = false;

  // Builds the identity from an entry path. Only a trailing ".desktop" is stripped, so a name that
  // merely contains the word keeps it.
  static RunningApplication fromDesktopEntry(std::string_view entryPath, bool active = false,
                                             long long pid = -1);
  bool operator==(const RunningApplication&) const = default;
};

// The desktop: which applications run and which is in front, launching applications and opening URLs.
// A backend is installed once at start; headless by default.
class Workspace {
 public:
  virtual ~Workspace() = default;

  static std::shared_ptr<Workspace> shared();
  // nullptr goes back to a fresh headless workspace.
  static void install(std::shared_ptr<Workspace> backend);

  virtual std::optional<RunningApplication> frontmostApplication() const = 0;
  virtual std::vector<RunningApplication> runningApplications() const = 0;
  // Starts the application of a desktop entry; false when it could not be started.
  [[nodiscard]] virtual bool launchApplication(const std::string& path) = 0;
  // Hands a URL to the desktop's handler for its scheme.
  [[nodiscard]] virtual bool openURL(const std::string& url) = 0;
  // Opens a URL in the application of a desktop entry (its Exec line with the URL for %u); false when
  // it could not be started.
  [[nodiscard]] virtual bool openURL(const std::string& url, const std::string& applicationPath) = 0;
  // Gives the keyboard focus back to the window that was active before one of ours took it, and returns
  // once it is there, so keys posted next reach that window. False when there is none (or it is gone).
  virtual bool giveFocusBack() { return false; }
  // Hides the application: every window it shows is iconified (its process when known, else its
  // identity). False when none of its windows could be hidden.
  virtual bool hideApplication(const RunningApplication&) { return false; }

  // The type identifier of a file judged by its contents, for files without an extension: a folder,
  // a few image and document signatures, else plain data. nullopt when the file cannot be read.
  virtual std::optional<std::string> typeOfFile(const std::string& path) const;

  // The desktop's pictures of a file (by its content type) and of an application (by its desktop
  // entry), from the installed IconProvider: always an image of the asked size, with pixels when the
  // icon theme has one.
  ui::ImageRef iconForFile(const std::string& path, double points = 32, int scale = 1) const;
  ui::ImageRef iconForApplication(const std::string& entryPath, double points = 32, int scale = 1) const;
};

}  // namespace vl
