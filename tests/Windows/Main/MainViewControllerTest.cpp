#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "VLEngine/search/DisplayAttributedString.h"
#include "VLEngine/search/SearchHistory.h"
#include "Windows/Main/ChunkContent.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/MainWindow.h"
#include "Windows/Main/SearchInput2.h"
#include "Windows/Main/list/FocusStash.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/preview/SpaceControl.h"
#include "core/VLConfig.h"
#include "core/keys/LocalShortcutsManager.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Localization.h"
#include "platform/system/DragSource.h"
#include "platform/system/headless/HeadlessWorkspace.h"
#include "platform/ui/view/EventDriver.h"
#include "shortcuts/VLShortcutCenter.h"
#include "support/Gallery.h"
#include "support/TestSupport.h"
#include "support/TextContrast.h"
#include "theme/VLFont.h"
#include "ui/WidgetTestSupport.h"
#include "ui/controls/Button2.h"

namespace vl {
namespace {

using MainViewControllerTest = test::WidgetTest;

TEST_F(MainViewControllerTest, PartsStackTopToBottomAndTheListFillsFromTheChannel) {
  test::DesktopPaintingScope painting;
  LocalShortcutsManager::shared().removeAllReceiversForTesting();
  auto window = MainWindow::create();
  auto controller = MainViewController::create();
  window->setContentViewController(controller);
  window->setFrame({100, 100, 680, 513}, false);

  EXPECT_EQ(controller->size(), ui::Size(680, 513));
  const std::vector<std::pair<std::shared_ptr<ui::View>, ui::Rect>> expected = {
      {controller->pinTabBar(), {0, 475, 680, 38}},   {controller->searchInput(), {0, 423, 680, 52}},
      {controller->thinkingBar(), {0, 385, 680, 38}}, {controller->components()[3], {0, 384, 680, 1}},
      {controller->chunkContent(), {0, 0, 680, 384}},
  };
  for (const auto& [part, frame] : expected) EXPECT_EQ(part->frame(), frame);
  EXPECT_EQ(controller->hintTable()->frame().minX(), 0);
  EXPECT_EQ(controller->chunkContent()->complement()->frame().minX(), 344);

  controller->searchInput()->textField()->setStringValue("note");
  DisplayRows rows;
  for (const char* text :
       {"Meeting notes for Tuesday", "Notebook order number 4471", "A footnote to remember"}) {
    const std::string t = text;
    const auto at = t.find("note") != std::string::npos ? t.find("note") : t.find("Note");
    rows.push_back(DisplayAttributedString::resultRow(t, {Range(at, 4)}, VLFont::mainFont()));
  }
  controller->chunkContent()->receivedData(rows, SearchHistory::kReplayTaskId, false);
  dispatch::MainLoop::runUntilIdle();
  // The rows, then the web-search row for the typed text.
  EXPECT_EQ(controller->hintTable()->getDataSource().size(), 4u);
  EXPECT_EQ(test::writeGallery(*window, "main-window-assembled").size(), 2u);
  // Dark: the rows, the selected row, the matches in the list and in the preview all read at 4.5:1.
  setDark(true);
  const auto faults = test::textContrastFaults(*window);
  EXPECT_TRUE(faults.empty()) << test::describe(faults);
  setDark(false);
  SearchHistory::shared().clean();
}

// The empty field shows the localised placeholder in the theme's placeholder colour, light and dark, in
// the field's own light 28-point face.
TEST_F(MainViewControllerTest, TheEmptySearchFieldShowsItsPlaceholderInTheThemeColour) {
  test::DesktopPaintingScope painting;
  LocalShortcutsManager::shared().removeAllReceiversForTesting();
  auto window = MainWindow::create();
  auto controller = MainViewController::create();
  window->setContentViewController(controller);
  const auto& field = controller->searchInput()->textField();
  EXPECT_EQ(field->font().pointSize(), 28);
  EXPECT_EQ(field->font().weight(), ui::Font::WeightLight);
  for (bool dark : {false, true}) {
    setDark(dark);
    const auto& placeholder = field->placeholderAttributedString();
    ASSERT_TRUE(placeholder.has_value());
    EXPECT_EQ(placeholder->string(), localized("searchinput.placeholder"));
    EXPECT_NE(placeholder->string(), "searchinput.placeholder");
    EXPECT_EQ(placeholder->attributesAt(0).foregroundColor, colorOf("searchInputPlaceHolderColor")) << dark;
    EXPECT_EQ(placeholder->attributesAt(0).font->pointSize(), 28);
  }
  setDark(false);
  EXPECT_EQ(test::writeGallery(*window, "main-window-empty").size(), 2u);
}

// Quick Look hands a readable file or image to the desktop's default application, and nothing else.
TEST_F(MainViewControllerTest, QuickLookOpensOnlyRecordsWithSomethingToOpen) {
  LocalShortcutsManager::shared().removeAllReceiversForTesting();
  auto workspace = std::make_shared<HeadlessWorkspace>();
  Workspace::install(workspace);
  test::TempDir dir("vl-quick-look");
  const std::string file = dir.path() + "/report.txt";
  std::ofstream(file) << "text";
  auto controller = MainViewController::create();
  controller->view();
  struct Case {
    const char* name;
    Json json;
    bool opens;
  };
  for (const Case& c : std::vector<Case>{{"file", Json{{"file", file}}, true},
                                         {"missing file", Json{{"file", dir.path() + "/gone.txt"}}, false},
                                         {"missing image", Json{{"image", dir.path() + "/gone.png"}}, false},
                                         {"text", Json::object(), false}}) {
    auto row = DisplayAttributedString::resultRow(c.name, std::vector<Range>{}, VLFont::mainFont());
    row->setJson(c.json);
    controller->chunkContent()->receivedData(DisplayRows{row}, SearchHistory::kReplayTaskId, false);
    dispatch::MainLoop::runUntilIdle();
    EXPECT_EQ(controller->showPreview(), c.opens) << c.name;
  }
  EXPECT_EQ(workspace->openedURLs(), std::vector<std::string>{"file://" + file});
  Workspace::install(nullptr);
  SearchHistory::shared().clean();
}

DisplayRows textRows(std::initializer_list<const char*> texts) {
  DisplayRows rows;
  for (const char* t : texts)
    rows.push_back(DisplayAttributedString::resultRow(t, std::vector<Range>{}, VLFont::mainFont()));
  return rows;
}

// The shortcut names move the attention between the list and a thinking bar that can take it; the
// preview button and "fullMode" flip the preview and the button follows.
TEST_F(MainViewControllerTest, AttentionMovesToTheThinkingBarAndBackAndThePreviewButtonFollows) {
  LocalShortcutsManager::shared().removeAllReceiversForTesting();
  struct Bar : ui::View, FocusStash {
    Bar() : ui::View({0, 0, 680, 38}) {}
    void stash() override { calls.push_back("stash"); }
    void popStash() override { calls.push_back("popStash"); }
    std::vector<std::string> calls;
  };
  auto bar = std::make_shared<Bar>();
  auto controller = MainViewController::create();
  controller->setThinkingBar(bar);
  controller->view();
  auto list = controller->hintTable();
  auto input = controller->searchInput();
  controller->chunkContent()->receivedData(textRows({"one", "two"}), SearchHistory::kReplayTaskId, false);
  dispatch::MainLoop::runUntilIdle();
  const auto first = list->lastSelectedItem();
  ASSERT_NE(first, nullptr);

  EXPECT_TRUE(input->resolvedShortcutKey("thinkingBarActive"));
  EXPECT_EQ(list->lastSelectedItem(), nullptr);
  EXPECT_TRUE(input->resolvedShortcutKey("historyActive"));
  EXPECT_EQ(list->lastSelectedItem(), first);
  EXPECT_EQ(bar->calls, (std::vector<std::string>{"popStash", "stash"}));

  // A bar that cannot take the attention leaves it with the list.
  controller->setThinkingBar(ui::View::create({0, 0, 680, 38}));
  EXPECT_TRUE(input->resolvedShortcutKey("thinkingBarActive"));
  EXPECT_EQ(list->lastSelectedItem(), first);

  const bool off = SpaceControl::shared().previewOff();
  const auto& button = input->spacePreviewButton();
  EXPECT_EQ(button->frame(), (ui::Rect{634, 2, 36, 36}));
  EXPECT_EQ(button->isSelected(), !off);
  button->mouseDown(ui::Event::mouseEvent(ui::EventType::LeftMouseDown, {650, 20}, 0));
  EXPECT_EQ(SpaceControl::shared().previewOff(), !off);
  EXPECT_EQ(button->isSelected(), off);
  EXPECT_TRUE(input->resolvedShortcutKey("fullMode"));
  EXPECT_EQ(SpaceControl::shared().previewOff(), off);
  EXPECT_EQ(button->isSelected(), !off);
  dispatch::MainLoop::runUntilIdle();
  SearchHistory::shared().clean();
}

// Pressing a row and moving away drags the selected records out, the pointer carrying a picture of the
// row (written to the gallery in either look); the press does not paste.
TEST_F(MainViewControllerTest, DraggingARowOffersTheSelectedRecords) {
  LocalShortcutsManager::shared().removeAllReceiversForTesting();
  auto drags = std::make_shared<HeadlessDragSource>();
  DragSource::install(drags);
  auto window = MainWindow::create();
  auto controller = MainViewController::create();
  window->setContentViewController(controller);
  window->setFrame({100, 100, 680, 513}, false);
  window->makeKeyAndOrderFront();
  controller->chunkContent()->receivedData(textRows({"alpha", "beta"}), SearchHistory::kReplayTaskId, false);
  dispatch::MainLoop::runUntilIdle();
  const ui::Point firstRow{100, 384 - 16};
  for (bool dark : {false, true}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    setDark(dark);
    ui::EventDriver driver;
    driver.drag(window, firstRow, {300, 200});
    driver.runUntilIdle();
    EXPECT_EQ(drags->count(), dark ? 2 : 1);
    ASSERT_EQ(drags->lastItems().size(), 1u);
    EXPECT_EQ(drags->lastItems()[0].data(kPasteboardTypeString), "alpha");
    const DragImage& image = drags->lastImage();
    ASSERT_FALSE(image.empty());
    EXPECT_EQ(image.size.height, HintTableRowView::kHeight);
    EXPECT_GT(image.size.width, 300);
    bool text = false;
    for (const auto& c : image.picture->commands()) text = text || c.text.find("alpha") != std::string::npos;
    EXPECT_TRUE(text);
    EXPECT_GT(image.grab.x, 0);
    EXPECT_LT(image.grab.x, image.size.width);
    EXPECT_GE(image.grab.y, 0);
    EXPECT_LE(image.grab.y, image.size.height);
    EXPECT_TRUE(test::writeDisplayListPng(*image.picture, image.size,
                                          std::string("main-drag-row-") + (dark ? "dark" : "light"), 2));
  }
  setDark(false);
  DragSource::install(nullptr);
  SearchHistory::shared().clean();
}

// The web search opens the chosen browser's entry with the engine's page, and the desktop's own browser
// for "Default browser" or a browser that is gone.
TEST_F(MainViewControllerTest, TheWebSearchOpensInTheChosenBrowser) {
  auto workspace = std::make_shared<HeadlessWorkspace>();
  Workspace::install(workspace);
  test::ScopedEnv env;
  const std::string data = files::homeDirectory() + "/data";
  env.set("XDG_DATA_HOME", data);
  std::filesystem::create_directories(data + "/applications");
  const std::string surfer = data + "/applications/surfer.desktop";
  ASSERT_TRUE(files::atomicWrite(surfer, "[Desktop Entry]\nType=Application\nName=Surfer\nExec=surfer %u\n"));
  LocalShortcutsManager::shared().removeAllReceiversForTesting();
  auto controller = MainViewController::create();
  controller->view();
  controller->searchInput()->textField()->setStringValue("cats & dogs");
  const std::string url = "https://duckduckgo.com/?q=cats%20%26%20dogs";
  for (const char* browser : {"Default browser", "surfer", "gone"}) {
    VLConfig::shared().setValueOfKey(VLConfig::kWebSearch,
                                     Json{{"browser", browser}, {"engine", "DuckDuckGo"}});
    controller->searchInput()->doSearchByEngine(false);
  }
  EXPECT_EQ(workspace->openedInApplications(),
            (std::vector<std::pair<std::string, std::string>>{{url, surfer}}));
  EXPECT_EQ(workspace->openedURLs(), (std::vector<std::string>{url, url}));
  Workspace::install(nullptr);
  SearchHistory::shared().clean();
}

// Ctrl+Backspace deletes a word in the search field as in any Linux text field; the press that deletes
// the chosen records leaves the text alone.
TEST_F(MainViewControllerTest, CtrlBackspaceDeletesAWordAndTheRecordDeletePressLeavesTheText) {
  LocalShortcutsManager::shared().removeAllReceiversForTesting();
  VLShortcutCenter::resetForTesting();
  VLShortcutCenter::defaultCenter();
  auto window = MainWindow::create();
  auto controller = MainViewController::create();
  window->setContentViewController(controller);
  window->makeKeyAndOrderFront();
  const auto& field = controller->searchInput()->textField();
  window->makeFirstResponder(field.get());
  ui::EventDriver driver;
  driver.typeText("two words");
  driver.typeKey(ui::KeyCode::Delete, ui::ModifierFlags::Command);
  EXPECT_EQ(field->stringValue(), "two ");
  driver.typeKey(ui::KeyCode::LeftArrow);
  driver.typeKey(ui::KeyCode::ForwardDelete, ui::ModifierFlags::Option);  // Alt+Delete
  EXPECT_EQ(field->stringValue(), "two ");
  driver.typeKey(ui::KeyCode::ForwardDelete);
  EXPECT_EQ(field->stringValue(), "two");
  window->orderOut();
  SearchHistory::shared().clean();
  VLShortcutCenter::resetForTesting();
}

}  // namespace
}  // namespace vl
