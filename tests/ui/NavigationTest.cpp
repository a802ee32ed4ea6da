#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SheetTestSupport.h"
#include "ui/alert/Alert.h"
#include "ui/navigation/ModalNavigationController.h"

namespace vl {
namespace {

using Journal = std::vector<std::string>;

// A page that notes its lifecycle calls as "<name> <call>".
class JournalPage : public ModalViewController {
 public:
  JournalPage(std::string name, Journal* journal) : name_(std::move(name)), journal_(journal) {}
  void viewDidLoad() override {
    note("load");
    ModalViewController::viewDidLoad();
  }
  void viewWillAppear() override { note("willAppear"); }
  void viewDidAppear() override { note("didAppear"); }
  void viewWillDisappear() override { note("willDisappear"); }
  void viewDidDisappear() override { note("didDisappear"); }
  void didClickLeftItem() override { note("left"); }

 private:
  void note(const char* call) { journal_->push_back(name_ + " " + call); }
  std::string name_;
  Journal* journal_;
};

class Presenter : public VLPresenting {
 public:
  void dismiss() override { ++dismissed; }
  int dismissed = 0;
};

class NavigationTest : public test::SheetTest {
 protected:
  void SetUp() override {
    SheetTest::SetUp();
    host_ = ui::View::create({0, 0, 400, 300});
    mainView_->addSubview(host_);
    root_ = page("root");
    nav_ = ModalNavigationController::create(root_);
    nav_->setPresenting(&presenter_);
    nav_->present(host_.get(), host_->frame().size);
    journal_.clear();
  }
  std::shared_ptr<JournalPage> page(const std::string& name) {
    return ModalViewController::make<JournalPage>(name, &journal_);
  }

  Journal journal_;
  Presenter presenter_;
  std::shared_ptr<ui::View> host_;
  std::shared_ptr<JournalPage> root_;
  std::shared_ptr<ModalNavigationController> nav_;
};

TEST_F(NavigationTest, PagesLayOutTheirBarAtTheTopOrBottom) {
  EXPECT_EQ(nav_->navigationBgView()->frame(), (ui::Rect{0, 256, 400, 44}));
  EXPECT_EQ(root_->navigationBar()->frame(), (ui::Rect{0, 256, 400, 44}));
  EXPECT_EQ(root_->view()->frame(), (ui::Rect{0, 0, 400, 256}));
  EXPECT_EQ(root_->navigationBar()->line()->frame().origin.y, 0);
  EXPECT_EQ(root_->navigationBar()->leftItem(), root_->cancelItem());
  EXPECT_EQ(root_->cancelItem()->frame().origin, (ui::Point{10, 7}));

  auto bottom = page("bottom");
  bottom->setShowNavigationBarAtBottom(true);
  nav_->pushModalViewController(bottom);
  EXPECT_EQ(bottom->navigationBar()->frame(), (ui::Rect{0, 0, 400, 44}));
  EXPECT_EQ(bottom->view()->frame(), (ui::Rect{0, 44, 400, 256}));
  EXPECT_EQ(bottom->navigationBar()->line()->frame().origin.y, 43);
  EXPECT_EQ(bottom->navigationBar()->leftItem(), bottom->backItem());
}

TEST_F(NavigationTest, PushAndPopMoveInThreeTenthsAndCallTheHooksInOrder) {
  auto second = page("second");
  nav_->pushModalViewController(second);
  advance(150);
  EXPECT_NEAR(second->getMainView()->layer()->presentationPosition().x, 200, 1);
  EXPECT_NEAR(root_->getMainView()->layer()->presentationPosition().x, -100, 1);
  EXPECT_EQ(nav_->currentModalViewController(), root_);
  advance(150);
  EXPECT_EQ(nav_->currentModalViewController(), second);
  EXPECT_EQ(root_->getMainView()->superview(), nullptr);
  EXPECT_EQ(second->getMainView()->frame().origin, (ui::Point{0, 0}));

  clickView(*second->backItem());
  advance(300);
  EXPECT_EQ(journal_, (Journal{"second load", "second willAppear", "root willDisappear", "root didDisappear",
                               "second didAppear", "second left", "second willDisappear", "root willAppear",
                               "second didDisappear", "root didAppear"}));
  EXPECT_EQ(nav_->controllers().size(), 1u);
  EXPECT_EQ(root_->getMainView()->frame().origin, (ui::Point{0, 0}));
  EXPECT_EQ(second->getMainView()->superview(), nullptr);
}

TEST_F(NavigationTest, MovesAskedForWhileAPageMovesAndPopsOfTheRootAreIgnored) {
  nav_->popModalViewController();
  nav_->popToRootController();
  EXPECT_TRUE(journal_.empty());

  auto second = page("second");
  auto third = page("third");
  nav_->pushModalViewController(second);
  advance(100);
  nav_->pushModalViewController(third);
  nav_->popModalViewController();
  EXPECT_TRUE(test::logContains("while a page moves"));
  advance(200);
  EXPECT_EQ(nav_->controllers().size(), 2u);
  EXPECT_EQ(nav_->currentModalViewController(), second);
  EXPECT_FALSE(nav_->isMoving());
  nav_->pushModalViewController(third);
  advance(300);
  EXPECT_EQ(nav_->currentModalViewController(), third);
}

TEST_F(NavigationTest, PopToRootTellsOnlyTheTopPage) {
  auto a = page("a"), b = page("b"), c = page("c");
  for (const auto& p : {a, b, c}) {
    nav_->pushModalViewController(p);
    advance(300);
  }
  journal_.clear();
  nav_->popToRootController();
  advance(300);
  EXPECT_EQ(journal_, (Journal{"c willDisappear", "root willAppear", "c didDisappear", "root didAppear"}));
  EXPECT_EQ(nav_->controllers(), (std::vector<std::shared_ptr<ModalViewController>>{root_}));
  EXPECT_EQ(host_->subviews().front()->subviews().size(), 2u);  // the strip and the root page
}

TEST_F(NavigationTest, CancelDismissesThePresenterAndASimpleAlertLeavesItsEscapeBlock) {
  clickView(*root_->cancelItem());
  EXPECT_EQ(presenter_.dismissed, 1);
  EXPECT_EQ(journal_, (Journal{"root left"}));

  root_->simpleAlert("Name taken");
  advance(200);
  ASSERT_TRUE(Alert::isShown(root_->getMainView().get()));
  std::shared_ptr<Alert> alert;
  for (const auto& v : root_->getMainView()->subviews()) {
    if (auto* found = dynamic_cast<Alert*>(v.get())) alert = std::static_pointer_cast<Alert>(found->self());
  }
  EXPECT_EQ(alert->frame(), (ui::Rect{30, 85, 340, 130}));
  alert->okButtonClick();
  advance(200);
  EXPECT_FALSE(Alert::isShown(root_->getMainView().get()));
  EXPECT_EQ(EscStack::shared().count(), 1u);
  EXPECT_TRUE(pressEscape());
  EXPECT_EQ(EscStack::shared().count(), 0u);
}

}  // namespace
}  // namespace vl
