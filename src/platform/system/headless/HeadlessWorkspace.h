#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/system/desktop/Workspace.h"

namespace vl {

// A desktop that tests arrange: the running applications and the front one are set by hand, and
// launches and opened URLs are recorded instead of performed.
class HeadlessWorkspace final : public Workspace {
 public:
  std::optional<RunningApplication> frontmostApplication() const override;
  std::vector<RunningApplication> runningApplications() const override;
  [[nodiscard]] bool launchApplication(const std::string& path) override;
  [[nodiscard]] bool openURL(const std::string& url) override;
  [[nodiscard]] bool openURL(const std::string& url, const std::string& applicationPath) override;
  std::optional<std::string> typeOfFile(const std::string& path) const override;
  // The focus can go back while some application is in front: the one the user came from.
  bool giveFocusBack() override { return frontmostApplication().has_value(); }
  // Records the application; true when it is among the running ones.
  bool hideApplication(const RunningApplication& app) override;

  // Replaces the running applications; their `active` flags decide the front one.
  void setRunningApplications(std::vector<RunningApplication> apps);
  // Brings one application to the front, adding it to the running list when missing; nullopt leaves
  // no application active (a desktop with only the shell in front).
  void setFrontmostApplication(const std::optional<RunningApplication>& app);
  // Answers typeOfFile for this path instead of looking at the file.
  void setTypeOfFile(const std::string& path, std::optional<std::string> type);

  std::vector<std::string> openedURLs() const;
  std::vector<RunningApplication> hiddenApplications() const;
  // URLs opened in a named application, with the application's entry path.
  std::vector<std::pair<std::string, std::string>> openedInApplications() const;

 private:
  mutable std::mutex mutex_;
  std::vector<RunningApplication> apps_;
  std::map<std::string, std::optional<std::string>> fileTypes_;
  std::vector<std::string> launched_;
  std::vector<std::string> opened_;
  std::vector<RunningApplication> hidden_;
  std::vector<std::pair<std::string, std::string>> openedIn_;
};

}  // namespace vl
