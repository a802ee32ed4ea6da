#include <gtest/gtest.h>

#include "platform/foundation/Files.h"
#include "platform/system/UniformType.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/system/headless/HeadlessWorkspace.h"
#include "support/TestSupport.h"

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

TEST(FileTypeTest, TypeOfFileReadsTheContents) {
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
  vl::test::TempDir dir("vl-ws");
  HeadlessWorkspace ws;
  int n = 0;
  for (const auto& c : cases) {
    const std::string path = dir / ("file" + std::to_string(n++));
    ASSERT_TRUE(files::atomicWrite(path, c.bytes));
    EXPECT_EQ(ws.typeOfFile(path), c.type) << path;
  }
  EXPECT_EQ(ws.typeOfFile(dir.path()), uti::kFolder);
  EXPECT_EQ(ws.typeOfFile(dir / "missing"), std::nullopt);
}

}  // namespace
}  // namespace vl
