#include "think/actions/FileActions.h"

#include <unistd.h>

#include "VLEngine/doc/record/IndexHelper.h"
#include "VLEngine/image/ImageManager.h"
#include "Windows/Main/WindowCenter.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "platform/system/FileRevealer.h"
#include "platform/system/UserNotificationCenter.h"
#include "platform/system/desktop/Workspace.h"
#include "think/ActionPaste.h"
#include "ui/alert/Alert.h"
#include "ui/panels/MainViewHooks.h"

namespace vl {

namespace {

constexpr const char* kOpenFile = "Open file";
constexpr const char* kOpenFolder = "Open folder";
constexpr const char* kShowInFolder = "Show in Folder";

// Nothing showed or opened the file (`textKey` says which). The main window, still up, says so; when it
// went away meanwhile, a desktop notice says it, with the folder that holds the file.
void sayNothingShowedTheFile(const std::string& path, const char* textKey) {
  const std::string text = localized(textKey);
  ui::View* host = MainViewHooks::current().mainViewOrNull();
  if (host && WindowCenter::shared().windowAppear(kMainWindowKey)) {
    Alert::ofTitle(
        text, [] {}, nullptr)
        ->showWithEscape(host);
    return;
  }
  UserNotification notice;
  notice.identifier = "vellisto-reveal-" + std::to_string(Clock::current().now());
  notice.title = text;
  notice.informativeText = files::deletingLastPathComponent(path);
  UserNotificationCenter::defaultCenter()->deliverNotification(notice);
}

// A stored path names a file only when it is absolute and holds no NUL.
std::optional<std::string> plainPath(const std::string& stored) {
  std::string path = percentDecode(stored);
  if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos) return std::nullopt;
  return path;
}

}  // namespace

std::optional<std::string> filePathOfRecord(const Json& dict) {
  const std::optional<Json> json(dict);
  if (IndexHelper::isFile(json)) return plainPath(jsonString(dict, "file"));
  if (IndexHelper::isImage(json)) {
    // The image file itself, wherever the record keeps it: the copy in the dated folder, the one synced
    // in, or the original.
    std::optional<std::string> url = ImageManager::getPath(json);
    if (url && url->starts_with("file://")) return plainPath(url->substr(7));
  }
  return std::nullopt;
}

bool recordFileIsReadable(const Json& dict) {
  const std::optional<std::string> path = filePathOfRecord(dict);
  if (!path) return false;
  const std::string folder = files::deletingLastPathComponent(*path);
  return !folder.empty() && ::access(folder.c_str(), R_OK | X_OK) == 0;
}

// --- FileAction -------------------------------------------------------------------------------------------

FileAction& FileAction::shared() {
  static FileAction action;
  return action;
}

std::optional<std::string> FileAction::getLabel(const std::string&, Json& dict) {
  if (auto path = filePathOfRecord(dict)) filePath_ = *path;
  if (IndexHelper::isFile(std::optional<Json>(dict)) && files::isDirectory(filePath_)) return kOpenFolder;
  return kOpenFile;
}

std::optional<ui::AttributedString> FileAction::getText(const std::string&, Json& dict) {
  if (auto path = filePathOfRecord(dict)) filePath_ = *path;
  return defaultAttributedString(filePath_);
}

void FileAction::doTask(const std::string&) {
  if (filePath_.empty()) return;
  // The window goes once the file is open; when nothing opens it, it stays to say so.
  if (!Workspace::shared()->openURL(fileUrlFromPath(filePath_))) {
    logWarning("file action: the desktop opened nothing; the user is told");
    sayNothingShowedTheFile(filePath_, "action.file.nothingOpens");
    return;
  }
  dismissMainWindow();
}

// --- FolderAction -----------------------------------------------------------------------------------------

FolderAction& FolderAction::shared() {
  static FolderAction action;
  return action;
}

std::optional<std::string> FolderAction::getLabel(const std::string&, Json& dict) {
  if (auto path = filePathOfRecord(dict)) filePath_ = *path;
  return kShowInFolder;
}

std::optional<ui::AttributedString> FolderAction::getText(const std::string&, Json& dict) {
  if (auto path = filePathOfRecord(dict)) filePath_ = *path;
  return defaultAttributedString(filePath_);
}

void FolderAction::doTask(const std::string&) {
  if (filePath_.empty()) return;
  // The window goes once the file is shown; when nothing answers, it stays to say so.
  const std::string path = filePath_;
  FileRevealer::shared()->reveal(path, [path](bool shown) {
    if (shown) {
      dismissMainWindow();
    } else {
      logWarning("folder action: no file manager showed the file; the user is told");
      sayNothingShowedTheFile(path, "action.folder.noFileManager");
    }
  });
}

}  // namespace vl
