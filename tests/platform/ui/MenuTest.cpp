#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "platform/ui/menu/Menu.h"
#include "platform/ui/menu/MenuWindow.h"
#include "platform/ui/menu/StatusItem.h"
#include "platform/ui/view/EventDriver.h"

namespace vl::ui {
namespace {

using test::ActionRecorder;

class MenuJournal : public MenuDelegate {
 public:
  void menuNeedsUpdate(Menu& m) override { events.push_back("update:" + m.title()); }
  void menuWillOpen(Menu& m) override {
    events.push_back("open:" + m.title());
    // A delegate sets check marks as the menu opens.
    if (auto item = m.itemWithTag(1)) item->setState(ControlStateValue::On);
  }
  void menuDidClose(Menu& m) override { events.push_back("close:" + m.title()); }
  std::vector<std::string> events;
};

class MenuTest : public test::ControlTest {
 protected:
  // The status menu's shape: commands with tags, separators, a submenu.
  void SetUp() override {
    ControlTest::SetUp();
    target_ = std::make_shared<ActionRecorder>();
    target_->accepts = {"itemAction:", "colorSelection:"};
    menu_ = Menu::create("Vellisto");
    journal_ = std::make_shared<MenuJournal>();
    menu_->setDelegate(journal_);
    add("Show", 0);
    menu_->addItem(MenuItem::separatorItem());
    colour_ = add("Colour", 4);
    colour_->setAction("");
    sub_ = Menu::create("color sub");
    sub_->setDelegate(journal_);
    for (long tag : {1L, 2L}) {
      auto item = sub_->addItemWithTitle(tag == 1 ? "Red" : "Black", "colorSelection:");
      item->setTag(tag);
      item->setTarget(target_);
    }
    colour_->setSubmenu(sub_);
    settings_ = add("Settings", 1);
    settings_->setKeyEquivalent(",");
    add("Quit", 3);
  }
  std::shared_ptr<MenuItem> add(const std::string& title, long tag) {
    auto item = menu_->addItemWithTitle(title, "itemAction:");
    item->setTag(tag);
    item->setTarget(target_);
    return item;
  }
  long senderTag(std::size_t i) { return dynamic_cast<MenuItem*>(target_->senders.at(i))->tag(); }

  std::shared_ptr<ActionRecorder> target_;
  std::shared_ptr<Menu> menu_, sub_;
  std::shared_ptr<MenuItem> colour_, settings_;
  std::shared_ptr<MenuJournal> journal_;
};

TEST_F(MenuTest, AnItemsActionReachesItsTargetWithTheItemAsSender) {
  EXPECT_TRUE(menu_->performActionForItemAtIndex(0));
  EXPECT_FALSE(menu_->performActionForItemAtIndex(1));  // a separator
  EXPECT_FALSE(menu_->performActionForItemAtIndex(2));  // holds a submenu
  EXPECT_FALSE(menu_->performActionForItemAtIndex(99));
  ASSERT_EQ(target_->actions, (std::vector<std::string>{"itemAction:"}));
  EXPECT_EQ(senderTag(0), 0);
}

TEST_F(MenuTest, PopUpOpensThroughTheDelegateAndPerformsTheChoice) {
  Menu::setHeadlessChooser([this](Menu&) { return sub_->itemWithTag(2); });
  EXPECT_TRUE(menu_->popUpMenuPositioningItem(nullptr, {5, 5}, nullptr));
  EXPECT_EQ(journal_->events,
            (std::vector<std::string>{"update:Vellisto", "open:Vellisto", "update:color sub",
                                      "open:color sub", "close:color sub", "close:Vellisto"}));
  EXPECT_EQ(target_->actions, (std::vector<std::string>{"colorSelection:"}));
  EXPECT_EQ(senderTag(0), 2);
  EXPECT_EQ(sub_->itemWithTag(1)->state(), ControlStateValue::On);  // set by menuWillOpen
  ASSERT_EQ(Menu::presentations().size(), 1u);
  EXPECT_EQ(Menu::presentations()[0].titles,
            (std::vector<std::string>{"Show", "-", "Colour", "Settings", "Quit"}));
  // An item of some other menu is no choice.
  auto stranger = MenuItem::create("x", "itemAction:");
  Menu::setHeadlessChooser([&](Menu&) { return stranger; });
  EXPECT_FALSE(menu_->popUpMenuPositioningItem(nullptr, {}, nullptr));
  EXPECT_EQ(target_->actions.size(), 1u);
}

// Rows added conditionally leave separators with nothing to divide: none is shown first, last or after
// another, on screen or in the presentations, while the menu keeps its items.
TEST_F(MenuTest, NoSeparatorStandsAtAnEndOrAfterAnother) {
  struct Case {
    std::string shape;  // '-' a separator, 'h' a hidden row, a letter a row
    std::string shown;
  } cases[] = {{"ab-", "ab"}, {"-ab", "ab"}, {"a--b", "a-b"},    {"a-h-b", "a-b"}, {"a-h", "a"},
               {"--", ""},    {"", ""},      {"a-b-c", "a-b-c"}, {"h-a-hh-", "a"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shape);
    auto menu = Menu::create("m");
    for (char k : c.shape) {
      if (k == '-') {
        menu->addItem(MenuItem::separatorItem());
      } else {
        menu->addItemWithTitle(std::string(1, k))->setHidden(k == 'h');
      }
    }
    std::string shown;
    for (const auto& item : menu->shownItems()) shown += item->isSeparatorItem() ? "-" : item->title();
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(menu->numberOfItems(), static_cast<long>(c.shape.size()));
    std::string rows;
    for (const auto& row : MenuRowLayout::of(*menu).rows)
      rows += row.item->isSeparatorItem() ? "-" : row.item->title();
    EXPECT_EQ(rows, c.shown);
    Menu::clearPresentations();
    menu->popUpMenuPositioningItem(nullptr, {}, nullptr);
    ASSERT_EQ(Menu::presentations().size(), 1u);
    std::string presented;
    for (const auto& t : Menu::presentations()[0].titles) presented += t;
    EXPECT_EQ(presented, c.shown);
  }
}

TEST_F(MenuTest, AutoenablingFollowsWhoCanReceive) {
  auto orphan = menu_->addItemWithTitle("Nobody", "noSuchAction:");
  auto plain = menu_->addItemWithTitle("No action");
  menu_->update();
  EXPECT_TRUE(settings_->isEnabled());
  EXPECT_TRUE(colour_->isEnabled());  // submenus always
  EXPECT_FALSE(orphan->isEnabled());
  EXPECT_FALSE(plain->isEnabled());
  menu_->setAutoenablesItems(false);
  orphan->setEnabled(true);
  menu_->update();
  EXPECT_TRUE(orphan->isEnabled());
}

TEST_F(MenuTest, KeyEquivalentsMatchCharacterAndModifiers) {
  auto comma = [](std::uint64_t flags) {
    return Event::keyEvent(EventType::KeyDown, KeyCode::Comma, flags, ",", ",");
  };
  EXPECT_FALSE(menu_->performKeyEquivalent(comma(0)));
  EXPECT_FALSE(menu_->performKeyEquivalent(comma(ModifierFlags::Command | ModifierFlags::Option)));
  EXPECT_TRUE(menu_->performKeyEquivalent(comma(ModifierFlags::Command)));
  ASSERT_EQ(target_->actions.size(), 1u);
  EXPECT_EQ(senderTag(0), 1);
  auto red = sub_->itemWithTag(1);
  red->setKeyEquivalent("R");  // upper case asks for Shift
  EXPECT_FALSE(red->matchesKeyEquivalent(
      Event::keyEvent(EventType::KeyDown, KeyCode::R, ModifierFlags::Command, "r", "r")));
  EXPECT_TRUE(menu_->performKeyEquivalent(Event::keyEvent(
      EventType::KeyDown, KeyCode::R, ModifierFlags::Command | ModifierFlags::Shift, "R", "r")));
}

TEST_F(MenuTest, RightClickPopsUpTheViewsMenu) {
  auto view = View::create({0, 0, 100, 100});
  view->setMenu(menu_);
  ControlTest::add(view);
  Menu::setHeadlessChooser([](Menu& m) { return m.itemWithTag(3); });
  EventDriver mouse;
  mouse.rightClick(window_, {10, 20});
  EXPECT_EQ(target_->actions, (std::vector<std::string>{"itemAction:"}));
  ASSERT_EQ(Menu::presentations().size(), 1u);
  EXPECT_EQ(Menu::presentations()[0].location, (Point{110, 120}));  // on the screen
  view->setMenu(nullptr);  // no menu: the click goes up the chain and nothing opens
  mouse.rightClick(window_, {10, 20});
  EXPECT_EQ(Menu::presentations().size(), 1u);
}

TEST_F(MenuTest, ItemsMoveBetweenMenusAndSubmenusHangOnce) {
  auto other = Menu::create("other");
  auto show = menu_->itemAtIndex(0);
  other->addItem(show);
  EXPECT_EQ(show->menu(), other.get());
  EXPECT_EQ(menu_->indexOfItem(show.get()), -1);
  auto again = MenuItem::create("again");
  again->setSubmenu(sub_);  // already under the colour row
  EXPECT_FALSE(again->hasSubmenu());
  menu_->removeAllItems();
  EXPECT_EQ(sub_->supermenu(), nullptr);
}

class StatusItemTest : public test::ControlTest {};

TEST_F(StatusItemTest, RecordsWhatItShowsAndOpensItsMenu) {
  auto item = StatusBar::system().statusItemWithLength(kSquareStatusItemLength);
  auto red = std::make_shared<Image>(Size{18, 18}, "StatusIconRed");
  auto white = std::make_shared<Image>(Size{18, 18}, "StatusIconWhite");
  item->button()->setImage(red);
  item->button()->setAlternateImage(white);
  Rect onScreen = item->window()->frame();
  EXPECT_DOUBLE_EQ(onScreen.height(), StatusBar::kThickness);
  EXPECT_DOUBLE_EQ(onScreen.maxY(), 900);
  EXPECT_EQ(item->button()->bounds(), (Rect{0, 0, StatusBar::kThickness, StatusBar::kThickness}));

  auto menu = Menu::create("Vellisto");
  auto journal = std::make_shared<MenuJournal>();
  menu->setDelegate(journal);
  menu->addItemWithTitle("Quit", "terminate:");
  item->setMenu(menu);
  std::string shownWhileOpen;
  Menu::setHeadlessChooser([&](Menu&) {
    shownWhileOpen = item->displayedImageName();
    return nullptr;
  });
  EventDriver mouse;
  mouse.click(item->window(), {5, 5});
  EXPECT_EQ(journal->events,
            (std::vector<std::string>{"update:Vellisto", "open:Vellisto", "close:Vellisto"}));
  EXPECT_EQ(shownWhileOpen, "StatusIconWhite");  // the alternate image while highlighted
  EXPECT_EQ(item->shownImageNames(),
            (std::vector<std::string>{"StatusIconRed", "StatusIconWhite", "StatusIconRed"}));

  auto second = StatusBar::system().statusItemWithLength(30);
  EXPECT_DOUBLE_EQ(second->window()->frame().maxX(), onScreen.minX());  // newer items sit to the left
  second.reset();
  StatusBar::system().layout();
  EXPECT_EQ(StatusBar::system().items().size(), 1u);
}

}  // namespace
}  // namespace vl::ui
