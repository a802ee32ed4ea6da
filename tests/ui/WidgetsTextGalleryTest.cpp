#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "WidgetTestSupport.h"
#include "platform/system/paint/CairoPainter.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/table/TableRowView.h"
#include "theme/VLThemeCategories.h"
#include "ui/ArrowCursorStyleTextView.h"
#include "ui/Line.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/PassthroughImageView.h"
#include "ui/PassthroughTextView.h"
#include "ui/RoundTextView.h"
#include "ui/VLNavigationBar.h"
#include "ui/VLScrollTextView.h"
#include "ui/VLTableView.h"
#include "ui/VLTextField.h"
#include "ui/VLTransparentScroller.h"
#include "ui/VLWindow.h"

namespace vl {
namespace {

using ui::Rect;

// Rows with a themed background and a pass-through title each.
class GalleryRows : public ui::TableViewDataSource, public ui::TableViewDelegate {
 public:
  long numberOfRowsInTableView(ui::TableView&) override { return 20; }
  std::shared_ptr<ui::TableRowView> tableViewRowViewForRow(ui::TableView&, long) override {
    auto row = std::make_shared<ui::TableRowView>();
    setBackgroundColorAssetKey(*row, "modalTableItemBackgroundColor");
    return row;
  }
  std::shared_ptr<ui::View> tableViewViewForTableColumn(ui::TableView&, ui::TableColumn*, long row) override {
    auto title = PassthroughTextView::create({0, 0, 120, 24});
    title->setString("Record " + std::to_string(row + 1));
    setTextColorAssetKey(*title, "fontNormalColor");
    return title;
  }
};

std::shared_ptr<PassthroughTextView> caption(const std::string& text, Rect frame) {
  auto view = PassthroughTextView::create(frame);
  view->setString(text);
  view->setFont(ui::Font::systemFont(11));
  setTextColorAssetKey(*view, "fontSubtitleColor");
  return view;
}

std::shared_ptr<VLTextField> field(Rect frame, const std::string& text) {
  auto f = VLTextField::create(frame);
  f->setTextFieldBackgroundColorAssetKey("searchInputBackgroundColor");
  f->setTextFieldEditBackgroundColorAssetKey("alaisTextFieldSelectedBackgroundColor");
  f->setBorderColorAssetKey("hotkeyTextFieldBorderColor");
  f->setBorderEditColorAssetKey("accentColor");
  f->setNormalTextColorAssetKey("searchInputFontColor");
  f->setEditTextColorAssetKey("fontNormalColor");
  f->setPlaceholder("Alias");
  f->setPlaceholderAssetKey("searchInputPlaceHolderColor");
  f->setBorderWidth(1);
  f->setRadius(4);
  f->setText(text);
  return f;
}

std::shared_ptr<VLScrollTextView> area(Rect frame, const std::string& text) {
  auto a = VLScrollTextView::create(frame);
  a->setTextColorAssetKey("fontNormalColor");
  a->setTextViewBackgroundColorAssetKey("popoverTextViewBackgroundColor");
  a->setBorderColorAssetKey("hotkeyTextFieldBorderColor");
  a->setBorderEditColorAssetKey("accentColor");
  a->setBorderWidth(1);
  a->setRadius(4);
  a->setText(text);
  return a;
}

// A round, opaque icon for the tinted image view.
ui::ImageRef dot() {
  const int n = 16;
  std::vector<std::uint8_t> rgba(n * n * 4, 0);
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      if (std::hypot(x - 7.5, y - 7.5) > 7) continue;
      for (int c = 0; c < 4; ++c) rgba[(y * n + x) * 4 + c] = 255;
    }
  }
  return std::make_shared<const ui::Image>(ui::Size{16, 16}, n, n, std::move(rgba), "dot");
}

// The pixel of a PNG at a point of window coordinates (origin bottom left).
ui::Color pixelAt(const std::string& path, double windowHeight, ui::Point at) {
  cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
  EXPECT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
  const int x = static_cast<int>(at.x), y = static_cast<int>(windowHeight - at.y - 1);
  const unsigned char* p =
      cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface) + x * 4;
  ui::Color color = ui::Color::rgba(p[2] / 255.0, p[1] / 255.0, p[0] / 255.0, p[3] / 255.0);
  cairo_surface_destroy(surface);
  return color;
}

bool near(const ui::Color& a, const ui::Color& b) {
  return std::abs(a.red - b.red) < 0.01 && std::abs(a.green - b.green) < 0.01 &&
         std::abs(a.blue - b.blue) < 0.01;
}

class WidgetsTextGalleryTest : public test::WidgetTest {};

TEST_F(WidgetsTextGalleryTest, PaintsEveryWidgetInLightAndDark) {
  auto window = VLWindow::create({60, 60, 600, 420}, ui::WindowStyle::Titled);
  setBackgroundColorAssetKey(*window, "classicBackgroundColor");
  window->setAppear(true);
  const std::shared_ptr<ui::View>& content = window->contentView();

  auto bar = VLNavigationBar::initWithTitle("Themed text widgets");
  bar->appendTo(*content);

  auto normal = field({20, 320, 200, 30}, "");
  auto filled = field({240, 320, 200, 30}, "A pinned snippet with a title far longer than its field");
  auto editing = field({20, 265, 200, 30}, "editing");
  auto disabled = field({240, 265, 200, 30}, "disabled");
  disabled->setEnabled(false);
  auto plainArea = area({20, 140, 200, 100}, "Several lines\nof a note\nin the scrolling text view");
  auto editingArea = area({240, 140, 200, 100}, "Editing look");
  for (auto view :
       std::vector<std::shared_ptr<ui::View>>{normal, filled, editing, disabled, plainArea, editingArea})
    content->addSubview(view);
  content->addSubview(caption("field: placeholder, text", {20, 352, 420, 14}));
  content->addSubview(caption("field: editing, disabled", {20, 297, 420, 14}));
  content->addSubview(caption("text view: normal, editing", {20, 242, 420, 14}));
  window->makeKeyAndOrderFront();
  window->makeFirstResponder(editing->textField().get());
  editingArea->didBecomeFirstResponder(*editingArea->textView());

  auto chip = RoundTextView::create({20, 95, 60, 30});
  chip->setFont(ui::Font::systemFont(12));
  chip->setCornerRadius(10);
  chip->setText("Ctrl+1");
  auto longChip = RoundTextView::create({100, 95, 60, 30});
  longChip->setFont(ui::Font::systemFont(12));
  longChip->setCornerRadius(10);
  longChip->setText("Pinned from the record window");
  content->addSubview(chip);
  content->addSubview(longChip);

  auto title = PassthroughAndArrowCursorTextView::create({20, 60, 140, 20});
  title->setString("Pass-through title");
  setTextColorAssetKey(*title, "fontNormalColor");
  auto history = ArrowCursorStyleTextView::create({170, 60, 180, 20});
  history->setString("A history line");
  history->setDrawsBackground(false);
  setTextColorAssetKey(*history, "matchedFontColor");
  auto icon = PassthroughImageView::create({360, 62, 16, 16});
  icon->setImage(dot());
  setTintColorAssetKey(*icon, "iconGray");
  for (auto view : std::vector<std::shared_ptr<ui::View>>{title, history, icon}) content->addSubview(view);

  const ui::Point lineAt{100, 40};
  content->addSubview(Line::ofWidth(420, {20, lineAt.y}));
  content->addSubview(Line::ofHeight(350, {460, 20}));

  auto rows = std::make_shared<GalleryRows>();
  auto table = VLTableView::create({0, 0, 110, 480});
  table->setDataSource(rows);
  table->setDelegate(rows);
  auto scroll = ui::ScrollView::create({475, 20, 110, 350});
  scroll->setVerticalScroller(VLTransparentScroller::create());
  scroll->setHasVerticalScroller(true);
  scroll->setDocumentView(table);
  content->addSubview(scroll);
  table->reloadData();
  table->selectRowIndexes(ui::IndexSet{1}, false);
  table->setPreventKeyDown(true);

  const std::string folder = std::string(VL_BINARY_DIR) + "/gallery";
  std::filesystem::create_directories(folder);
  std::vector<ui::Color> lines;
  for (bool dark : {false, true}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    setDark(dark);
    // The chips take plain colours: their owner resolves the keys again after a change.
    for (auto c : {chip, longChip}) {
      c->setRoundBackgroundColor(colorOf("accentColor"));
      c->setTextColor(colorOf("white"));
    }
    const std::string path = folder + "/widgets-text-" + (dark ? "dark" : "light") + ".png";
    ASSERT_TRUE(paint::writeWindowPng(*window, path));
    lines.push_back(pixelAt(path, window->contentRect().height(), lineAt));
    EXPECT_TRUE(near(lines.back(), colorOf("lineColor")));
  }
  EXPECT_FALSE(near(lines[0], lines[1]));
  window->orderOut();
}

}  // namespace
}  // namespace vl
