#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "platform/foundation/Files.h"
#include "platform/system/desktop/DesktopEntryFile.h"
#include "platform/system/desktop/IconImage.h"
#include "support/TestSupport.h"

namespace vl::test {
namespace {

// The command's standard output and exit status.
std::pair<std::string, int> run(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return {"", -1};
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = ::pclose(pipe);
  return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// An installation into a fresh prefix is complete on its own: the program started from there finds its
// resources beside itself, not through the build or the environment.
TEST(Install, APrefixHoldsAProgramThatFindsItsThemes) {
  TempDir prefix("vl-prefix");
  auto [log, installed] = run(std::string(VL_CMAKE_COMMAND) + " --install " + VL_BINARY_DIR + " --prefix " +
                              prefix.path() + " 2>&1");
  ASSERT_EQ(installed, 0) << log;

  const std::string program = prefix / "bin/vellisto";
  EXPECT_TRUE(files::isRegularFile(prefix / "bin/vellisto-launcher"));
  auto [out, status] = run("env -u VELLISTO_RESOURCES " + program + " --resources");
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("resources: " + prefix.path() + "/share/vellisto\n"), std::string::npos) << out;
  EXPECT_NE(out.find(" classic"), std::string::npos) << out;
  EXPECT_TRUE(files::isRegularFile(prefix / "share/vellisto/sounds/copy.wav"));

  std::string error;
  auto entry = DesktopEntryFile::read(prefix / "share/applications/vellisto.desktop", &error);
  ASSERT_TRUE(entry) << error;
  EXPECT_EQ(entry->verdict(), DesktopEntryFile::Verdict::Application);
  EXPECT_EQ(entry->value("Exec"), program);
  EXPECT_EQ(entry->value("Icon"), "vellisto");
  for (int size : {48, 128, 256}) {
    const std::string side = std::to_string(size);
    auto icon = icons::loadIconFile(
        prefix / ("share/icons/hicolor/" + side + "x" + side + "/apps/vellisto.png"), size, 1);
    ASSERT_TRUE(icon) << size;
    EXPECT_EQ(icon->pixelsWide(), size);
  }
  auto svg = icons::loadIconFile(prefix / "share/icons/hicolor/scalable/apps/vellisto.svg", 64, 1);
  ASSERT_TRUE(svg);
  EXPECT_EQ(svg->pixelsWide(), 64);
}

}  // namespace
}  // namespace vl::test
