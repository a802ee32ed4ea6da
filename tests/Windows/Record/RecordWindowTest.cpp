#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Windows/Main/WindowsTestSupport.h"
#include "Windows/Record/RecordTable.h"
#include "Windows/Record/RecordTableRowView.h"
#include "Windows/Record/RecordToolbar.h"
#include "Windows/Record/RecordViewController.h"
#include "Windows/Record/RecordWindow.h"
#include "capture/ClipboardListener.h"
#include "capture/CopyEntity.h"
#include "core/notify/VLNotificationCenter.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Text.h"
#include "platform/system/GlobalEventMonitor.h"
#include "platform/system/Pasteboard.h"
#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/window/Application.h"
#include "support/Gallery.h"
#include "theme/VLFont.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/view/VLImageAspectFillView.h"

namespace vl {
namespace {

namespace flags = ui::ModifierFlags;

class RecordWindowTest : public test::WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    Pasteboard::install(nullptr);
    monitor_ = std::make_shared<HeadlessGlobalEventMonitor>();
    GlobalEventMonitor::install(monitor_);
    window_ = RecordWindow::registerRecordWindow();
    center().showWindowByKey(kRecordWindowKey);
  }
  void TearDown() override {
    window_->close();
    window_.reset();
    RecordTable::setPasteRoadBusy(nullptr);
    GlobalEventMonitor::install(nullptr);
    Pasteboard::install(nullptr);
    WindowsTest::TearDown();
  }

  // What capture announces for a copy the user made.
  static void copy(const std::string& text, Json json = Json::object()) {
    Pasteboard::general()->setString(text);
    auto e = std::make_shared<CopyEntity>();
    e->setString(text);
    e->setJsonData(std::move(json));
    VLNotificationCenter::postNotificationName(ClipboardListener::kAppendCopyEntity, nullptr, nullptr,
                                               {{"copy_entity", e}});
    dispatch::MainLoop::runUntilIdle();
  }
  void type(std::uint64_t modifiers, std::uint16_t key = ui::KeyCode::V) {
    monitor_->simulate(ui::Event::keyEvent(ui::EventType::KeyDown, key, modifiers, "v", "v"));
    dispatch::MainLoop::runUntilIdle();
  }
  void paste() { type(flags::Command); }
  static std::string board() {
    return Pasteboard::general()->stringForType(kPasteboardTypeString).value_or("");
  }
  RecordTable& table() const { return *window_->controller().table(); }
  std::string texts() const {
    std::string out;
    for (const auto& e : table().queue().entries()) out += e->string();
    return out;
  }

  std::shared_ptr<HeadlessGlobalEventMonitor> monitor_;
  std::shared_ptr<RecordWindow> window_;
};

TEST_F(RecordWindowTest, EachPasteTakesTheSelectedEntryAndPutsTheNextOnThePasteboard) {
  EXPECT_FALSE(window_->isKeyWindow());
  EXPECT_TRUE(window_->appeared());
  copy("A");
  copy("B");
  copy("C");
  EXPECT_EQ(texts(), "CBA");
  EXPECT_EQ(table().queue().selected(), 0);
  EXPECT_GT(window_->frame().height(), RecordWindow::kHeight);

  for (const char* next : {"B", "A"}) {
    const std::string before = board();
    paste();
    EXPECT_EQ(board(), before) << "the paste still reads the entry it was typed for";
    dispatch::MainLoop::advance(RecordTable::kNextEntryDelayMs);
    EXPECT_EQ(board(), next);
    EXPECT_EQ(table().queue().selectedEntry()->string(), next);
  }
  EXPECT_EQ(texts(), "A");
  paste();
  dispatch::MainLoop::advance(RecordTable::kNextEntryDelayMs);
  EXPECT_FALSE(table().hasData());
  EXPECT_EQ(window_->frame().height(), RecordWindow::kHeight);
  EXPECT_FALSE(window_->controller().tips()->isHidden());
  EXPECT_FALSE(window_->isKeyWindow());
  ui::Application::shared().hide();
  EXPECT_TRUE(window_->isVisible()) << "it stays when the program hides";
  ui::Application::shared().unhide();
}

TEST_F(RecordWindowTest, OnlyAPlainCtrlVWhileTheWindowShowsTouchesTheQueue) {
  copy("A");
  copy("B");
  for (std::uint64_t other :
       {flags::Command | flags::Shift, flags::Command | flags::Option, flags::Command | flags::CapsLock,
        flags::Command | flags::Control, std::uint64_t{0}}) {
    type(other);
  }
  type(flags::Command, ui::KeyCode::C);
  EXPECT_EQ(texts(), "BA");

  bool busy = true;
  RecordTable::setPasteRoadBusy([&busy] { return busy; });
  paste();
  EXPECT_EQ(texts(), "BA");
  busy = false;

  window_->controller().toolbar()->close();
  EXPECT_FALSE(window_->appeared());
  paste();
  copy("X");
  EXPECT_EQ(texts(), "BA");
  showRecordWindow();
  EXPECT_FALSE(table().hasData()) << "every showing starts empty";
}

TEST_F(RecordWindowTest, PastesFasterThanTheWaitStillGoInOrder) {
  copy("A");
  copy("B");
  copy("C");
  paste();
  paste();  // B had not been written yet: it goes now, for this paste
  EXPECT_EQ(board(), "B");
  EXPECT_EQ(texts(), "A");
  dispatch::MainLoop::advance(RecordTable::kNextEntryDelayMs);
  EXPECT_EQ(board(), "A");
}

// What the window writes is marked as the program's own, so capture never brings it back as a row; the
// user copying the same text afterwards is a copy like any other.
TEST_F(RecordWindowTest, OurWritesAreOurOwnAndTheUsersCopyOfThemIsARow) {
  copy("A");
  copy("B");
  copy("C");
  paste();
  dispatch::MainLoop::advance(RecordTable::kNextEntryDelayMs);
  EXPECT_EQ(board(), "B");
  EXPECT_TRUE(isOwnWrite(Pasteboard::general()->items()));
  copy("B");
  EXPECT_EQ(texts(), "BBA");
}

TEST_F(RecordWindowTest, ACopyWhileTheNextEntryWaitsJoinsAndStaysOnThePasteboard) {
  copy("A");
  copy("B");
  paste();
  copy("X");
  dispatch::MainLoop::advance(RecordTable::kNextEntryDelayMs);
  EXPECT_EQ(board(), "X");
  EXPECT_EQ(texts(), "XA");
  EXPECT_EQ(table().queue().selected(), 0);
}

TEST_F(RecordWindowTest, ClickingARowSelectsItWritesItAndDragsTheWindow) {
  copy("A");
  copy("B");
  auto row = std::dynamic_pointer_cast<RecordTableRowView>(table().tableView().rowViewAtRow(1, true));
  ASSERT_TRUE(row);
  const ui::Point origin = window_->frame().origin;
  row->mouseDown(ui::Event::mouseEvent(ui::EventType::LeftMouseDown, {20, 20}, 0));
  row->mouseDragged(ui::Event::mouseEvent(ui::EventType::LeftMouseDragged, {50, 10}, 0));
  row->mouseUp(ui::Event::mouseEvent(ui::EventType::LeftMouseUp, {50, 10}, 0));
  EXPECT_EQ(board(), "A");
  EXPECT_EQ(table().queue().selected(), 1);
  EXPECT_EQ(window_->frame().origin.x, origin.x + 30);
  for (long r : {0, 1}) {
    auto view = std::dynamic_pointer_cast<RecordTableRowView>(table().tableView().rowViewAtRow(r, true));
    EXPECT_EQ(view->pointerTextView().isHidden(), r == 0) << r;
  }
}

TEST_F(RecordWindowTest, ElevenEntriesScrollAndTheListKeepsTenRowsHigh) {
  for (int i = 0; i < 10; ++i) copy("entry " + std::to_string(i));
  EXPECT_FALSE(table().hasVerticalScroller());
  EXPECT_EQ(table().frame().height(), 360);
  copy("eleventh");
  EXPECT_TRUE(table().hasVerticalScroller());
  EXPECT_EQ(table().frame().height(), 360);
  EXPECT_EQ(window_->frame().height(), 35 + 10 + 360);
}

TEST_F(RecordWindowTest, QueuedFilesThatVanishedPasteTheirText) {
  const std::string png = home_ / "shot.png";
  std::ofstream(png, std::ios::binary) << std::string("\x89PNG\r\n\x1a\n", 8);
  CopyEntity image;
  image.setString("shot");
  image.setJsonData({{"image", png}});
  auto items = RecordTable::pasteboardItemsFor(image);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_TRUE(items[0].has(kPasteboardTypePNG));
  std::filesystem::remove(png);
  CopyEntity file;
  file.setString("gone.txt");
  file.setJsonData({{"file", png}});
  for (const CopyEntity* e : {&image, &file}) {
    items = RecordTable::pasteboardItemsFor(*e);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].types(), std::vector<std::string>{kPasteboardTypeString});
    EXPECT_EQ(items[0].data(kPasteboardTypeString), e->string());
  }
}

TEST(RecordTableRowViewTest, RowsAreLaidOutByTheirTextAndIcon) {
  EXPECT_EQ(RecordTableRowView::shownText("1\n2\n3\n4\n5"), "1\n2…");
  EXPECT_EQ(RecordTableRowView::shownText("1\n2"), "1\n2");
  auto row = RecordTableRowView::initWithWidth(264);
  auto one = std::make_shared<CopyEntity>();
  one->setString("one line");
  row->setEntity(one);
  EXPECT_EQ(row->frame().height(), 36);
  EXPECT_EQ(row->textView().frame(), (ui::Rect{16, 10, 246, 16}));
  EXPECT_EQ(row->pointerTextView().frame().origin.y, 12);
  auto app = std::make_shared<CopyEntity>();
  app->setString("an application");
  app->setJsonData({{"app", true}});
  row->setEntity(app);
  EXPECT_FALSE(row->iconImageView().isHidden());
  EXPECT_EQ(row->textView().frame(), (ui::Rect{37, 10, 225, 16}));
  auto tall = std::make_shared<CopyEntity>();
  tall->setString("first\nsecond");
  row->setEntity(tall);
  EXPECT_EQ(row->frame().height(), 54);
  EXPECT_EQ(row->textView().frame(), (ui::Rect{16, 10, 246, 34}));
  EXPECT_EQ(row->pointerTextView().frame().origin.y, 21);
}

TEST(RecordTableRowViewTest, ALongLineIsCutInsideTheRow) {
  const double width = 120;
  const ui::Font font = VLFont::mainFont();
  const std::string address = "https://example.org/a/long/address/that/does/not/fit/on/one/line/of/the/queue";
  struct Case {
    std::string text;
    bool cut;
  };
  for (const Case& c :
       {Case{"a short note", false}, Case{"two words that wrap once", false}, Case{address, true},
        Case{"word " + address, true}, Case{std::string(200000, 'x'), true}}) {
    const std::string shown = RecordTableRowView::shownText(c.text, width);
    if (!c.cut) {
      EXPECT_EQ(shown, c.text);
      continue;
    }
    const auto lines = splitLines(shown);
    ASSERT_EQ(lines.size(), 2u) << shown;
    EXPECT_TRUE(endsWith(lines[1], "…")) << shown;
    for (const auto& line : lines) EXPECT_LE(ui::TextMetrics::widthOfString(line, font), width) << line;
  }
}

TEST_F(RecordWindowTest, Gallery) {
  test::DesktopPaintingScope painting;
  auto window = RecordWindow::registerRecordWindow();
  window_->close();
  window_ = window;
  center().showWindowByKey(kRecordWindowKey);
  test::writeGallery(*window_, "record-window-empty", 2);
  copy("https://example.org/a/long/address/that/does/not/fit/on/one/line/of/the/queue");
  copy("a short note");
  copy("notes.txt", {{"file", "/tmp/notes.txt"}});
  copy("line one\nline two\nline three");
  const auto paths = test::writeGallery(*window_, "record-window-queue", 2);
  EXPECT_EQ(paths.size(), 2u);

  // The close button's cross sits in the middle of its circle, across and up and down, in either look.
  Button2& close = window_->controller().toolbar()->closeButton();
  const ui::Rect button = close.convertRectToView(close.bounds(), nullptr);
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    auto probe = test::PixelProbe::fromPng(path, 2);
    ASSERT_TRUE(probe.has_value());
    const test::Pixel fill = probe->at({button.minX() + 3, button.midY()});
    const ui::Rect inside = button.insetBy(3, 3);
    const test::PixelProbe::Ink across = probe->inkIn(inside, fill, 48);
    ASSERT_GT(across.count, 0);
    int top = -1, bottom = -1;  // device rows from the bottom of `inside`
    for (int row = 0; row < static_cast<int>(inside.height() * 2); ++row) {
      if (probe->inkIn({inside.minX(), inside.minY() + row / 2.0, inside.width(), 0.5}, fill, 48).count == 0)
        continue;
      if (bottom < 0) bottom = row;
      top = row;
    }
    const double middleX = button.midX() * 2, middleY = inside.height();  // device pixels
    EXPECT_NEAR((across.left + across.right + 1) / 2.0, middleX, 1.0);
    EXPECT_NEAR((bottom + top + 1) / 2.0, middleY, 1.0);
  }
}

}  // namespace
}  // namespace vl
