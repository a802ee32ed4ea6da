#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/table/TableRowView.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/text/AttributedString.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/text/TextView.h"
#include "platform/ui/view/Layer.h"
#include "support/TestSupport.h"
#include "theme/ThemeTestSupport.h"
#include "theme/VLArrayVerify.h"
#include "theme/VLThemeAttributedString.h"
#include "theme/VLThemeCategories.h"

namespace vl {
namespace {

using ui::Color;

const Color kAlphaLight = Color::whiteColor();  // "pair" in theme alpha, light and dark
const Color kAlphaDark = Color::black();
const Color kBetaLight = Color::rgb24(0xDDDDDD);  // "pair" in theme beta
const Color kBetaDark = Color::rgb24(0x222222);
const Color kPlain = Color::rgb24(0x336699);  // "plain": alpha only, one value in both modes
// The system's control text colour, shown by a field whose key gives no colour.
const Color kControlTextLight = Color::rgba(0, 0, 0, 0.85);
const Color kControlTextDark = Color::rgba(1, 1, 1, 0.85);

class ThemeControlsTest : public vl::test::ThemeFixture {
 protected:
  void SetUp() override {
    ThemeFixture::SetUp();
    manager().setActiveTheme("alpha");
  }
  static void setDark(bool dark) { ui::SystemAppearance::shared().setDark(dark); }
  // What the application does on a system change: the mode reaches the manager even when no themed
  // object is there yet to re-read it.
  static void setDarkEverywhere(bool dark) {
    setDark(dark);
    manager().setAppearanceMode(dark ? 1 : 0);
  }
};

// The two ways the look changes, each with the colour "pair" has afterwards when it started in alpha, light.
struct Change {
  const char* name;
  std::function<void()> apply;
  Color pairAfter;
};

std::vector<Change> changes() {
  return {
      {"theme", [] { VLThemeManager::shared().setActiveTheme("beta"); }, kBetaLight},
      {"mode", [] { ui::SystemAppearance::shared().setDark(true); }, kAlphaDark},
  };
}

TEST_F(ThemeControlsTest, LayerTextFieldAndRowViewFollowEveryChangeThroughTheirKeys) {
  for (const Change& change : changes()) {
    SCOPED_TRACE(change.name);
    manager().setActiveTheme("alpha");
    setDark(false);
    auto layer = ui::Layer::create();
    auto field = ui::TextField::create();
    auto row = ui::TableRowView::create();
    setBackgroundColorAssetKey(*layer, "pair");
    setTextColorAssetKey(*field, "pair");
    setBackgroundColorAssetKey(*row, "pair");
    EXPECT_EQ(layer->backgroundColor(), kAlphaLight);
    EXPECT_EQ(field->textColor(), kAlphaLight);
    EXPECT_EQ(row->backgroundColor(), kAlphaLight);

    change.apply();
    EXPECT_EQ(layer->backgroundColor(), change.pairAfter);
    EXPECT_EQ(field->textColor(), change.pairAfter);
    EXPECT_EQ(row->backgroundColor(), change.pairAfter);
  }
}

TEST_F(ThemeControlsTest, WithoutAKeyRowsLoseTheirBackgroundWhileScrollViewsAndTablesKeepTheirs) {
  auto row = ui::TableRowView::create();
  auto scrollView = ui::ScrollView::create();
  auto table = ui::TableView::create();
  // Followed, then left without a key.
  for (ui::View* view : std::initializer_list<ui::View*>{row.get(), scrollView.get(), table.get()}) {
    themeManager(*view).nothing();
  }
  const Color own = Color::rgb24(0x123456);
  row->setBackgroundColor(own);
  scrollView->setBackgroundColor(own);
  table->setBackgroundColor(own);
  for (const Change& change : changes()) {
    SCOPED_TRACE(change.name);
    change.apply();
    EXPECT_EQ(row->backgroundColor(), std::nullopt);
    EXPECT_EQ(scrollView->backgroundColor(), own);
    EXPECT_EQ(table->backgroundColor(), own);
    row->setBackgroundColor(own);
  }

  // With keys they follow; a key without a colour clears.
  setDark(false);
  manager().setActiveTheme("alpha");
  setBackgroundColorAssetKey(*scrollView, "pair");
  setBackgroundColorAssetKey(*table, "plain");
  EXPECT_EQ(scrollView->backgroundColor(), kAlphaLight);
  EXPECT_EQ(table->backgroundColor(), kPlain);
  manager().setActiveTheme("beta");  // beta has no "plain"
  EXPECT_EQ(scrollView->backgroundColor(), kBetaLight);
  EXPECT_EQ(table->backgroundColor(), std::nullopt);
  setBackgroundColorAssetKey(*scrollView, "noSuchKey");
  EXPECT_EQ(scrollView->backgroundColor(), Color::clear());
}

TEST_F(ThemeControlsTest, ControlFollowedAsAPlainViewFirstStillGetsItsOwnCategory) {
  auto field = ui::TextField::create();
  ui::View& asView = *field;
  themeManager(asView).nothing();
  setBackgroundColorAssetKey(asView, "plain");  // the view category's key, drawn by the view itself
  setTextColorAssetKey(*field, "pair");
  EXPECT_EQ(backgroundColorAssetKey(asView), "plain");
  setDark(true);
  EXPECT_EQ(field->textColor(), kAlphaDark);
}

TEST_F(ThemeControlsTest, TextFieldWithoutAColourShowsTheControlTextColourOfTheMode) {
  auto field = ui::TextField::create();
  setTextColorAssetKey(*field, "noSuchKey");
  EXPECT_EQ(field->textColor(), kControlTextLight);
  setDark(true);
  EXPECT_EQ(field->textColor(), kControlTextDark);
  // Re-applied on every change: a colour set by hand lasts only until the next one.
  field->setTextColor(kPlain);
  manager().setActiveTheme("beta");
  EXPECT_EQ(field->textColor(), kControlTextDark);
  setTextColorAssetKey(*field, "white");
  EXPECT_EQ(field->textColor(), Color::rgb24(0xF5F5F5));
}

TEST_F(ThemeControlsTest, TextViewReappliesOnlyTheKeysThatAreSet) {
  auto textView = ui::TextView::create();
  setTextColorAssetKey(*textView, "pair");
  const Color ownBackground = Color::rgb24(0x101010);
  textView->setBackgroundColor(ownBackground);
  setDark(true);
  EXPECT_EQ(textView->textColor(), kAlphaDark);
  EXPECT_EQ(textView->backgroundColor(), ownBackground);

  setBackgroundColorAssetKey(*textView, "pair");
  EXPECT_EQ(textView->backgroundColor(), kAlphaDark);
  manager().setActiveTheme("beta");
  EXPECT_EQ(textView->textColor(), kBetaDark);
  EXPECT_EQ(textView->backgroundColor(), kBetaDark);
  setBackgroundColorAssetKey(*textView, "plain");
  EXPECT_EQ(textView->backgroundColor(), Color::clear());
  setTextColorAssetKey(*textView, "plain");
  EXPECT_EQ(textView->textColor(), Color::white(1));  // the system text colour by night
}

// Three pixels: opaque red, transparent, half-transparent green.
ui::ImageRef threePixelImage() {
  return std::make_shared<const ui::Image>(
      ui::Size{3, 1}, 3, 1, std::vector<std::uint8_t>{255, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0, 128}, "dots");
}

TEST_F(ThemeControlsTest, ImageViewTintKeepsTheShapeAndFollowsTheMode) {
  auto imageView = ui::ImageView::create();
  imageView->setImage(threePixelImage());
  setTintColorAssetKey(*imageView, "pair");
  ASSERT_TRUE(imageView->image());
  EXPECT_EQ(imageView->image()->pixels(),
            (std::vector<std::uint8_t>{255, 255, 255, 255, 255, 255, 255, 0, 255, 255, 255, 128}));
  EXPECT_EQ(imageView->contentTintColor(), kAlphaLight);

  setDark(true);
  EXPECT_EQ(imageView->image()->pixels(),
            (std::vector<std::uint8_t>{0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 128}));
  EXPECT_EQ(imageView->contentTintColor(), kAlphaDark);

  // A key without a colour removes the tint and leaves the image visible.
  const ui::ImageRef before = imageView->image();
  setTintColorAssetKey(*imageView, "noSuchKey");
  EXPECT_EQ(imageView->image(), before);
  EXPECT_EQ(imageView->contentTintColor(), std::nullopt);

  // A translucent colour scales the image's alpha.
  EXPECT_EQ(tintedImage(*threePixelImage(), Color::rgba(0, 0, 1, 0.5))->pixels(),
            (std::vector<std::uint8_t>{0, 0, 255, 128, 0, 0, 255, 0, 0, 0, 255, 64}));

  // An image known only by its size is kept as it is and tinted when drawn.
  auto sized = std::make_shared<const ui::Image>(ui::Size{16, 16}, "icon");
  imageView->setImage(sized);
  setTintColorAssetKey(*imageView, "pair");
  EXPECT_EQ(imageView->image(), sized);
  EXPECT_EQ(imageView->contentTintColor(), kAlphaDark);
  manager().setActiveTheme("beta");
  EXPECT_EQ(imageView->contentTintColor(), kBetaDark);
}

// A themed field of the application: its own hook runs, and the field category with it.
class ThemedField : public VLThemed<ui::TextField> {
 public:
  using VLThemed::VLThemed;
  int changes = 0;
  void lightOrDarkChanged() override {
    ++changes;
    VLThemed::lightOrDarkChanged();
  }
};

TEST_F(ThemeControlsTest, ObjectsDestroyedBeforeAChangeAreNotTouched) {
  const std::size_t followedBefore = followedObjectCountForTesting();
  auto survivor = ui::TextField::create();
  setTextColorAssetKey(*survivor, "pair");
  // The key store's own subscription is in place from here on.
  const std::size_t themeObserversBefore = NotificationCenter::defaultCenter().observerCount();
  {
    auto field = ui::TextField::create();
    auto row = ui::TableRowView::create();
    auto layer = ui::Layer::create();
    auto imageView = ui::ImageView::create();
    auto themed = std::make_shared<ThemedField>();
    setTextColorAssetKey(*field, "pair");
    setBackgroundColorAssetKey(*row, "pair");
    setBorderColorAssetKey(*layer, "pair");
    imageView->setImage(threePixelImage());
    setTintColorAssetKey(*imageView, "pair");
    setTextColorAssetKey(*themed, "pair");
    EXPECT_TRUE(themed->isSubscribedToTheme());
    manager().setActiveTheme("beta");
    EXPECT_EQ(themed->changes, 1);
    EXPECT_EQ(themed->textColor(), kBetaLight);
  }
  EXPECT_EQ(NotificationCenter::defaultCenter().observerCount(), themeObserversBefore);
  for (const Change& change : changes()) change.apply();
  EXPECT_EQ(survivor->textColor(), kBetaDark);
  EXPECT_EQ(followedObjectCountForTesting(), followedBefore + 1);
}

TEST_F(ThemeControlsTest, AttributedStringColoursResolveInTheCurrentMode) {
  for (bool dark : {false, true}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    setDarkEverywhere(dark);
    const Color expected = dark ? kAlphaDark : kAlphaLight;
    ui::AttributedString text("hello world");
    addAttribute(text, ui::TextAttribute::ForegroundColor, "pair", {0, 5});
    addAttribute(text, ui::TextAttribute::BackgroundColor, "plain", {6, 5});
    ui::TextAttributes first = text.attributesAt(0);
    EXPECT_EQ(first.foregroundColor, expected);
    EXPECT_EQ(first.foregroundColorAssetKey, "pair");
    EXPECT_FALSE(first.backgroundColor);
    EXPECT_EQ(text.attributesAt(6).backgroundColor, kPlain);
    EXPECT_FALSE(text.attributesAt(5).foregroundColor);
  }
  // A key without a colour, or an attribute that is no colour, adds nothing.
  vl::test::LogCapture log;
  ui::AttributedString text("abc");
  const ui::AttributedString before = text;
  addAttribute(text, ui::TextAttribute::ForegroundColor, "noSuchKey", {0, 3});
  EXPECT_EQ(vl::test::LogCapture::count("===========key: noSuchKey"), 1);
  addAttribute(text, ui::TextAttribute::Font, "pair", {0, 3});
  EXPECT_EQ(text, before);
}

TEST_F(ThemeControlsTest, AttributeSetsResolveKeysAndDropThoseWithoutColour) {
  setDarkEverywhere(true);
  ui::TextAttributes given;
  given.font = ui::Font::systemFont(13);
  given.foregroundColorAssetKey = "pair";
  given.backgroundColor = kPlain;
  given.backgroundColorAssetKey = "noSuchKey";
  const ui::TextAttributes resolved = replaceByAssetKeyValue(given);
  EXPECT_EQ(resolved.font, given.font);
  EXPECT_EQ(resolved.foregroundColor, kAlphaDark);
  EXPECT_EQ(resolved.foregroundColorAssetKey, "pair");
  EXPECT_FALSE(resolved.backgroundColor);
  EXPECT_FALSE(resolved.backgroundColorAssetKey);

  // Adding keeps what the dropped entry would have replaced; setting replaces everything.
  ui::TextAttributes highlighted;
  highlighted.backgroundColor = Color::rgb24(0xFFFF00);
  ui::AttributedString added("abcd", highlighted);
  ui::AttributedString set("abcd", highlighted);
  addAttributesSupportedAssetKey(added, given, {0, 2});
  setAttributesSupportedAssetKey(set, given, {0, 2});
  EXPECT_EQ(added.attributesAt(0).backgroundColor, Color::rgb24(0xFFFF00));
  EXPECT_EQ(added.attributesAt(0).foregroundColor, kAlphaDark);
  EXPECT_FALSE(set.attributesAt(0).backgroundColor);
  EXPECT_EQ(set.attributesAt(0).foregroundColor, kAlphaDark);
  EXPECT_EQ(set.attributesAt(2).backgroundColor, Color::rgb24(0xFFFF00));
}

TEST(VLArrayVerify, ReadsInsideTheArrayAndLogsTheRest) {
  vl::test::LogCapture log;
  const std::vector<std::string> words = {"a", "b"};
  struct Case {
    std::int64_t index;
    const char* expected;  // nullptr: out of range
  };
  for (const Case& c : std::vector<Case>{{0, "a"}, {1, "b"}, {2, nullptr}, {-1, nullptr}}) {
    const std::string* found = objectAtIndexVerify(words, c.index);
    ASSERT_EQ(found != nullptr, c.expected != nullptr) << c.index;
    if (found) {
      EXPECT_EQ(*found, c.expected);
    }
  }
  EXPECT_EQ(objectAtIndexedSubscriptVerify(std::vector<int>{}, 0), nullptr);
  EXPECT_EQ(vl::test::LogCapture::count(" 你的 NSArray数组已经越界了 但是已经帮你处理好了  2   2"), 1);
  EXPECT_EQ(vl::test::LogCapture::count(" 你的 NSArray数组已经越界了 但是已经帮你处理好了  -1   2"), 1);
  EXPECT_EQ(vl::test::LogCapture::count(" 你的 NSArray数组已经越界了 但是已经帮你处理好了  0   0"), 1);
}

}  // namespace
}  // namespace vl
