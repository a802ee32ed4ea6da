#pragma once

#include <string>

#include "theme/VLAppearanceExprAST.h"

namespace vl {

// The one entry point of the expression language.
class VLAppearanceMainLoop {
 public:
  // Evaluates `expression` for the given mode and asset type, resolving references in `context`. An
  // expression of several values yields its last. Raises VLAppearanceExprASTException when the text is
  // malformed (including "unkown ast" when it holds no colour, call or reference at all).
  static VLAppearanceValue getValueOfAppearance(const std::string& expression,
                                                VLAppearanceExprASTContextDelegate* context,
                                                const VLAppearanceArgs& argsDict);
};

}  // namespace vl
