#include <algorithm>
#include <map>
#include <vector>

#include "theme/VLAppearanceExprAST.h"
#include "theme/VLAppearanceExprASTException.h"
#include "theme/VLSystemColors.h"
#include "theme/VLThemeImages.h"

namespace vl {

namespace {

enum class Kind { Rgb, VisualEffect, LinearGradient, SystemColor, Image };

std::string describe(const VLAppearanceValue::List& args) { return VLAppearanceValue(args).description(); }

VLAppearanceValue evalRgb(const VLAppearanceValue::List& args) {
  const bool numeric = std::all_of(args.begin(), args.end(), [](const auto& a) { return a.isNumber(); });
  if ((args.size() != 3 && args.size() != 4) || !numeric) {
    throw VLAppearanceExprASTException::ofReason("can not eval rgb with " + describe(args));
  }
  auto component = [](double v) { return std::clamp(v, 0.0, 1.0); };
  // The alpha is already a fraction; only the three channels are bytes.
  double alpha = args.size() == 4 ? component(args[3].number()) : 1.0;
  return ui::Color::rgba(component(args[0].number() / 255), component(args[1].number() / 255),
                         component(args[2].number() / 255), alpha);
}

VLAppearanceValue evalGradient(const VLAppearanceValue::List& args) {
  if (args.size() != 2) throw VLAppearanceExprASTException::ofReason("unsupport gradinet mode");
  if (!args[0].isColor() || !args[1].isColor()) {
    throw VLAppearanceExprASTException::ofReason("linear-gradient needs two colours, got " + describe(args));
  }
  return ui::Gradient({*args[0].color(), *args[1].color()});
}

VLAppearanceValue evalSystemColor(const VLAppearanceValue& arg, const std::string& mode) {
  const std::string name = arg.text() ? *arg.text() : arg.description();
  auto color = systemColorNamed(name);
  if (!color) throw VLAppearanceExprASTException::ofReason("unknown system color " + name);
  if (mode == "dark") return color->dark;
  if (mode == "light" || !color->isDynamic()) return color->light;
  // Read for both modes at once: a light/dark pair, the same shape a reference to a pair gives.
  return VLAppearanceValue::List{color->light, color->dark};
}

}  // namespace

std::int64_t VLAppearanceFunctionExprAST::materialNamed(const std::string& text) {
  static const std::map<std::string, std::int64_t> materials = {
      {"titlebar", 3},
      {"selection", 4},
      {"menu", 5},
      {"popover", 6},
      {"sidebar", 7},
      {"headerView", 7},
      {"sheet", 11},
      {"windowBackground", 12},
      {"hudWindow", 13},
      {"fullScreenUI", 15},
      {"toolTip", 17},
      {"contentBackground", 18},
      {"underWindowBackground", 21},
      {"underPageBackground", 22},
  };
  auto it = materials.find(text);
  return it == materials.end() ? 0 : it->second;
}

void VLAppearanceFunctionExprAST::construct() {
  static const std::map<std::string, Kind> kinds = {
      {"rgb", Kind::Rgb},
      {"visualEffect", Kind::VisualEffect},
      {"linear-gradient", Kind::LinearGradient},
      {"systemColor", Kind::SystemColor},
      {"image", Kind::Image},
  };
  const std::string name = parser_.getCurToken().text();
  parser_.getNextToken();
  auto found = kinds.find(name);
  if (found == kinds.end()) throw VLAppearanceExprASTException::ofReason("unknown function " + name);
  const Kind kind = found->second;

  std::string label;
  if (kind == Kind::VisualEffect || kind == Kind::SystemColor || kind == Kind::Image) {
    if (!parser_.isFunctionLabel())
      throw VLAppearanceExprASTException::ofReason(name + " missing function label");
    label = parser_.getCurToken().text();
    parser_.getNextToken();
  }

  VLAppearanceValue::List args;
  while (!parser_.isFunctionEnd()) {
    // A call cut off by the end of the text has no value; that is not an error.
    if (parser_.isEOF()) return;
    args.push_back(primary()->getValue());
    parser_.getNextToken();
    if (parser_.isEOF()) return;
  }

  switch (kind) {
    case Kind::Rgb:
      value_ = evalRgb(args);
      break;
    case Kind::LinearGradient:
      value_ = evalGradient(args);
      break;
    case Kind::VisualEffect: {
      if (label != "material")
        throw VLAppearanceExprASTException::ofReason("unknown function label " + label);
      if (args.empty()) throw VLAppearanceExprASTException::ofReason(name + " missing function argument");
      // The text keeps its spaces, so "sidebar " matches nothing and gives 0.
      std::int64_t material = args[0].text() ? materialNamed(*args[0].text()) : 0;
      value_ = VLVisualEffectObject::ofMaterial(material, material == 4);
      break;
    }
    case Kind::SystemColor:
      if (label != "named") throw VLAppearanceExprASTException::ofReason("unknown function label " + label);
      if (args.empty()) throw VLAppearanceExprASTException::ofReason(name + " missing function argument");
      value_ = evalSystemColor(args[0], argsDict_.mode);
      break;
    case Kind::Image: {
      if (label != "named" && label != "url") {
        throw VLAppearanceExprASTException::ofReason("unknown function label " + label);
      }
      if (args.empty()) throw VLAppearanceExprASTException::ofReason(name + " missing function argument");
      const std::string text = args[0].text() ? *args[0].text() : args[0].description();
      ui::ImageRef image = label == "named" ? themeImageNamed(text) : themeImageAtURL(text);
      if (image) value_ = image;
      break;
    }
  }
  parser_.getNextToken();
}

}  // namespace vl
