#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SheetTestSupport.h"
#include "ui/tabbar/VLTabController.h"

namespace vl {
namespace {

// Notes each height report, and whether the pages were in place when it came.
class HeightJournal : public VLTabControllerDelegate {
 public:
  void tabControllerDidChangeHeight(VLTabController& controller, float height, VLTabBarItem& item) override {
    std::string where;
    for (const auto& i : controller.tabBar()->items()) {
      where += i->viewController()->view()->superview() ? "+" : "-";
    }
    reports.push_back(std::to_string(item.index()) + " " + std::to_string(static_cast<int>(height)) + " " +
                      where);
  }
  std::vector<std::string> reports;
};

class TabBarTest : public test::SheetTest {
 protected:
  void SetUp() override {
    SheetTest::SetUp();
    pref_ = ui::Window::create({200, 200, 500, 400}, ui::WindowStyle::Titled);
    MainViewHooks hooks = MainViewHooks::current();
    hooks.preferencesWindow = [this] { return pref_.get(); };
    MainViewHooks::install(hooks);

    controller_ = VLTabController::create();
    journal_ = std::make_shared<HeightJournal>();
    controller_->setDelegate(journal_);
    bar_ = VLTabBar::create();
    const char* titles[] = {"General", "Shortcuts", "Themes", "Rules", "Sync", "About"};
    for (int i = 0; i < 6; ++i) {
      auto item = VLTabBarItem::create();
      item->setIndex(i);
      item->setTitle(titles[i]);
      auto page = std::make_shared<VLViewController>();
      page->setView(ui::View::create({0, 0, 500, 100.0 + 20 * i}));
      item->setViewController(page);
      bar_->addItem(item);
    }
    controller_->setTabBar(bar_);
    pref_->contentView()->addSubview(controller_->view());
  }

  std::shared_ptr<ui::Window> pref_;
  std::shared_ptr<VLTabController> controller_;
  std::shared_ptr<HeightJournal> journal_;
  std::shared_ptr<VLTabBar> bar_;
};

TEST_F(TabBarTest, ItemsSitSideBySideAndTheHeightCoversPageBarAndTitleBar) {
  EXPECT_EQ(bar_->frame().size, (ui::Size{420, 50}));
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(bar_->items()[i]->frame(), (ui::Rect{70.0 * i, 0, 70, 50}));
  }
  bar_->selectItemAtIndex(2);
  double T = pref_->titlebarHeight();
  ASSERT_EQ(journal_->reports.size(), 1u);
  EXPECT_EQ(journal_->reports[0], "2 " + std::to_string(static_cast<int>(T + 140 + 50 + 1)) + " --+---");
  EXPECT_EQ(controller_->view()->frame().size, (ui::Size{500, 140 + 50 + T + 1}));
  EXPECT_EQ(bar_->frame(), (ui::Rect{5, 140 + 1, 495, 50}));
  EXPECT_EQ(controller_->line()->frame(), (ui::Rect{0, 140, 500, 1}));
}

TEST_F(TabBarTest, ClicksSwitchPagesAndRepeatsOrBadIndexesChangeNothing) {
  bar_->selectItemAtIndex(0);
  pref_->makeKeyAndOrderFront();
  // The first tab's page is gone before the second's arrives and the new height is told.
  events_.click(pref_, bar_->items()[1]->convertPointToView({35, 25}, nullptr));
  EXPECT_FALSE(bar_->items()[0]->isSelected());
  EXPECT_TRUE(bar_->items()[1]->isSelected());
  events_.click(pref_, bar_->items()[1]->convertPointToView({35, 25}, nullptr));
  bar_->selectItemAtIndex(6);
  EXPECT_TRUE(test::logContains("no tab at index 6"));
  ASSERT_EQ(journal_->reports.size(), 2u);
  EXPECT_EQ(journal_->reports[1].substr(journal_->reports[1].size() - 6), "-+----");
  EXPECT_EQ(bar_->lastItem(), bar_->items()[1]);
}

TEST_F(TabBarTest, Gallery) {
  bar_->selectItemAtIndex(2);
  pref_->setContentSize(controller_->view()->frame().size);
  writeGallery(*pref_, "tab-bar");
}

}  // namespace
}  // namespace vl
