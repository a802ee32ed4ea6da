// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "VLEngine/image/ImageCodec.h"
#include "platform/foundation/Files.h"
#include "platform/ui/graphics/Image.h"
#include "support/RoadTestSupport.h"
#include "support/TestSupport.h"
#include <X11/keysym.h>
// clang-format on

namespace vl::x11test {
namespace {

// The paste road as a user meets it: what the chosen records put on the clipboard, what reaches the
// window the user came from, and what the history keeps afterwards.
class PasteRoadX11Test : public RoadTest {
 protected:
  void start() {
    ASSERT_NO_FATAL_FAILURE(launch(root_.path(), {"VELLISTO_LOG=debug"}));
    // The machine's applications join the history once, first thing: copies come after them.
    ASSERT_TRUE(eventually([&] { return program_->count("installed applications: ") > 0; }))
        << program_->errors();
  }

  // The records of the history, newest last, as a load would find them.
  std::vector<std::string> history() const {
    auto doc = std::make_shared<Vellisto_BigDoc>();
    if (!doc->load(program_->home() + "/.vellisto/data/BigDoc_0")) return {};
    std::vector<std::string> texts;
    for (const auto& chunk : doc->chunks())
      if (chunk && !chunk->isLogicallyDeleted()) texts.push_back(chunk->context());
    return texts;
  }
  bool copied(const std::string& text) {
    const std::size_t before = history().size();
    if (!xclipSet(display_, "UTF8_STRING", text)) return false;
    return eventually([&] {
      const auto texts = history();
      return texts.size() > before && texts.back() == text;
    });
  }

  // The main window over the editor, its list shown.
  void showMainOver(TestWindow& editor) {
    ASSERT_TRUE(inFront(editor));
    ASSERT_TRUE(showMain());
    editor.heard();  // the hot key's own presses
  }

  vl::test::TempDir root_{"vl-pasteroad"};
};

std::string pngOf(int wide, int high) {
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(wide * high * 4), 200);
  const ui::Image image({double(wide), double(high)}, wide, high, std::move(rgba));
  return ImageCodec::encodePNG(image).value_or("");
}

// Pasting a file record or an image record puts the file on the clipboard; the program hears its own
// write and must not keep it as a new copy.
TEST_F(PasteRoadX11Test, PastingAFileOrAnImageRecordAddsNoRecord) {
  ASSERT_NO_FATAL_FAILURE(start());
  const std::string file = root_.path() + "/notes for monday.txt";
  ASSERT_TRUE(files::atomicWrite(file, "agenda"));
  const std::string png = pngOf(12, 8);
  ASSERT_FALSE(png.empty());
  struct Case {
    std::string what, target, data, kept;
  };
  const Case cases[] = {
      {"file", "text/uri-list", "file://" + root_.path() + "/notes%20for%20monday.txt\r\n",
       "notes for monday.txt"},
      {"image", "image/png", png, ""},
  };
  TestWindow editor(display_, "Editor");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t before = history().size();
    ASSERT_TRUE(xclipSet(display_, c.target, c.data));
    ASSERT_TRUE(eventually([&] { return history().size() == before + 1; })) << program_->errors();
    const std::vector<std::string> kept = history();
    if (!c.kept.empty()) {
      EXPECT_EQ(kept.back(), c.kept);
    }

    const std::size_t settled = program_->count("paste: settled");
    ASSERT_NO_FATAL_FAILURE(showMainOver(editor));
    press({XK_Return});
    ASSERT_TRUE(pasted(editor)) << program_->errors();
    // The write is read back a moment after it was made, well before the paste settles.
    ASSERT_TRUE(eventually([&] { return program_->count("paste: settled") > settled; }))
        << program_->errors();
    EXPECT_EQ(history(), kept) << program_->errors();
  }
}

// Shift+Down extends the chosen records, as the Shortcuts pane says: both are pasted, in the order chosen.
TEST_F(PasteRoadX11Test, ShiftDownChoosesTwoRecordsAndReturnPastesBoth) {
  ASSERT_NO_FATAL_FAILURE(start());
  for (const char* text : {"alpha one", "beta two", "gamma three"}) ASSERT_TRUE(copied(text));
  TestWindow editor(display_, "Editor");
  ASSERT_NO_FATAL_FAILURE(showMainOver(editor));
  press({XK_Shift_L, XK_Down});
  press({XK_Return});
  ASSERT_TRUE(pasted(editor)) << program_->errors();
  EXPECT_EQ(xclipGet(display_, "UTF8_STRING"), "gamma three\nbeta two");
}

// A smart action's result is pasted as a record is: our own Ctrl+V leaves the record window's queue alone,
// and once the paste settled the queue's first entry is back on the clipboard for the next Ctrl+V.
TEST_F(PasteRoadX11Test, AfterAnActionsPasteTheRecordWindowHandsOutItsQueue) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_TRUE(copied("camelCaseName"));
  TestWindow editor(display_, "Editor");
  ASSERT_TRUE(inFront(editor));
  press({XK_Control_L, XK_Alt_L, XK_r});
  ASSERT_NE(window("Vellisto Record"), None) << program_->errors();
  for (const char* text : {"first", "second"}) ASSERT_TRUE(copied(text));

  ASSERT_NO_FATAL_FAILURE(showMainOver(editor));
  ASSERT_TRUE(typeIntoSearch("cam"));
  press({XK_Control_L, XK_1});
  ASSERT_TRUE(pasted(editor)) << program_->errors();
  EXPECT_EQ(program_->count("do actions count 1"), 1u) << program_->errors();
  ASSERT_TRUE(eventually([&] { return xclipGet(display_, "UTF8_STRING") == "second"; }))
      << program_->errors();
  // The user's own Ctrl+V in the editor takes that entry; the next one follows.
  press({XK_Control_L, XK_v});
  EXPECT_TRUE(eventually([&] { return xclipGet(display_, "UTF8_STRING") == "first"; })) << program_->errors();
  const std::vector<std::string> texts = history();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "CAMEL_CASE_NAME"), 0) << program_->errors();
}

// With "Paste directly into the active window" off, Return puts the record on the clipboard, hides the
// window and shows the popover that says to press Ctrl+V; no key reaches the editor.
TEST_F(PasteRoadX11Test, WithDirectPasteOffReturnSendsNoKeyAndShowsThePopover) {
  const std::string settings = root_.path() + "/home/.config/vellisto";
  ASSERT_TRUE(files::createDirectories(settings));
  ASSERT_TRUE(files::atomicWrite(settings + "/Q4T8K2N6WZ.com.norrak.vellisto.json",
                                 R"({"119": false, "120": true})"));
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_TRUE(copied("left for ctrl v"));
  TestWindow editor(display_, "Editor");
  ASSERT_NO_FATAL_FAILURE(showMainOver(editor));
  const std::vector<Popup> before = popups(keys_);
  press({XK_Return});
  ASSERT_TRUE(waitUntil([&] { return !popups(keys_, before).empty(); }, kProgramAnswerMs))
      << program_->errors();
  EXPECT_FALSE(mapped("Vellisto"));
  EXPECT_EQ(xclipGet(display_, "UTF8_STRING"), "left for ctrl v");
  ASSERT_TRUE(windowManagerCaughtUp(keys_));
  for (const TestWindow::Key& key : editor.heard()) EXPECT_FALSE(isPasteChord(key)) << program_->errors();
}

}  // namespace
}  // namespace vl::x11test
