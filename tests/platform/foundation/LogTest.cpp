#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace {

using vl::LogLevel;
using vl::test::LogCapture;

constexpr const char* kUnknownChoice = "log: VELLISTO_LOG is not";

// Every test starts from the choice VELLISTO_LOG makes, and leaves it so for the next.
class LogTest : public ::testing::Test {
 protected:
  void SetUp() override { vl::resetLogLevelForTesting(); }
  void TearDown() override { vl::resetLogLevelForTesting(); }
};

// What this process writes to stderr while the object lives, kept in a file.
class StderrCapture {
 public:
  StderrCapture() : path_(dir_ / "stderr") {
    saved_ = ::dup(STDERR_FILENO);
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
  }
  ~StderrCapture() { restore(); }
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  std::string take() {
    restore();
    return vl::files::readFile(path_).value_or("");
  }

 private:
  void restore() {
    if (saved_ < 0) return;
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
    saved_ = -1;
  }
  vl::test::TempDir dir_{"vl-log"};
  std::string path_;
  int saved_ = -1;
};

TEST_F(LogTest, LevelNamesAreTheFourLevelsInAnyCase) {
  const struct {
    std::string name;
    std::optional<LogLevel> level;
  } cases[] = {
      {"debug", LogLevel::kDebug},  {"info", LogLevel::kInfo},   {"warning", LogLevel::kWarning},
      {"error", LogLevel::kError},  {"DEBUG", LogLevel::kDebug}, {"Warning", LogLevel::kWarning},
      {"", std::nullopt},           {"warn", std::nullopt},      {"debug ", std::nullopt},
      {"verbose", std::nullopt},    {"1", std::nullopt},         {std::string("info\0x", 6), std::nullopt},
      {"d\u00e9bug", std::nullopt}, {"\xFF\xFE", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(vl::logLevelNamed(c.name), c.level) << c.name;
}

TEST_F(LogTest, VellistoLogChoosesWhatStderrShowsAndAnUnknownValueIsToldOnce) {
  const struct {
    std::optional<std::string> value;
    LogLevel threshold;
    bool told;
  } cases[] = {
      {std::nullopt, LogLevel::kInfo, false},
      {"", LogLevel::kInfo, false},
      {"debug", LogLevel::kDebug, false},
      {"info", LogLevel::kInfo, false},
      {"WARNING", LogLevel::kWarning, false},
      {"error", LogLevel::kError, false},
      {"loud", LogLevel::kInfo, true},
      {"debug\n", LogLevel::kInfo, true},
      {std::string(100000, 'x'), LogLevel::kInfo, true},
  };
  for (const auto& c : cases) {
    const std::string shown = c.value ? c.value->substr(0, 10) : "(unset)";
    vl::test::ScopedEnv env("VELLISTO_LOG", c.value);
    vl::resetLogLevelForTesting();
    LogCapture logs;
    vl::log("first");
    vl::logDebug("second");
    EXPECT_EQ(vl::logThreshold(), c.threshold) << shown;
    std::vector<std::string> lines = LogCapture::take();
    if (c.told) {
      ASSERT_EQ(lines.size(), 3u) << shown;
      EXPECT_TRUE(lines.front().starts_with(kUnknownChoice)) << lines.front();
      // The value itself may be anything of any length: it does not come into the line.
      EXPECT_EQ(lines.front().find("loud"), std::string::npos);
      EXPECT_LT(lines.front().size(), 100u);
      lines.erase(lines.begin());
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "second"})) << shown;
  }
}

TEST_F(LogTest, StderrShowsTheLinesAtOrAboveTheThreshold) {
  const struct {
    LogLevel threshold;
    std::string shown;
  } cases[] = {
      {LogLevel::kDebug, "d1 d2 i1 i2 w1 w2 e1 e2 "},
      {LogLevel::kInfo, "i1 i2 w1 w2 e1 e2 "},
      {LogLevel::kWarning, "w1 w2 e1 e2 "},
      {LogLevel::kError, "e1 e2 "},
  };
  for (const auto& c : cases) {
    vl::setLogThreshold(c.threshold);
    StderrCapture err;
    vl::logDebug("d1");
    vl::logDebugf("d%d", 2);
    vl::log("i1");
    vl::logf("i%d", 2);
    vl::logWarning("w1");
    vl::logWarningf("w%d", 2);
    vl::logError("e1");
    vl::logErrorf("e%d", 2);
    std::string text = err.take();
    for (char& ch : text) ch = ch == '\n' ? ' ' : ch;
    EXPECT_EQ(text, c.shown) << static_cast<int>(c.threshold);
  }
}

TEST_F(LogTest, ASinkSeesEveryLineWhateverTheThreshold) {
  vl::setLogThreshold(LogLevel::kError);
  LogCapture logs;
  vl::logDebugf("trace %d", 1);
  vl::log("notice");
  vl::logWarning("refused");
  EXPECT_EQ(LogCapture::take(), (std::vector<std::string>{"trace 1", "notice", "refused"}));
}

}  // namespace
