#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/menu/MenuWindow.h"
#include "platform/ui/window/WindowServer.h"

namespace vl::ui {
namespace {

// A window server that shows nothing: enough for menus to be tracked without a display.
class BlindServer : public WindowServer {
  class Peer : public WindowPeer {
    void orderFront() override {}
    void orderBack() override {}
    void orderOut() override {}
    void changed(unsigned) override {}
    void setNeedsDisplay(std::optional<Rect>) override {}
    void becameKey() override {}
  };

 public:
  std::unique_ptr<WindowPeer> createPeer(Window&) override { return std::make_unique<Peer>(); }
  void cursorChanged(const Cursor&) override {}
};

class MenuWindowTest : public test::ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    WindowServer::install(std::make_shared<BlindServer>());
    MenuTracker::install();
    menu_ = Menu::create("context");
    menu_->setAutoenablesItems(false);
    menu_->addItemWithTitle("Show", "show:");
    menu_->addItem(MenuItem::separatorItem());
    menu_->addItemWithTitle("Disabled", "off:")->setEnabled(false);
    auto colour = menu_->addItemWithTitle("Colour");
    auto sub = Menu::create("colours");
    sub->setAutoenablesItems(false);
    sub->addItemWithTitle("Red", "red:");
    sub->addItemWithTitle("Black", "black:");
    colour->setSubmenu(sub);
    menu_->addItemWithTitle("Quit", "quit:", "q");
  }
  void TearDown() override {
    MenuTracker::install(false);
    WindowServer::install(nullptr);
    ControlTest::TearDown();
  }

  // The open menu window showing `title`, and that row.
  static std::pair<std::shared_ptr<MenuWindow>, long> rowOf(const std::string& title) {
    for (auto& w : MenuTracker::current()->windows()) {
      const auto& rows = w->rows().rows;
      for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].item->title() == title) return {w, static_cast<long>(i)};
      }
    }
    return {nullptr, -1};
  }
  static void mouse(EventType type, const std::shared_ptr<MenuWindow>& w, Point screen) {
    Event e = Event::mouseEvent(type, w->convertPointFromScreen(screen), 0);
    e.setWindow(w);
    Application::shared().sendEvent(e);
  }
  // One step of the user: a key ("down", "up", "left", "right", "esc", "ret"), or a pointer action on
  // a row ("move:T", "click:T", "release:T"), or "outside" (a press away from every menu).
  static void step(const std::string& s) {
    static const std::map<std::string, std::uint16_t> keys = {
        {"down", KeyCode::DownArrow},   {"up", KeyCode::UpArrow}, {"left", KeyCode::LeftArrow},
        {"right", KeyCode::RightArrow}, {"esc", KeyCode::Escape}, {"ret", KeyCode::Return}};
    if (auto k = keys.find(s); k != keys.end()) {
      Application::shared().sendEvent(Event::keyEvent(EventType::KeyDown, k->second, 0, "", ""));
      return;
    }
    if (!MenuTracker::current()) return;
    auto front = MenuTracker::current()->windows().front();
    if (s == "outside") {
      mouse(EventType::LeftMouseDown, front, {front->frame().minX() - 50, front->frame().minY() - 50});
      return;
    }
    const auto colon = s.find(':');
    auto [w, row] = rowOf(s.substr(colon + 1));
    ASSERT_NE(w, nullptr) << s;
    const Rect r = w->screenRectOfRow(row);
    const Point at{r.midX(), r.midY()};
    const std::string verb = s.substr(0, colon);
    if (verb == "move") mouse(EventType::MouseMoved, w, at);
    if (verb == "click") mouse(EventType::LeftMouseDown, w, at);
    if (verb == "click" || verb == "release") mouse(EventType::LeftMouseUp, w, at);
  }

  std::shared_ptr<Menu> menu_;
};

TEST_F(MenuWindowTest, KeysAndPointerChooseWhatTheUserMeant) {
  struct Case {
    std::vector<std::string> steps;
    std::string chosen;  // "" for dismissed
  };
  const Case cases[] = {
      {{"down", "ret"}, "Show"},
      {{"up", "ret"}, "Quit"},                              // from nothing lit, up wraps to the last
      {{"down", "down", "ret", "ret"}, "Red"},              // disabled rows and separators are skipped
      {{"down", "down", "right", "down", "ret"}, "Black"},  // Right opens, first row lit
      {{"down", "down", "right", "left", "down", "ret"}, "Quit"},
      {{"down", "down", "right", "esc", "esc"}, ""},  // Escape closes one level at a time
      {{"click:Quit"}, "Quit"},
      {{"move:Colour", "click:Black"}, "Black"},      // hovering opens the submenu
      {{"move:Colour", "move:Show", "ret"}, "Show"},  // and leaving its row closes it
      {{"click:Disabled", "ret"}, ""},
      {{"release:Show", "ret"}, ""},  // the release of the opening press picks nothing
      {{"move:Quit", "release:Quit"}, "Quit"},
      {{"outside"}, ""},
  };
  for (const Case& c : cases) {
    for (const std::string& s : c.steps) dispatch::Queue::main()->async([s] { step(s); });
    // Whatever the steps left open is dismissed, so a case that fails cannot hang the suite.
    dispatch::Queue::main()->async([] {
      if (auto* t = MenuTracker::current()) t->cancel();
    });
    auto chosen = menu_->trackPopUp(nullptr, {200, 600}, nullptr);
    dispatch::MainLoop::runUntilIdle();  // the guard, when the steps ended the tracking first
    EXPECT_EQ(chosen ? chosen->title() : "", c.chosen) << ::testing::PrintToString(c.steps);
    EXPECT_EQ(MenuTracker::current(), nullptr);
    EXPECT_FALSE(menu_->isOpen());
    for (Window* w : Application::shared().orderedWindows()) EXPECT_EQ(dynamic_cast<MenuWindow*>(w), nullptr);
  }
}

TEST_F(MenuWindowTest, AnOutsideClickReportedByTheServerDismisses) {
  dispatch::Queue::main()->async([] {
    auto w = MenuTracker::current()->windows().front();
    Application::shared().sendAction("cancelOperation:", w, nullptr);
  });
  dispatch::Queue::main()->async([] {
    if (auto* t = MenuTracker::current()) {
      t->cancel();
      ADD_FAILURE() << "still open";
    }
  });
  EXPECT_EQ(menu_->trackPopUp(nullptr, {200, 600}, nullptr), nullptr);
}

TEST_F(MenuWindowTest, StaysOnScreenAndPlacesThePositionedRowAtThePoint) {
  const Rect visible = Screen::mainScreen()->visibleFrame();
  std::vector<Rect> frames;
  double quitMid = 0;
  auto record = [&] {
    auto w = MenuTracker::current()->windows().front();
    frames.push_back(w->frame());
    quitMid = w->screenRectOfRow(w->rows().rows.size() - 1).midY();
    MenuTracker::current()->cancel();
  };
  dispatch::Queue::main()->async(record);
  menu_->trackPopUp(nullptr, {visible.maxX() - 10, visible.minY() + 10}, nullptr);
  dispatch::Queue::main()->async(record);
  menu_->trackPopUp(menu_->itemWithTitle("Quit").get(), {300, 500}, nullptr);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_TRUE(visible.contains(frames[0]));
  EXPECT_NEAR(quitMid, 500, 0.5);
}

// A row in the on state shows its own picture when it has one (the tray's colour swatch on its submenu
// row), a tick when it has none, and nothing in the off state.
TEST_F(MenuWindowTest, OnRowsShowTheirPictureOrATick) {
  auto swatch = std::make_shared<const Image>(Size{14, 14}, "swatch");
  struct Case {
    const char* title;
    int state;
    bool picture;
    bool tick;
  };
  const std::vector<Case> cases = {
      {"Colour", 1, true, false}, {"Show", 1, false, true}, {"Quit", 0, false, false}};
  menu_->itemWithTitle("Colour")->setOnStateImage(swatch);
  for (const Case& c : cases) menu_->itemWithTitle(c.title)->setState(c.state);
  MenuWindow window(menu_, {100, 500});
  const DisplayList list = window.contentView()->recordDisplayList();
  for (const Case& c : cases) {
    bool picture = false, tick = false;
    for (const auto& row : window.rows().rows) {
      if (row.item->title() != c.title) continue;
      // Steps in the row's mark column (the rows view is flipped: y grows downwards from its top).
      for (const auto& d : list.commands()) {
        const bool inRow = d.rect.minX() < MenuRowLayout::kMarkColumn && d.rect.midY() > row.top &&
                           d.rect.midY() < row.top + row.height;
        if (!inRow) continue;
        if (d.kind == DrawCommand::Kind::DrawImage && d.image == swatch) picture = true;
        if (d.kind == DrawCommand::Kind::DrawText && d.text == "\u2713") tick = true;
      }
    }
    EXPECT_EQ(picture, c.picture) << c.title;
    EXPECT_EQ(tick, c.tick) << c.title;
  }
}

TEST(MenuRowLayoutTest, KeyEquivalentsReadAsTheKeysToPress) {
  struct Case {
    std::string key;
    std::uint64_t mask;
    std::string label;
  } cases[] = {{"c", ModifierFlags::Command, "Ctrl+C"},
               {"C", ModifierFlags::Command, "Ctrl+Shift+C"},
               {",", ModifierFlags::Command | ModifierFlags::Option, "Ctrl+Alt+,"},
               {"\r", ModifierFlags::Control, "Super+Return"},
               {"", ModifierFlags::Command, ""}};
  for (const Case& c : cases) {
    auto item = MenuItem::create("x", "a:", c.key);
    item->setKeyEquivalentModifierMask(c.mask);
    EXPECT_EQ(keyEquivalentLabel(*item), c.label) << c.key;
  }
}

}  // namespace
}  // namespace vl::ui
