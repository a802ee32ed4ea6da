#pragma once

#include <stdexcept>
#include <string>

namespace vl {

// Every failure of the theme engine that is raised rather than answered: a kind of the platform's
// exception with a name and a reason. Loading catches it per entry, so it never leaves the theme module.
class VLThemeException : public std::runtime_error {
 public:
  VLThemeException(std::string name, const std::string& reason)
      : std::runtime_error(reason), name_(std::move(name)) {}
  const std::string& name() const { return name_; }
  std::string reason() const { return what(); }

 private:
  std::string name_;
};

// A malformed appearance expression.
class VLAppearanceExprASTException : public VLThemeException {
 public:
  explicit VLAppearanceExprASTException(const std::string& reason)
      : VLThemeException("AST Exception", reason) {}
  static VLAppearanceExprASTException ofReason(const std::string& reason) {
    return VLAppearanceExprASTException(reason);
  }
};

}  // namespace vl
