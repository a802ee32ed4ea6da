#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "Windows/Main/SearchInput2.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

TEST(PasteItem, EachKindOfRecordBecomesWhatOtherApplicationsCanPaste) {
  test::TempDir dir("vl-paste-item");
  const std::string png = dir.path() + "/shot one.png";
  std::ofstream(png, std::ios::binary) << std::string("\x89PNG\r\n\x1a\n", 8) << "pixels";
  const std::string escaped = dir.path() + "/shot%20one.png";
  struct Case {
    const char* name;
    std::string text;
    std::optional<Json> json;
    bool rich;
    std::vector<std::pair<std::string, std::string>> expected;  // type, data
  };
  const std::vector<Case> cases = {
      {"plain text", "hello", std::nullopt, false, {{kPasteboardTypeString, "hello"}}},
      {"rich text asked",
       "hi",
       Json{{"rich_text", "{\\rtf1 hi}"}},
       true,
       {{kPasteboardTypeString, "hi"}, {kPasteboardTypeRTF, "{\\rtf1 hi}"}}},
      {"rich text not asked",
       "hi",
       Json{{"rich_text", "{\\rtf1 hi}"}},
       false,
       {{kPasteboardTypeString, "hi"}}},
      {"file",
       "/tmp/a b.txt",
       Json{{"file", "/tmp/a%20b.txt"}},
       false,
       {{kPasteboardTypeFileURL, "file:///tmp/a%20b.txt"}, {kPasteboardTypeString, "/tmp/a b.txt"}}},
      {"image",
       "",
       Json{{"image", escaped}},
       false,
       {{kPasteboardTypeFileURL, "file://" + escaped},
        {kPasteboardTypePNG, std::string("\x89PNG\r\n\x1a\n", 8) + "pixels"}}},
      // The image file was cleaned up since the copy: its text, or nothing at all.
      {"vanished image with text",
       "screenshot",
       Json{{"image", dir.path() + "/gone.png"}},
       false,
       {{kPasteboardTypeString, "screenshot"}}},
      {"vanished image", "", Json{{"image", dir.path() + "/gone.png"}}, false, {}},
  };
  for (const Case& c : cases) {
    const PasteboardItem item = SearchInput2::pasteboardItem(c.text, c.json, c.rich);
    std::vector<std::pair<std::string, std::string>> got;
    for (const std::string& type : item.types()) got.emplace_back(type, item.data(type).value_or(""));
    EXPECT_EQ(got, c.expected) << c.name;
  }
}

}  // namespace
}  // namespace vl
