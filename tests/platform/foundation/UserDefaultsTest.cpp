#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "TestSupport.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/UserDefaults.h"

using vl::Json;
using vl::UserDefaults;

namespace {

class UserDefaultsTest : public ::testing::Test {
 protected:
  void SetUp() override { UserDefaults::resetForTesting(); }
  void TearDown() override { UserDefaults::resetForTesting(); }

  vl::test::TempDir home_;
  vl::test::ScopedEnv homeEnv_{"HOME", home_.path()};
  vl::test::ScopedEnv xdgEnv_{"XDG_CONFIG_HOME", home_ / "config"};
};

// Runs `body` in a child process and waits for it; the child starts from fresh defaults objects.
template <typename F>
int inChild(F body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    UserDefaults::resetForTesting();
    int code = body();
    ::_exit(code);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

TEST_F(UserDefaultsTest, SuiteLivesInXdgConfigFolderWithOwnerOnlyMode) {
  UserDefaults& suite = UserDefaults::suite(UserDefaults::kGroupSuite);
  EXPECT_EQ(suite.filePath(), home_.path() + "/config/vellisto/Q4T8K2N6WZ.com.norrak.vellisto.json");
  ASSERT_TRUE(suite.setInteger("102", 5000));
  struct stat st;
  ASSERT_EQ(::stat(suite.filePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(UserDefaults::standard().filePath(), home_.path() + "/config/vellisto/vellisto.json");
}

TEST_F(UserDefaultsTest, WithoutXdgConfigHomeUsesHomeConfig) {
  vl::setEnvironmentVariable("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(UserDefaults::directory(), home_.path() + "/.config/vellisto");
}

TEST_F(UserDefaultsTest, TypedReadsAndWritesSurviveAFreshObject) {
  UserDefaults& d = UserDefaults::suite("typed");
  d.setBool("b", true);
  d.setInteger("i", -42);
  d.setString("s", "\xE4\xB8\xAD\xE6\x96\x87");
  d.setObject("o", Json{{"modifier", 1179648}, {"code", 8}, {"doubleTap", false}});
  d.setObject("n", Json(3.0));

  UserDefaults::resetForTesting();
  UserDefaults& again = UserDefaults::suite("typed");
  EXPECT_TRUE(again.boolValue("b"));
  EXPECT_EQ(again.integerValue("i"), -42);
  EXPECT_EQ(again.stringValue("s"), "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(again.object("o")->at("code"), 8);
  EXPECT_EQ(again.integerValue("n"), 3);
  // Reads across types answer as the settings store expects, never throw.
  EXPECT_EQ(again.integerValue("b"), 1);
  EXPECT_TRUE(again.boolValue("i"));
  EXPECT_FALSE(again.stringValue("i"));
  EXPECT_EQ(again.integerValue("o"), 0);
  EXPECT_FALSE(again.boolValue("missing"));
  EXPECT_EQ(again.integerValue("missing"), 0);
  EXPECT_FALSE(again.object("missing"));

  EXPECT_TRUE(again.remove("b"));
  again.setObject("i", nullptr);
  EXPECT_FALSE(again.object("b"));
  EXPECT_FALSE(again.dictionaryRepresentation().contains("i"));
  EXPECT_EQ(again.dictionaryRepresentation().size(), 3u);
}

TEST_F(UserDefaultsTest, ValueWrittenByAnotherProcessIsSeen) {
  UserDefaults& d = UserDefaults::suite(UserDefaults::kGroupSuite);
  d.setInteger("1", 1);
  EXPECT_EQ(d.integerValue("1"), 1);  // now cached in this process

  int code = inChild([] {
    UserDefaults& child = UserDefaults::suite(UserDefaults::kGroupSuite);
    if (child.integerValue("1") != 1) return 1;
    return child.setInteger("1", 2) && child.setString("from", "child") ? 0 : 2;
  });
  ASSERT_EQ(code, 0);
  EXPECT_EQ(d.integerValue("1"), 2);
  EXPECT_EQ(d.stringValue("from"), "child");
}

TEST_F(UserDefaultsTest, ConcurrentWritersInTwoProcessesLoseNoKey) {
  UserDefaults& d = UserDefaults::suite("shared");
  d.setBool("start", true);
  pid_t pid = ::fork();
  if (pid == 0) {
    UserDefaults::resetForTesting();
    UserDefaults& child = UserDefaults::suite("shared");
    for (int i = 0; i < 40; ++i) child.setInteger("child" + std::to_string(i), i);
    ::_exit(0);
  }
  for (int i = 0; i < 40; ++i) d.setInteger("parent" + std::to_string(i), i);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  Json all = d.dictionaryRepresentation();
  EXPECT_EQ(all.size(), 81u);
}

TEST_F(UserDefaultsTest, CorruptFileIsKeptAsideAndDomainStartsEmpty) {
  const std::string folder = UserDefaults::directory();
  ASSERT_TRUE(vl::files::createDirectories(folder));
  const std::string path = folder + "/broken.json";
  const std::string garbage = "{\"102\": 5000, \"5\": \"trunc";
  ASSERT_TRUE(vl::files::atomicWrite(path, garbage, 0600));

  vl::test::LogCapture logs;
  UserDefaults& d = UserDefaults::suite("broken");
  EXPECT_FALSE(d.object("102"));
  EXPECT_EQ(vl::files::readFile(path + ".corrupt"), garbage);
  EXPECT_FALSE(vl::files::exists(path));
  EXPECT_TRUE(vl::test::LogCapture::contains("broken.json is corrupt"));

  // Writing afterwards makes a fresh file and leaves the kept copy alone.
  ASSERT_TRUE(d.setInteger("102", 7));
  EXPECT_EQ(d.integerValue("102"), 7);
  EXPECT_EQ(vl::files::readFile(path + ".corrupt"), garbage);

  // A second corrupt file (here valid JSON but not an object) does not overwrite the first one kept;
  // the settings read last stay in use and are written back.
  ASSERT_TRUE(vl::files::atomicWrite(path, "[1, 2]", 0600));
  EXPECT_EQ(d.integerValue("102"), 7);
  EXPECT_EQ(vl::files::readFile(path + ".corrupt"), garbage);
  EXPECT_EQ(vl::files::readFile(path + ".corrupt.1"), "[1, 2]");
  EXPECT_EQ(vl::parseJson(vl::files::readFile(path).value_or("")), (Json{{"102", 7}}));
}

// Another process writing the file in place: truncated, then written in parts. A read that catches it
// half-way reads again once the writer went on, sets nothing aside and loses no setting.
TEST_F(UserDefaultsTest, AFileCaughtHalfWrittenIsReadAgainNotSetAside) {
  const std::string folder = UserDefaults::directory();
  ASSERT_TRUE(vl::files::createDirectories(folder));
  const std::string path = folder + "/busy.json";
  ASSERT_TRUE(vl::files::atomicWrite(path, R"({"1": "first", "102": 5000})", 0600));
  UserDefaults& d = UserDefaults::suite("busy");
  ASSERT_EQ(d.stringValue("1"), "first");

  auto writeInPlace = [&](const std::string& text, bool append) {
    FILE* f = std::fopen(path.c_str(), append ? "ab" : "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  };
  struct Case {
    const char* what;
    std::string seen;  // what the reader catches
    std::string rest;  // what the writer adds meanwhile
    std::string value;
  };
  const std::vector<Case> cases = {
      {"half a file", R"({"1": "sec)", R"(ond", "102": 6000})", "second"},
      {"just truncated", "", R"({"1": "third", "102": 7000})", "third"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int waits = 0;
    UserDefaults::setRereadHookForTesting([&] {
      if (waits++ == 0) writeInPlace(c.rest, true);
    });
    writeInPlace(c.seen, false);
    EXPECT_EQ(d.stringValue("1"), c.value);
    EXPECT_EQ(waits, 1);
    UserDefaults::setRereadHookForTesting(nullptr);
  }
  EXPECT_GT(d.integerValue("102"), 5000);
  EXPECT_FALSE(vl::files::exists(path + ".corrupt"));
}

// A hostile file must cost neither time nor memory at start: refused while it is read, kept aside, and
// the domain starts empty. The last row, exactly at the bounds, still loads.
TEST_F(UserDefaultsTest, FileBeyondDepthOrSizeBoundIsKeptAsideUnbuilt) {
  auto arrays = [](int levels) { return std::string(levels, '[') + "1" + std::string(levels, ']'); };
  auto objects = [](int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i) text += "{\"k\":";
    return text + "1" + std::string(levels, '}');
  };
  const int bound = static_cast<int>(UserDefaults::kMaxNesting);
  struct Row {
    const char* name;
    std::string text;
    const char* logged;  // empty: the file loads
  };
  const Row rows[] = {
      {"arrays", "{\"k\": " + arrays(200000) + "}", "nested deeper than"},
      {"objects", objects(200000), "nested deeper than"},
      {"large", "{\"k\": \"" + std::string(UserDefaults::kMaxFileBytes, 'x') + "\"}", "more than"},
      {"atBounds", "{\"k\": " + arrays(bound - 1) + "}", ""},
  };
  const std::string folder = UserDefaults::directory();
  ASSERT_TRUE(vl::files::createDirectories(folder));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = folder + "/" + row.name + ".json";
    ASSERT_TRUE(vl::files::atomicWrite(path, row.text, 0600));
    vl::test::LogCapture logs;
    UserDefaults& d = UserDefaults::suite(row.name);
    if (*row.logged) {
      EXPECT_FALSE(d.object("k"));
      EXPECT_FALSE(vl::files::exists(path));
      EXPECT_EQ(vl::files::readFile(path + ".corrupt").value_or("").size(), row.text.size());
      EXPECT_TRUE(vl::test::LogCapture::contains(row.logged));
      ASSERT_TRUE(d.setInteger("k", 1));  // and the domain works on from empty
      EXPECT_EQ(d.integerValue("k"), 1);
    } else {
      EXPECT_TRUE(d.object("k"));
      EXPECT_FALSE(vl::files::exists(path + ".corrupt"));
    }
  }
}

TEST_F(UserDefaultsTest, UnwritableFolderKeepsValueInMemoryAndReportsFailure) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  UserDefaults& d = UserDefaults::suite("locked");
  ASSERT_TRUE(d.setInteger("a", 1));
  ::chmod(UserDefaults::directory().c_str(), 0500);
  vl::test::LogCapture logs;
  EXPECT_FALSE(d.setInteger("a", 2));
  EXPECT_EQ(d.integerValue("a"), 2);
  ::chmod(UserDefaults::directory().c_str(), 0700);
  EXPECT_TRUE(vl::test::LogCapture::contains("kept in memory only"));
  // The earlier file is intact.
  EXPECT_EQ(vl::parseJson(*vl::files::readFile(d.filePath()))->at("a"), 1);
}

TEST_F(UserDefaultsTest, FileRemovedByAnotherProcessEmptiesTheDomain) {
  UserDefaults& d = UserDefaults::suite("gone");
  d.setInteger("a", 1);
  ASSERT_EQ(::unlink(d.filePath().c_str()), 0);
  EXPECT_FALSE(d.object("a"));
}

}  // namespace
