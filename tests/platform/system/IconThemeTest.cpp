#include <gtest/gtest.h>

#include <string>

#include "platform/foundation/Files.h"
#include "platform/system/desktop/ContentTypeIcons.h"
#include "platform/system/desktop/IconImage.h"
#include "platform/system/desktop/IconTheme.h"
#include "platform/system/desktop/ThemeIconProvider.h"
#include "platform/system/desktop/Workspace.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

const std::string kIcons = std::string(VL_TEST_DATA_DIR) + "/icons";

IconThemeSearch fixtureSearch() { return IconThemeSearch({kIcons + "/base"}, {kIcons + "/pixmaps"}); }

TEST(IconThemeSearch, ChoosesBySizeScaleInheritanceAndFallback) {
  struct Case {
    const char* theme;
    const char* icon;
    int size;
    int scale;
    const char* expected;  // relative to the fixture folder; "" for none
  };
  const Case cases[] = {
      {"Child", "sized", 32, 1, "base/Child/32x32/apps/sized.png"},
      {"Child", "sized", 16, 1, "base/Child/16x16/apps/sized.png"},
      {"Child", "sized", 16, 2, "base/Child/16x16@2/apps/sized.png"},
      // No exact folder: the closest size wins, counted in pixels.
      {"Child", "sized", 28, 1, "base/Child/32x32/apps/sized.png"},
      {"Child", "sized", 20, 1, "base/Child/16x16/apps/sized.png"},
      // Threshold folders serve sizes near theirs; the parent is searched after the child.
      {"Child", "from-parent", 51, 1, "base/Parent/48x48/apps/from-parent.png"},
      {"Child", "vector", 200, 1, "base/Parent/scalable/apps/vector.svg"},
      {"Child", "only-hicolor", 48, 1, "base/hicolor/48x48/apps/only-hicolor.png"},
      {"Child", "fallback", 48, 1, "pixmaps/fallback.png"},
      {"No Such Theme", "only-hicolor", 16, 1, "base/hicolor/48x48/apps/only-hicolor.png"},
      // Child and Parent inherit each other and Loop inherits itself: the search ends empty.
      {"Child", "nowhere", 16, 1, ""},
      {"Loop", "nowhere", 16, 1, ""},
      {"Child", "../Parent/48x48/apps/from-parent", 48, 1, ""},
  };
  IconThemeSearch search = fixtureSearch();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.theme) + " " + c.icon + " " + std::to_string(c.size));
    const std::string expected = *c.expected ? kIcons + "/" + c.expected : "";
    EXPECT_EQ(search.lookup(c.theme, c.icon, c.size, c.scale), expected);
  }
}

TEST(IconThemeSearch, DeepInheritanceAndOversizedIndexesAreCut) {
  test::TempDir dir;
  const int kChain = IconThemeSearch::kMaxDepth + 4;
  for (int i = 0; i < kChain; ++i) {
    const std::string root = dir / ("T" + std::to_string(i));
    ASSERT_TRUE(files::createDirectories(root + "/16"));
    ASSERT_TRUE(files::atomicWrite(root + "/index.theme", "[Icon Theme]\nInherits=T" + std::to_string(i + 1) +
                                                              "\nDirectories=16\n[16]\nSize=16\n"));
  }
  ASSERT_TRUE(files::atomicWrite(dir / ("T" + std::to_string(kChain - 1) + "/16/deep.png"), "x"));
  ASSERT_TRUE(files::createDirectories(dir / "Huge/16"));
  ASSERT_TRUE(files::atomicWrite(dir / "Huge/16/deep.png", "x"));
  ASSERT_TRUE(files::atomicWrite(
      dir / "Huge/index.theme",
      "[Icon Theme]\nDirectories=16\n[16]\nSize=16\n#" + std::string(IconThemeIndex::kMaxFileBytes, 'x')));
  test::LogCapture logs;
  IconThemeSearch search({dir.path()}, {});
  EXPECT_EQ(search.lookup("T0", "deep", 16, 1), "");
  EXPECT_TRUE(test::LogCapture::contains("deep; the rest is ignored"));
  EXPECT_NE(search.lookup("T10", "deep", 16, 1), "");
  EXPECT_EQ(search.lookup("Huge", "deep", 16, 1), "");
  EXPECT_TRUE(test::LogCapture::contains("larger than"));
}

TEST(IconThemeIndex, AbsurdFoldersAreSkipped) {
  test::LogCapture logs;
  auto index = IconThemeIndex::parse(
      "[Icon Theme]\nInherits=A,,B\nDirectories=ok,nosize,neg,big,word,../up,missing\n"
      "[ok]\nSize=24\nType=Scalable\nMaxSize=64\n[nosize]\nType=Fixed\n[neg]\nSize=-3\n"
      "[big]\nSize=99999999999\n[word]\nSize=24px\n[../up]\nSize=24\n",
      "fixture");
  ASSERT_TRUE(index);
  EXPECT_EQ(index->inherits, (std::vector<std::string>{"A", "B"}));
  ASSERT_EQ(index->directories.size(), 1u);
  EXPECT_EQ(index->directories[0].minSize, 24);
  EXPECT_EQ(index->directories[0].maxSize, 64);
  EXPECT_FALSE(IconThemeIndex::parse("Directories=x\n", "no group"));
}

TEST(IconImage, DecodesPngAndSvgAndRefusesBrokenOrHugeFiles) {
  const std::string apps = kIcons + "/base/Child/32x32/apps/";
  auto png = icons::loadIconFile(apps + "sized.png", 16, 1);
  ASSERT_TRUE(png && png->hasPixels());
  EXPECT_EQ(png->pixelsWide(), 32);
  EXPECT_EQ(png->size().width, 16);
  EXPECT_EQ(png->pixels()[0], 40);
  EXPECT_EQ(png->pixels()[3], 255);

  auto svg = icons::loadIconFile(kIcons + "/base/Parent/scalable/apps/vector.svg", 24, 2);
  ASSERT_TRUE(svg && svg->hasPixels());
  EXPECT_EQ(svg->pixelsWide(), 48);
  EXPECT_EQ(svg->size().width, 24);
  const auto& p = svg->pixels();
  EXPECT_EQ((std::vector<int>{p[0], p[1], p[2], p[3]}), (std::vector<int>{255, 0, 0, 255}));

  test::LogCapture logs;
  for (const char* bad : {"broken.png", "enormous.png", "broken-svg.svg", "missing.png"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(icons::loadIconFile(apps + bad, 32, 1));
    EXPECT_TRUE(test::LogCapture::contains(bad));
  }
  EXPECT_FALSE(icons::loadIconFile(kIcons + "/base/Child", 32, 1));
}

TEST(ContentTypes, FilesGetTheirTypesIconNames) {
  test::TempDir dir;
  ASSERT_TRUE(files::atomicWrite(dir / "notes.txt", "plain words\n"));
  // No extension: the first bytes decide.
  ASSERT_TRUE(files::atomicWrite(dir / "picture", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)));
  struct Case {
    std::string path;
    const char* type;
    const char* icon;
  };
  const Case cases[] = {
      {dir / "notes.txt", "text/plain", "text-x-generic"},
      {dir / "picture", "image/png", "image-x-generic"},
      {dir.path(), "inode/directory", "folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(contenttype::guessForFile(c.path), c.type);
    const auto names = contenttype::iconNames(c.type);
    EXPECT_NE(std::find(names.begin(), names.end(), c.icon), names.end());
  }
}

TEST(ThemeIconProvider, FilesAndApplicationsFromTheTheme) {
  test::PrivateHome home;
  test::TempDir dir;
  ASSERT_TRUE(files::atomicWrite(dir / "shot.png", std::string("\x89PNG\r\n\x1a\n", 8)));
  ASSERT_TRUE(
      files::atomicWrite(dir / "editor.desktop",
                         "[Desktop Entry]\nType=Application\nName=Editor\nExec=e\nIcon=from-parent.png\n"));
  ASSERT_TRUE(files::atomicWrite(dir / "nameless.desktop", "[Desktop Entry]\nType=Application\nName=N\n"));
  ASSERT_TRUE(files::createDirectories(home / "config/gtk-3.0"));
  ASSERT_TRUE(files::atomicWrite(home / "config/gtk-3.0/settings.ini",
                                 "[Settings]\ngtk-icon-theme-name = \"Child\"\n"));

  ThemeIconProvider provider({kIcons + "/base"}, {kIcons + "/pixmaps"});
  EXPECT_EQ(provider.currentThemeName(), "Child");
  IconProvider::setPreferredThemeName("Parent");
  EXPECT_EQ(provider.currentThemeName(), "Parent");

  auto app = provider.iconForApplication(dir / "editor.desktop", 48, 1);
  ASSERT_TRUE(app->hasPixels());
  EXPECT_EQ(app->pixelsWide(), 48);
  EXPECT_EQ(provider.iconForApplication(dir / "editor.desktop", 48, 1), app) << "cached";
  auto file = provider.iconForFile(dir / "shot.png", 48, 1);
  EXPECT_EQ(file->pixelsWide(), 46);
  // Nothing in the theme draws it: a placeholder of the asked size.
  auto nameless = provider.iconForApplication(dir / "nameless.desktop", 20, 1);
  EXPECT_FALSE(nameless->hasPixels());
  EXPECT_EQ(nameless->size().width, 20);
  IconProvider::setPreferredThemeName("");

  // Without a desktop, the workspace keeps answering with sized placeholders.
  auto headless = Workspace::shared()->iconForFile(dir / "shot.png");
  EXPECT_FALSE(headless->hasPixels());
  EXPECT_EQ(headless->size().width, 32);
}

// Where neither the desktop nor the GTK settings name a theme, files take their icons from GTK's own
// default theme when it is installed ("hicolor" holds no icons of files on most systems).
TEST(ThemeIconProvider, WithoutANamedThemeFilesTakeGtksDefaultOne) {
  test::PrivateHome home;
  test::TempDir dir;
  ASSERT_TRUE(files::atomicWrite(dir / "notes.txt", "agenda"));
  struct Case {
    std::vector<std::string> bases;
    std::string theme;
    int side;  // of the icon found: the fixture's sides tell the themes apart
  };
  const Case cases[] = {
      {{kIcons + "/base"}, "Adwaita", 44},
      {{}, "hicolor", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.theme);
    ThemeIconProvider provider(c.bases, {});
    EXPECT_EQ(provider.currentThemeName(), c.theme);
    auto icon = provider.iconForFile(dir / "notes.txt", 48, 1);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->hasPixels() ? icon->pixelsWide() : 0, c.side);
  }
}

}  // namespace
}  // namespace vl
