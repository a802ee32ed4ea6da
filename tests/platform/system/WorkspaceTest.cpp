#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/system/HeadlessWorkspace.h"
#include "platform/system/UniformType.h"
#include "platform/system/Workspace.h"

namespace vl {
namespace {

TEST(WorkspaceTest, DesktopEntryGivesNameAndPath) {
  struct Case {
    const char* path;
    const char* name;
  };
  const Case cases[] = {
      {"/usr/share/applications/org.gnome.Terminal.desktop", "org.gnome.Terminal"},
      {"/home/u/.local/share/applications/Key Vault.desktop", "Key Vault"},
      // Only the trailing suffix goes; the word elsewhere in the name stays.
      {"/apps/my.desktop.tool.desktop", "my.desktop.tool"},
      {"/apps/notes.desktopx", "notes.desktopx"},
      {"/apps/plain", "plain"},
      {"/apps/.desktop", ".desktop"},
  };
  for (const auto& c : cases) {
    const auto app = RunningApplication::fromDesktopEntry(c.path);
    EXPECT_EQ(app.name, c.name) << c.path;
    EXPECT_EQ(app.path, c.path);
  }
}

TEST(WorkspaceTest, HeadlessFrontApplicationFollowsWhatTestsSet) {
  HeadlessWorkspace ws;
  EXPECT_EQ(ws.frontmostApplication(), std::nullopt);

  const auto editor = RunningApplication::fromDesktopEntry("/a/editor.desktop");
  const auto vault = RunningApplication::fromDesktopEntry("/a/vault.desktop");
  ws.setRunningApplications({editor, vault});
  EXPECT_EQ(ws.frontmostApplication(), std::nullopt);

  ws.setFrontmostApplication(vault);
  ASSERT_TRUE(ws.frontmostApplication());
  EXPECT_EQ(ws.frontmostApplication()->name, "vault");

  ws.setFrontmostApplication(editor);
  EXPECT_EQ(ws.frontmostApplication()->name, "editor");
  int active = 0;
  for (const auto& app : ws.runningApplications()) active += app.active;
  EXPECT_EQ(active, 1);

  // An application not yet running joins the list when brought to the front.
  ws.setFrontmostApplication(RunningApplication::fromDesktopEntry("/a/shell.desktop"));
  EXPECT_EQ(ws.runningApplications().size(), 3u);
  EXPECT_EQ(ws.frontmostApplication()->name, "shell");

  ws.setFrontmostApplication(std::nullopt);
  EXPECT_EQ(ws.frontmostApplication(), std::nullopt);
}

class FileTypeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("vl-ws-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string write(const std::string& name, const std::string& bytes) {
    const auto path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::filesystem::path dir_;
};

TEST_F(FileTypeTest, TypeOfFileReadsTheContents) {
  struct Case {
    std::string bytes;
    const char* type;
  };
  const Case cases[] = {
      {std::string("\x89PNG\r\n\x1a\n....", 12), uti::kPNG},
      {std::string("\xff\xd8\xff\xe0JFIF", 8), uti::kJPEG},
      {"GIF89a...", uti::kGIF},
      // The TIFF signatures hold a zero byte; both byte orders.
      {std::string("II*\0\x08\0\0\0", 8), uti::kTIFF},
      {std::string("MM\0*\0\0\0\x08", 8), uti::kTIFF},
      {std::string("II\0\0", 4), uti::kData},
      {"%PDF-1.7", uti::kPDF},
      {"just words", uti::kData},
      {"", uti::kData},
  };
  HeadlessWorkspace ws;
  int n = 0;
  for (const auto& c : cases) {
    const auto path = write("file" + std::to_string(n++), c.bytes);
    EXPECT_EQ(ws.typeOfFile(path), c.type) << path;
  }
  EXPECT_EQ(ws.typeOfFile(dir_.string()), uti::kFolder);
  EXPECT_EQ(ws.typeOfFile((dir_ / "missing").string()), std::nullopt);

  ws.setTypeOfFile("/nowhere/icon", std::string("public.png"));
  EXPECT_EQ(ws.typeOfFile("/nowhere/icon"), "public.png");
}

}  // namespace
}  // namespace vl
