#include "theme/VLAppearanceMainLoop.h"

#include <memory>

#include "theme/VLAppearanceExprASTException.h"

namespace vl {

VLAppearanceValue VLAppearanceMainLoop::getValueOfAppearance(const std::string& expression,
                                                             VLAppearanceExprASTContextDelegate* context,
                                                             const VLAppearanceArgs& argsDict) {
  VLAppearanceTokenParser parser(expression);
  parser.getNextToken();
  std::unique_ptr<VLAppearanceExprAST> latest;
  while (!parser.isEOF()) {
    if (parser.isHexColor()) {
      latest = VLAppearanceExprAST::initWithContext<VLAppearanceHexColorExprAST>(context, parser, argsDict);
    } else if (parser.isFunction()) {
      latest = VLAppearanceExprAST::initWithContext<VLAppearanceFunctionExprAST>(context, parser, argsDict);
    } else if (parser.isRef()) {
      latest = VLAppearanceExprAST::initWithContext<VLAppearanceRefExprAST>(context, parser, argsDict);
    }
    // A call leaves the token after its ")" current, so this read passes over that token.
    parser.getNextToken();
  }
  if (!latest) throw VLAppearanceExprASTException::ofReason("unkown ast");
  return latest->getValue();
}

}  // namespace vl
