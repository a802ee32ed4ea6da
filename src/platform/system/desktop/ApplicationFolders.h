#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/desktop/DesktopEntryFile.h"

namespace vl {

// The folders that hold the desktop entries of installed applications, and the walk through them.
class ApplicationFolders {
 public:
  // $XDG_DATA_HOME/applications (default ~/.local/share), then $XDG_DATA_DIRS/applications (default
  // /usr/local/share:/usr/share), highest precedence first. Relative entries are ignored, as the XDG
  // rules ask; repeated folders are listed once. Reads the environment: call on the main thread.
  static std::vector<std::string> standard();
  // The parts of a list in PATH's form, empty ones left out.
  static std::vector<std::string> splitPathList(const std::string& text);

  struct Entry {
    std::string id;  // "kde-app" for "kde/app.desktop"
    std::string path;
    std::optional<DesktopEntryFile> file;  // nullopt when the file could not be read
    std::string error;                     // then why not
  };
  // Whether the entry takes its id: an id once taken is passed over in the rest of the walk.
  using Visitor = std::function<bool(const Entry&)>;
  // A folder that exists but cannot be listed, with the reason.
  using FolderProblem = std::function<void(const std::string& folder, const std::string& reason)>;

  // Visits every "*.desktop" file under `folders`, in folder order and then by path, sub-folders
  // included (their names go into the id), so the first folder that holds an id decides it the way
  // desktop menus do. Missing folders are passed over quietly.
  static void walk(const std::vector<std::string>& folders, const Visitor& visit,
                   const FolderProblem& problem = nullptr);
};

}  // namespace vl
