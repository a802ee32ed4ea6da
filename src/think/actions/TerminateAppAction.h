#pragma once

#include <string>

#include "think/Action.h"

namespace vl {

// An application record: hides that application's windows.
class TerminateAppAction final : public Action {
 public:
  static TerminateAppAction& shared();
  const char* name() const override { return "TerminateAppAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kApp}; }
  // "Hide <name>"; keeps the application's desktop entry.
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;
  // Hides every running application of that entry.
  void doTask(const std::string& text) override;
  const std::string& appPath() const { return appPath_; }

 private:
  TerminateAppAction() = default;
  std::string appPath_;
};

}  // namespace vl
