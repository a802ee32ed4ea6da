#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SheetTestSupport.h"
#include "support/Gallery.h"
#include "theme/VLThemeCategories.h"
#include "ui/alert/Alert.h"
#include "ui/modaltable/ModalTableItem.h"
#include "ui/modaltable/ModalTableView.h"
#include "ui/navigation/ModalNavigationController.h"
#include "ui/panels/AbstractPanel.h"

namespace vl {
namespace {

// A pin-tab form: a name field, a colour and two tabs to choose from.
class FormPage : public ModalViewController, public ModalTableViewDataSource, public ModalTableViewDelegate {
 public:
  void viewDidLoad() override {
    ModalViewController::viewDidLoad();
    setTitle("New pin tab");
    table = ModalTableView::create(view()->bounds());
    auto me = std::static_pointer_cast<FormPage>(shared_from_this());
    table->setModalTableViewDataSource(std::shared_ptr<ModalTableViewDataSource>(me, me.get()));
    table->setModalTableViewDelegate(std::shared_ptr<ModalTableViewDelegate>(me, me.get()));
    view()->addSubview(table);
    table->reloadData();
  }
  long numberOfRowsInTableView(ModalTableView&) override { return 4; }
  std::shared_ptr<ui::TableRowView> tableViewRowViewForRow(ModalTableView&, long row) override {
    auto item = ModalTableItem::create();
    if (row == 0) {
      item->setMode(ModalTableItem::TextInput);
      item->setPlaceholder("Name");
    } else if (row == 1) {
      item->setTitle("Colour");
      auto color = ModalTableItemAccessoryColor::create();
      color->setColor(ui::Color::rgb24(0x4A90E2));
      item->setRightAccessories({color, ModalTableItemAccessoryArrow::create({0, 10, 20, 20})});
    } else {
      item->setTitle(row == 2 ? "Work" : "Links");
      auto check = ModalTableItemAccessoryCheck::create();
      check->setCheck(row == 2);
      item->setLeftAccessory(check);
    }
    item->resetStyle(row == 0 ? 1 : row == 3 ? 3 : 2);
    return ModalTableRowViewWrapper::box(item);
  }
  std::shared_ptr<ModalTableView> table;
};

class FormPanel : public AbstractPanel {
 public:
  FormPanel() : AbstractPanel({0, 0, 400, 260}) {}
  void frameSizeDidSet(ui::Size size) override {
    nav = ModalNavigationController::create(ModalViewController::make<FormPage>());
    nav->setPresenting(this);
    nav->present(this, size);
  }
  std::shared_ptr<ModalNavigationController> nav;
};

class SheetsGalleryTest : public test::SheetTest {
 protected:
  void SetUp() override {
    SheetTest::SetUp();
    setBackgroundColorAssetKey(*window_, std::string("recordAreaBackgroundColor"));
  }
};

TEST_F(SheetsGalleryTest, Alert) {
  auto alert = Alert::ofTitle(
      "Delete the 3 selected records?", [] {}, [] {});
  alert->show(mainView_.get());
  advance(200);
  writeGallery(*window_, "alert");
}

TEST_F(SheetsGalleryTest, NavigationPageWithModalTable) {
  auto panel = std::make_shared<FormPanel>();
  PanelCenter::shared().registerPanel(panel, kPanelPinDetail);
  PanelCenter::shared().showPanelByKey(kPanelPinDetail);
  advance(300);
  ASSERT_TRUE(panel->isShown());
  // The page filled its table while the panel was still above the window's top edge.
  auto page = std::static_pointer_cast<FormPage>(panel->nav->rootModalViewController());
  EXPECT_EQ(page->table->tableView()->rowsWithRowViews().size(), 4u);
  writeGallery(*window_, "navigation-modal-table");
  // The chosen row's check is a mark, not a filled square: it leaves most of its box to the row.
  auto probe = test::PixelProbe::fromPng(VL_BINARY_DIR "/gallery/navigation-modal-table-light.png", 2);
  ASSERT_TRUE(probe);
  auto wrapper = std::static_pointer_cast<ModalTableRowViewWrapper>(page->table->rowViewAtRow(2));
  ASSERT_TRUE(wrapper);
  auto& check = static_cast<ModalTableItemAccessoryCheck&>(*wrapper->item()->leftAccessory());
  const ui::Rect box = check.convertRectToView(check.bounds(), nullptr);
  const ui::Rect mark = check.imageView()->convertRectToView(check.imageView()->bounds(), nullptr);
  const int ink = probe->inkIn(mark, probe->at({box.minX() + 1, box.minY() + 1}), 40).count;
  EXPECT_GT(ink, 10);
  EXPECT_LT(ink, int(mark.width() * mark.height() * probe->scale() * probe->scale() / 2));
}

}  // namespace
}  // namespace vl
