#pragma once

#include <memory>
#include <string>

#include "theme/VLAppearanceTokenParser.h"
#include "theme/VLAppearanceValue.h"

namespace vl {

// What the expression of one entry is evaluated for: the mode ("any", "light" or "dark") and the asset
// type ("color").
struct VLAppearanceArgs {
  std::string mode = "any";
  std::string assetType = "color";
};

// The context an expression resolves references in (the theme being loaded).
class VLAppearanceExprASTContextDelegate {
 public:
  virtual ~VLAppearanceExprASTContextDelegate() = default;
  virtual VLAppearanceValue getValueByRefKey(const std::string& key, const std::string& mode,
                                             const std::string& assetType) = 0;
};

// A node parses and evaluates in one step: initWithContext builds it on the parser's current token and
// runs construct() at once. Nodes share one parser and refer to the context without owning it.
class VLAppearanceExprAST {
 public:
  VLAppearanceExprAST(VLAppearanceExprASTContextDelegate* context, VLAppearanceTokenParser& parser,
                      const VLAppearanceArgs& argsDict)
      : context_(context), parser_(parser), argsDict_(argsDict) {}
  virtual ~VLAppearanceExprAST() = default;
  VLAppearanceExprAST(const VLAppearanceExprAST&) = delete;
  VLAppearanceExprAST& operator=(const VLAppearanceExprAST&) = delete;

  template <typename Node>
  static std::unique_ptr<Node> initWithContext(VLAppearanceExprASTContextDelegate* context,
                                               VLAppearanceTokenParser& parser,
                                               const VLAppearanceArgs& argsDict) {
    auto node = std::make_unique<Node>(context, parser, argsDict);
    static_cast<VLAppearanceExprAST*>(node.get())->construct();
    return node;
  }

  const VLAppearanceValue& getValue() const { return value_; }

 protected:
  virtual void construct() {}
  // The node of one function argument, built on the current token. Calls do not nest: a function, a
  // label, ")" or a stray character raises "unkown expr".
  std::unique_ptr<VLAppearanceExprAST> primary();

  VLAppearanceExprASTContextDelegate* context_;
  VLAppearanceTokenParser& parser_;
  VLAppearanceArgs argsDict_;
  VLAppearanceValue value_;
};

// "#RRGGBB", "#RRGGBBAA" or a quoted "#" form; any other length gives no value.
class VLAppearanceHexColorExprAST : public VLAppearanceExprAST {
 public:
  using VLAppearanceExprAST::VLAppearanceExprAST;

 protected:
  void construct() override;
};

// A whole number (32-bit) or, with a point, a single-precision fraction.
class VLAppearanceNumberExprAST : public VLAppearanceExprAST {
 public:
  using VLAppearanceExprAST::VLAppearanceExprAST;

 protected:
  void construct() override;
};

// "$key": the referenced key's value from the context, for the same mode.
class VLAppearanceRefExprAST : public VLAppearanceExprAST {
 public:
  using VLAppearanceExprAST::VLAppearanceExprAST;

 protected:
  void construct() override;
};

// The text after a function label, unchanged.
class VLAppearanceParamStringExprAST : public VLAppearanceExprAST {
 public:
  using VLAppearanceExprAST::VLAppearanceExprAST;

 protected:
  void construct() override;
};

// rgb, visualEffect, linear-gradient, systemColor and image. Consumes its arguments, the ")" and the
// token after it.
class VLAppearanceFunctionExprAST : public VLAppearanceExprAST {
 public:
  using VLAppearanceExprAST::VLAppearanceExprAST;
  // The material number of a visualEffect parameter text; 0 for any text not in the table.
  static std::int64_t materialNamed(const std::string& text);

 protected:
  void construct() override;
};

}  // namespace vl
