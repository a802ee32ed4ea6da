#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Files.h"
#include "platform/ui/graphics/ImageLoader.h"
#include "support/TestSupport.h"
#include "theme/VLAppearanceExprASTException.h"
#include "theme/VLAppearanceMainLoop.h"
#include "theme/VLAppearanceTokenParser.h"

namespace vl {
namespace {

using ui::Color;

// A context whose references answer from a fixed map and remember what they were asked.
class FakeContext : public VLAppearanceExprASTContextDelegate {
 public:
  std::map<std::string, VLAppearanceValue> values;
  std::vector<std::string> asked;
  VLAppearanceValue getValueByRefKey(const std::string& key, const std::string& mode,
                                     const std::string& assetType) override {
    asked.push_back(key + "/" + mode + "/" + assetType);
    auto it = values.find(key);
    return it == values.end() ? VLAppearanceValue() : it->second;
  }
};

bool near(const Color& a, const Color& b) {
  return std::fabs(a.red - b.red) < 1e-6 && std::fabs(a.green - b.green) < 1e-6 &&
         std::fabs(a.blue - b.blue) < 1e-6 && std::fabs(a.alpha - b.alpha) < 1e-6;
}

struct Outcome {
  enum Kind { ColorValue, NoValue, Raises, Material } kind;
  Color color{};
  std::string reason{};
  std::int64_t material = 0;
  bool emphasized = false;
};
Outcome colour(Color c) { return {Outcome::ColorValue, c}; }
Outcome none() { return {Outcome::NoValue}; }
Outcome raises(std::string reason) { return {Outcome::Raises, {}, std::move(reason)}; }
Outcome material(std::int64_t m, bool emphasized = false) {
  return {Outcome::Material, {}, {}, m, emphasized};
}

struct Case {
  const char* expression;
  Outcome expected;
};

const Color kRed = Color::rgba(1, 0, 0, 1);
const Color kOrange = Color::rgb24(0xff8800);

TEST(AppearanceExpression, EdgeCases) {
  const std::vector<Case> cases = {
      {"rgb(255, 0, 0)", colour(kRed)},
      // The fourth argument is already a fraction.
      {"rgb(255, 0, 0, 0.5)", colour(Color::rgba(1, 0, 0, 0.5))},
      {"rgb(255, 0)", raises("can not eval rgb with (255, 0)")},
      {"rgb(1, 2, 3, 4, 5)", raises("can not eval rgb with (1, 2, 3, 4, 5)")},
      {"rgb(255,255,255)", colour(Color::whiteColor())},
      {"rgb( 255 , 255 , 255 )", colour(Color::whiteColor())},
      {"#ff8800", colour(kOrange)},
      {"'#ff8800'", colour(kOrange)},
      {"\"#ff8800\"", colour(kOrange)},
      {"#FF000080", colour(Color::rgba(1, 0, 0, 128 / 255.0))},
      {"#f80", none()},
      {"'#zz'", none()},
      // Quoted forms take any characters; the leading hex digits are the number.
      {"'#12zzzz'", colour(Color::rgb24(0x000012))},
      {"#ff0000 #00ff00", colour(Color::rgba(0, 1, 0, 1))},
      {"rgb(0,0,0) #ffffff", colour(Color::black())},
      {"#ffffff rgb(0,0,0)", colour(Color::black())},
      {"visualEffect(material: selection)", material(4, true)},
      {"visualEffect(material: headerView)", material(7)},
      {"visualEffect(material: sidebar)", material(7)},
      {"visualEffect(material: sidebar )", material(0)},
      {"visualEffect(material: appearanceBased)", material(0)},
      {"visualEffect(material: underPageBackground)", material(22)},
      {"visualEffect(12)", raises("visualEffect missing function label")},
      {"visualEffect(", raises("visualEffect missing function label")},
      {"visualEffect(colour: sidebar)", raises("unknown function label colour")},
      {"visualEffect(material: )", raises("visualEffect missing function argument")},
      {"linear-gradient(#D81E06, rgb(1,2,3))", raises("unkown expr")},
      {"linear-gradient(#D81E06)", raises("unsupport gradinet mode")},
      {"rgb(#D81E06, 0, 0)",
       raises("can not eval rgb with (" + Color::rgb24(0xD81E06).description() + ", 0, 0)")},
      {"rgb(255, 0, 0", none()},
      {"rgb(", none()},
      {"hsl(1, 2, 3)", raises("unknown function hsl")},
      {"12", raises("unkown ast")},
      {"", raises("unkown ast")},
      {"   ", raises("unkown ast")},
      {"% ! ?", raises("unkown ast")},
      {"systemColor(named: redColor)", colour(kRed)},
      {"systemColor(named: performSelector)", raises("unknown system color performSelector")},
      {"systemColor(label: redColor)", raises("unknown function label label")},
      // Scans that used to wait for a terminator past the end now stop and raise.
      {"rgb", raises("missing ( or : after rgb")},
      {"visualEffect(material: sidebar", raises("missing ) after sidebar")},
      {"'#ff8800", raises("missing closing quote after #ff8800")},
      {"image(url: http://example.com/a.png)", none()},
      {"image(named: no-such-image)", none()},
      {"image(colour: x)", raises("unknown function label colour")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    FakeContext context;
    try {
      VLAppearanceValue value =
          VLAppearanceMainLoop::getValueOfAppearance(c.expression, &context, {"any", "color"});
      switch (c.expected.kind) {
        case Outcome::ColorValue:
          ASSERT_TRUE(value.isColor()) << value.description();
          EXPECT_TRUE(near(*value.color(), c.expected.color)) << value.description();
          break;
        case Outcome::NoValue:
          EXPECT_TRUE(value.isNone()) << value.description();
          break;
        case Outcome::Material:
          ASSERT_TRUE(value.isVisualEffect()) << value.description();
          EXPECT_EQ(value.visualEffect()->material, c.expected.material);
          EXPECT_EQ(value.visualEffect()->emphasized, c.expected.emphasized);
          break;
        case Outcome::Raises:
          ADD_FAILURE() << "expected \"" << c.expected.reason << "\", got " << value.description();
          break;
      }
    } catch (const VLAppearanceExprASTException& e) {
      EXPECT_EQ(c.expected.kind, Outcome::Raises) << e.reason();
      EXPECT_EQ(e.reason(), c.expected.reason);
      EXPECT_EQ(e.name(), "AST Exception");
    }
  }
}

TEST(AppearanceExpression, ReferencesDropSpacesAndPassModeAndType) {
  FakeContext context;
  context.values["lineColor"] = Color::rgb24(0x123456);
  auto value = VLAppearanceMainLoop::getValueOfAppearance("$line Color", &context, {"dark", "color"});
  ASSERT_TRUE(value.isColor());
  EXPECT_EQ(*value.color(), Color::rgb24(0x123456));
  VLAppearanceMainLoop::getValueOfAppearance("$a $b", &context, {"light", "color"});
  EXPECT_EQ(context.asked, (std::vector<std::string>{"lineColor/dark/color", "a$b/light/color"}));
}

TEST(AppearanceExpression, GradientTakesReferencedColours) {
  FakeContext context;
  context.values["from"] = Color::rgb24(0xD81E06);
  auto value = VLAppearanceMainLoop::getValueOfAppearance("linear-gradient($from, '#F5A623')", &context, {});
  ASSERT_TRUE(value.isGradient());
  ASSERT_EQ(value.gradient()->stops().size(), 2u);
  EXPECT_EQ(value.gradient()->stops()[0].color, Color::rgb24(0xD81E06));
  EXPECT_EQ(value.gradient()->stops()[1].color, Color::rgb24(0xF5A623));
  // A reference that gives no colour cannot make a gradient.
  EXPECT_THROW(
      VLAppearanceMainLoop::getValueOfAppearance("linear-gradient($missing, '#F5A623')", &context, {}),
      VLAppearanceExprASTException);
}

TEST(AppearanceExpression, DynamicSystemColourFollowsTheMode) {
  FakeContext context;
  auto light =
      VLAppearanceMainLoop::getValueOfAppearance("systemColor(named: textColor)", &context, {"light"});
  auto dark = VLAppearanceMainLoop::getValueOfAppearance("systemColor(named: textColor)", &context, {"dark"});
  auto both = VLAppearanceMainLoop::getValueOfAppearance("systemColor(named: textColor)", &context, {"any"});
  ASSERT_TRUE(light.isColor());
  ASSERT_TRUE(dark.isColor());
  EXPECT_NE(*light.color(), *dark.color());
  ASSERT_TRUE(both.isList());
  ASSERT_EQ(both.list()->size(), 2u);
  EXPECT_EQ(*(*both.list())[0].color(), *light.color());
  EXPECT_EQ(*(*both.list())[1].color(), *dark.color());
}

// Stands in for a desktop backend's decoder: every file is one red pixel.
class RedPixelLoader : public ui::ImageLoader {
 public:
  ui::ImageRef load(const std::string& path, const std::string& name, double) override {
    paths.push_back(path);
    return std::make_shared<ui::Image>(ui::Size{1, 1}, 1, 1, std::vector<std::uint8_t>{255, 0, 0, 255}, name);
  }
  std::vector<std::string> paths;
};

TEST(AppearanceExpression, ImageUrlIsDecodedByTheInstalledLoader) {
  test::TempDir dir;
  ASSERT_TRUE(files::atomicWrite(dir / "a.png", "any bytes"));
  auto loader = std::make_shared<RedPixelLoader>();
  ui::setImageLoader(loader);
  FakeContext context;
  VLAppearanceValue value = VLAppearanceMainLoop::getValueOfAppearance(
      "image(url: file://" + dir.path() + "/a.png)", &context, {"any", "image"});
  ui::setImageLoader(nullptr);
  ASSERT_TRUE(value.isImage());
  EXPECT_TRUE(value.image()->hasPixels());
  EXPECT_EQ(loader->paths, std::vector<std::string>{dir / "a.png"});
}

TEST(AppearanceTokenParser, EndOfTextRepeatsAndQuotesSkipOneCharacter) {
  VLAppearanceTokenParser parser("'ab");
  EXPECT_EQ(parser.getChars(), "'");
  EXPECT_EQ(parser.getChars(), "a");
  EXPECT_EQ(parser.getChars(), "b");
  EXPECT_EQ(parser.getChars(), VLAppearanceTokenParser::kEOF);
  EXPECT_EQ(parser.getChars(), VLAppearanceTokenParser::kEOF);

  // A quote not followed by "#" gives an empty colour token and consumes the character after it.
  VLAppearanceTokenParser quoted("'x) 7");
  EXPECT_EQ(quoted.getNextToken(), VLAppearanceToken::hexColor(""));
  EXPECT_EQ(quoted.getNextToken(), VLAppearanceToken::functionEnd());
  EXPECT_EQ(quoted.getNextToken(), VLAppearanceToken::number("7"));
  EXPECT_EQ(quoted.getNextToken(), VLAppearanceToken::eof());
}

}  // namespace
}  // namespace vl
