#include "think/actions/TerminateAppAction.h"

#include "platform/foundation/Log.h"
#include "platform/system/desktop/Workspace.h"

namespace vl {

TerminateAppAction& TerminateAppAction::shared() {
  static TerminateAppAction action;
  return action;
}

std::optional<std::string> TerminateAppAction::getLabel(const std::string& text, Json& dict) {
  appPath_ = jsonString(dict, "app_path");
  return "Hide " + text;
}

std::optional<ui::AttributedString> TerminateAppAction::getText(const std::string& text, Json&) {
  return defaultAttributedString("Will hide app '" + text + "'");
}

void TerminateAppAction::doTask(const std::string&) {
  if (appPath_.empty()) return;
  std::shared_ptr<Workspace> workspace = Workspace::shared();
  int hidden = 0;
  for (const RunningApplication& app : workspace->runningApplications()) {
    if (app.path == appPath_ && workspace->hideApplication(app)) ++hidden;
  }
  if (hidden == 0) logWarningf("hide action: %s shows no window to hide", appPath_.c_str());
}

}  // namespace vl
