#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/SearchInput2.h"
#include "Windows/Main/list/RecordDrag.h"
#include "support/TestSupport.h"
#include "theme/VLFont.h"

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
      {"zero bytes kept",
       std::string("a\0b", 3),
       std::nullopt,
       false,
       {{kPasteboardTypeString, std::string("a\0b", 3)}}},
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

// A drag carries what a rich paste would, and a text copied from a web page keeps its HTML.
TEST(PasteItem, DraggedRowsCarryTheirRecordsWithRichTextAndHtml) {
  auto row = [](const std::string& text, std::optional<Json> json) {
    auto r = DisplayAttributedString::resultRow(text, std::vector<Range>{}, VLFont::mainFont());
    r->setJson(std::move(json));
    return r;
  };
  const DisplayRows rows = {
      row("hi", Json{{"html", "<b>hi</b>"}, {"rich_text", "{\\rtf1 hi}"}}),
      nullptr,
      row("/tmp/a.txt", Json{{"file", "/tmp/a.txt"}, {"html", "<i>not for files</i>"}}),
      row("", Json{{"image", "/nonexistent/gone.png"}}),
  };
  std::vector<std::vector<std::string>> got;
  for (const PasteboardItem& item : dragItems(rows)) got.push_back(item.types());
  const std::vector<std::vector<std::string>> expected = {
      {kPasteboardTypeString, kPasteboardTypeRTF, kPasteboardTypeHTML},
      {kPasteboardTypeFileURL, kPasteboardTypeString},
  };
  EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace vl
