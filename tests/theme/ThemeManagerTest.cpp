#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "theme/ThemeTestSupport.h"
#include "theme/VLTheme.h"
#include "theme/VLThemeYaml.h"

namespace vl {
namespace {

using ui::Color;
using vl::test::LogCapture;

class ThemeManagerTest : public vl::test::ThemeFixture {
 protected:
  void SetUp() override {
    ThemeFixture::SetUp();
    manager().setCurrentTheme(table().at("alpha"));
  }
  static const VLThemeManager::ThemeTable& table() { return *VLThemeManager::themeTable(); }
  static std::optional<Color> in(std::int64_t mode, const std::string& key) {
    manager().setAppearanceMode(mode);
    return manager().colorForKey(key);
  }
};

TEST_F(ThemeManagerTest, LoadsThemeFilesInNameOrderAndSkipsBadOnes) {
  LogCapture log;
  VLThemeManager::reloadThemeTableForTesting(vl::test::themeDataDir());
  std::vector<std::string> names;
  for (const auto& theme : manager().themeList()) names.push_back(theme->name());
  EXPECT_EQ(names, (std::vector<std::string>{"alpha", "beta"}));

  const VLTheme& alpha = *table().at("alpha");
  EXPECT_TRUE(alpha.main());
  EXPECT_FALSE(table().at("beta")->main());
  // theme-beta2.yml comes after theme-beta.yml and takes the name over.
  manager().setCurrentTheme(table().at("beta"));
  EXPECT_EQ(manager().colorForKey("white"), Color::rgb24(0xF5F5F5));

  EXPECT_TRUE(LogCapture::contains("theme-broken.yml: not a usable YAML document"));
  EXPECT_TRUE(LogCapture::contains("theme-noname.yml: key \"name\""));
  EXPECT_TRUE(LogCapture::contains("theme-list.yml: the top level is not a mapping"));
  EXPECT_FALSE(LogCapture::contains("other-gamma.yml"));
}

// Each hostile file is refused as it is read, before it can hang the start, and the others still load.
TEST_F(ThemeManagerTest, FilesBeyondDepthOrSizeBoundsAreRefusedAndTheRestLoad) {
  std::string deepMapping = "name: deepmap\ncolors:\n";
  for (int i = 1; i <= 1000; ++i) deepMapping += std::string(i, ' ') + "a:\n";
  const std::vector<std::pair<std::string, std::string>> hostile = {
      {"theme-deepflow.yml", "name: deepflow\ncolors: " + std::string(100000, '[') + "\n"},
      {"theme-deepblock.yml", "name: deepblock\ncolors:\n  " +
                                  [] {
                                    std::string dashes;
                                    for (int i = 0; i < 100000; ++i) dashes += "- ";
                                    return dashes + "x\n";
                                  }()},
      {"theme-deepmap.yml", deepMapping},
      {"theme-huge.yml", "name: huge\ncolors: {a: '#FFFFFF'}\n" + std::string(kMaxYamlBytes, '#') + "\n"},
  };
  vl::test::TempDir folder;
  auto alpha = files::readFile(vl::test::themeDataDir() + "/theme-alpha.yml");
  ASSERT_TRUE(alpha && files::atomicWrite(folder / "theme-alpha.yml", *alpha));
  for (const auto& [name, text] : hostile) ASSERT_TRUE(files::atomicWrite(folder / name, text));

  LogCapture log;
  VLThemeManager::reloadThemeTableForTesting(folder.path());
  std::vector<std::string> names;
  for (const auto& theme : manager().themeList()) names.push_back(theme->name());
  EXPECT_EQ(names, std::vector<std::string>{"alpha"});
  EXPECT_TRUE(LogCapture::contains("theme-deepflow.yml: not a usable YAML document (nested deeper than"));
  EXPECT_TRUE(LogCapture::contains("theme-deepblock.yml: not a usable YAML document (nested deeper than"));
  EXPECT_TRUE(LogCapture::contains("theme-deepmap.yml: not a usable YAML document (nested deeper than"));
  EXPECT_TRUE(LogCapture::contains("theme-huge.yml: not a usable YAML document (larger than"));
}

TEST_F(ThemeManagerTest, ResolvesEntriesAndReferencesInBothModes) {
  struct Row {
    const char* key;
    std::optional<Color> light;
    std::optional<Color> dark;
  };
  const std::vector<Row> rows = {
      {"white", Color::whiteColor(), Color::whiteColor()},
      {"pair", Color::whiteColor(), Color::black()},
      // A whole-entry reference copies both sides of a pair.
      {"copyOfPair", Color::whiteColor(), Color::black()},
      {"plain", Color::rgb24(0x336699), Color::rgb24(0x336699)},
      // Inside a pair a reference reads only that side, and a plain value has none.
      {"pairOfPlainRefs", std::nullopt, std::nullopt},
      {"chainA", Color::rgb24(0x102030), Color::rgb24(0x102030)},
      {"darkMaterial", Color::rgb24(0xF0F0F0), std::nullopt},
      {"gradient", std::nullopt, std::nullopt},
      {"noSuchKey", std::nullopt, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.key);
    EXPECT_EQ(in(0, row.key), row.light);
    EXPECT_EQ(in(1, row.key), row.dark);
  }
  auto labelLight = in(0, "systemText");
  auto labelDark = in(1, "systemText");
  ASSERT_TRUE(labelLight && labelDark);
  EXPECT_NE(*labelLight, *labelDark);
}

TEST_F(ThemeManagerTest, GradientsMaterialsAndKinds) {
  manager().setAppearanceMode(0);
  auto gradient = manager().gradientForKey("gradient");
  ASSERT_TRUE(gradient);
  EXPECT_EQ(gradient->stops().front().color, Color::rgb24(0xD81E06));
  EXPECT_EQ(manager().getAppearanceTypeForKey("gradient"), VLThemeManager::GradientType);
  EXPECT_EQ(manager().getAppearanceTypeForKey("pair"), VLThemeManager::ColorType);
  EXPECT_EQ(manager().getAppearanceTypeForKey("material"), VLThemeManager::None);
  EXPECT_EQ(manager().getAppearanceTypeForKey("noSuchKey"), VLThemeManager::None);
  // The kind is asked of the current theme only.
  EXPECT_EQ(manager().getAppearanceTypeForKey("beta:white"), VLThemeManager::None);

  EXPECT_EQ(manager().visualEffectObjectForKey("material"), VLVisualEffectObject::ofMaterial(7, false));
  EXPECT_FALSE(manager().colorForKey("material"));
  EXPECT_FALSE(manager().visualEffectObjectForKey("darkMaterial"));
  manager().setAppearanceMode(1);
  EXPECT_EQ(manager().visualEffectObjectForKey("darkMaterial"), VLVisualEffectObject::ofMaterial(13, false));
  EXPECT_EQ(manager().getAppearanceTypeForKey("darkMaterial"), VLThemeManager::None);
  // A mode that is neither light nor dark has no per-mode value.
  manager().setAppearanceMode(2);
  EXPECT_FALSE(manager().colorForKey("pair"));
  EXPECT_EQ(manager().colorForKey("white"), Color::whiteColor());
}

TEST_F(ThemeManagerTest, ThemeQualifiedKeysReadTheNamedTheme) {
  EXPECT_EQ(in(0, "beta:pair"), Color::rgb24(0xDDDDDD));
  EXPECT_EQ(in(1, "beta:pair"), Color::rgb24(0x222222));
  EXPECT_EQ(in(1, "beta:pair:ignored"), Color::rgb24(0x222222));
  EXPECT_EQ(in(0, "Beta:pair"), std::nullopt);  // theme names match exactly
  EXPECT_EQ(in(0, "gamma:white"), std::nullopt);
  EXPECT_EQ(in(0, "beta:"), std::nullopt);
  // Works with no current theme at all, as the chooser's thumbnails need.
  manager().setCurrentTheme(nullptr);
  EXPECT_EQ(in(0, "alpha:pair"), Color::whiteColor());
  EXPECT_EQ(in(0, "pair"), std::nullopt);
}

TEST_F(ThemeManagerTest, BadEntriesAndCyclesHaveNoValueAndAreLogged) {
  LogCapture log;
  VLThemeManager::reloadThemeTableForTesting(vl::test::themeDataDir());
  manager().setCurrentTheme(table().at("alpha"));
  for (const char* key :
       {"malformed", "unterminated", "halfPair", "number", "list", "loopA", "loopB", "self", "missingRef"}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(in(0, key), std::nullopt);
    EXPECT_EQ(in(1, key), std::nullopt);
  }
  for (const char* key : {"malformed", "unterminated", "halfPair", "number", "list", "loopA", "self"}) {
    EXPECT_TRUE(LogCapture::contains("theme-alpha.yml: key \"" + std::string(key) + "\"")) << key;
  }
  EXPECT_TRUE(LogCapture::contains("refers to \"doesNotExist\""));
  // The side that does not go through the cycle keeps its value.
  EXPECT_EQ(in(0, "dependsOnLoop"), std::nullopt);
  EXPECT_EQ(in(1, "dependsOnLoop"), Color::rgb24(0x445566));
  // The good entries of the same file are all there.
  EXPECT_EQ(in(1, "pair"), Color::black());
}

TEST(ThemeCycles, ResultDoesNotDependOnWhichKeyIsBuiltFirst) {
  // cycPair is built first and meets cycRef, which leads back to it: its light side has no value.
  // cycRef, built afterwards on its own, copies cycPair's finished sides.
  const char* yaml =
      "name: c\n"
      "colors:\n"
      "  cycPair: {light: $cycRef, dark: '#000000'}\n"
      "  cycRef: $cycPair\n";
  LogCapture log;
  auto theme = VLTheme::ofYAML(yaml, "cycles.yml");
  ASSERT_TRUE(theme);
  const VLAsset& pair = theme->colors().at("cycPair");
  const VLAsset& ref = theme->colors().at("cycRef");
  EXPECT_TRUE(pair.light.isNone());
  EXPECT_EQ(*pair.dark.color(), Color::black());
  EXPECT_TRUE(ref.light.isNone());
  ASSERT_TRUE(ref.dark.isColor());
  EXPECT_EQ(*ref.dark.color(), Color::black());
}

TEST(ThemeCycles, ChainsAndFanningCyclesFinish) {
  // 100 keys each referring to the next, a chain too deep to follow, and a cycle that fans out.
  std::string yaml = "name: long\ncolors:\n";
  for (int i = 0; i < 100; ++i) yaml += "  k" + std::to_string(i) + ": $k" + std::to_string(i + 1) + "\n";
  yaml += "  k100: '#0A0B0C'\n";
  for (int i = 0; i < 1000; ++i) yaml += "  d" + std::to_string(i) + ": $d" + std::to_string(i + 1) + "\n";
  yaml += "  d1000: '#0A0B0C'\n";
  for (int i = 0; i < 20; ++i) {
    yaml += "  f" + std::to_string(i) + ": \"linear-gradient($f" + std::to_string((i + 1) % 20) + ", $f" +
            std::to_string((i + 2) % 20) + ")\"\n";
  }
  LogCapture log;
  auto theme = VLTheme::ofYAML(yaml, "long.yml");
  ASSERT_TRUE(theme);
  for (int i = 0; i <= 100; ++i) {
    const VLAsset& asset = theme->colors().at("k" + std::to_string(i));
    ASSERT_TRUE(asset.any.isColor()) << i;
    EXPECT_EQ(*asset.any.color(), Color::rgb24(0x0A0B0C));
  }
  EXPECT_TRUE(theme->colors().at("d0").isEmpty());
  EXPECT_TRUE(LogCapture::contains("long.yml: key \"d0\": too many references to follow"));
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(theme->colors().at("f" + std::to_string(i)).isEmpty());
}

TEST(ThemeFiles, HostileDocumentsAreRefusedOrEmpty) {
  std::string laughs = "a: &a [x, x, x, x, x, x, x, x, x, x]\n";
  for (char c = 'b'; c <= 'k'; ++c) {
    std::string prev(1, static_cast<char>(c - 1));
    laughs += std::string(1, c) + ": &" + std::string(1, c) + " [*" + prev + ", *" + prev + ", *" + prev +
              ", *" + prev + ", *" + prev + ", *" + prev + ", *" + prev + ", *" + prev + ", *" + prev +
              ", *" + prev + "]\n";
  }
  const std::vector<std::pair<std::string, std::string>> documents = {
      {"recursive alias", "name: r\ncolors: &c {a: *c}\n"},
      {"alias explosion", "name: l\n" + laughs},
      {"deep nesting", "name: d\ncolors: " + std::string(2000, '[') + std::string(2000, ']') + "\n"},
      {"invalid UTF-8", "name: \xff\xfe\ncolors: {a: '#FFFFFF'}\n"},
      {"empty", ""},
      {"colors as a list", "name: c\ncolors: ['#FFFFFF']\n"},
      {"binary", std::string("\0\x01\x02name", 7)},
  };
  LogCapture log;
  for (const auto& [what, text] : documents) {
    SCOPED_TRACE(what);
    auto theme = VLTheme::ofYAML(text, what);
    if (theme) {
      EXPECT_TRUE(theme->colors().empty());
    }
  }
}

TEST_F(ThemeManagerTest, ActiveThemeChangesPostOnlyOnANewName) {
  int posts = 0;
  Observation observation = NotificationCenter::defaultCenter().observe(
      VLThemeManager::kThemeChangedNotification, nullptr, [&](const Notification&) { ++posts; });
  launchWithThemeSetting("ALPHA");
  // The setting matches without regard to case; activeTheme stays empty until chosen.
  ASSERT_TRUE(manager().currentTheme());
  EXPECT_EQ(manager().currentTheme()->name(), "alpha");
  EXPECT_EQ(manager().activeTheme(), "");

  manager().setActiveTheme("alpha");  // the first call always posts, even for the theme in use
  EXPECT_EQ(posts, 1);
  manager().setActiveTheme("alpha");
  EXPECT_EQ(posts, 1);
  manager().setActiveTheme("beta");
  EXPECT_EQ(posts, 2);
  EXPECT_EQ(manager().currentTheme()->name(), "beta");
  // An exact match is needed here: no theme is current afterwards and every key is empty.
  manager().setActiveTheme("ALPHA");
  EXPECT_EQ(posts, 3);
  EXPECT_FALSE(manager().currentTheme());
  EXPECT_EQ(manager().colorForKey("white"), std::nullopt);
}

TEST_F(ThemeManagerTest, StartsWithTheSystemModeAndClassicByDefault) {
  ui::SystemAppearance::shared().setDark(true);
  VLThemeManager::reloadThemeTableForTesting({});  // the shipped themes
  manager().resetForTesting();
  EXPECT_EQ(manager().appearanceMode(), 1);
  ASSERT_TRUE(manager().currentTheme());
  EXPECT_EQ(manager().currentTheme()->name(), "classic");
  launchWithThemeSetting("no such theme");
  EXPECT_FALSE(manager().currentTheme());
}

TEST_F(ThemeManagerTest, AnswersFromManyThreadsWhileTheThemeChanges) {
  std::atomic<bool> stop{false};
  std::atomic<int> answered{0};
  std::atomic<int> started{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 4; ++t) {
    readers.emplace_back([&] {
      ++started;
      do {
        auto c = manager().colorForKey("white");
        auto q = manager().colorForKey("beta:pair");
        if (c || q) ++answered;
      } while (!stop);
    });
  }
  // The writer starts only once every reader runs, or a busy machine lets it finish before any read.
  while (started.load() < 4) std::this_thread::yield();
  for (int i = 0; i < 2000; ++i) {
    manager().setActiveTheme(i % 2 ? "alpha" : "beta");
    manager().setAppearanceMode(i % 3 == 0 ? 1 : 0);
  }
  stop = true;
  for (auto& t : readers) t.join();
  EXPECT_GT(answered.load(), 0);
}

}  // namespace
}  // namespace vl
