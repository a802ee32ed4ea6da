// Painting a window: a 680 x 500 window whose table shows 20 rows of text, recorded and painted with
// Cairo and Pango into an image surface of the window's size, against filling that surface with one
// colour (the least any frame costs):
//   baseline  a plain Cairo fill of the whole surface;
//   start-up  once per process: fonts opened, shaping and drawing code loaded (one word painted);
//   first     a window's first frame, its texts never laid out before: record the display list, paint it
//             all (the median of nine such windows);
//   full      a later full frame, caches warm;
//   row       one row's text changed: record again and paint only that row's rect.
// Goals: a full frame under 4 ms, a one-row change under 1 ms.
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/system/paint/CairoPainter.h"
#include "platform/system/paint/DesktopPainting.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/window/Window.h"

namespace {

using Steady = std::chrono::steady_clock;
using namespace vl;

double usSince(Steady::time_point start) {
  return std::chrono::duration<double, std::micro>(Steady::now() - start).count();
}

class Rows : public ui::TableViewDataSource, public ui::TableViewDelegate {
 public:
  long numberOfRowsInTableView(ui::TableView&) override { return 20; }
  std::shared_ptr<ui::View> tableViewViewForTableColumn(ui::TableView& table, ui::TableColumn*,
                                                        long row) override {
    auto label = std::dynamic_pointer_cast<ui::TextField>(table.makeViewWithIdentifier("cell"));
    if (!label) {
      label = ui::TextField::labelWithString("");
      label->setIdentifier("cell");
    }
    label->setFrame({10, 4, 640, 17});
    label->setStringValue(texts[static_cast<std::size_t>(row)]);
    labels[static_cast<std::size_t>(row)] = label;
    return label;
  }
  std::string texts[20];
  std::shared_ptr<ui::TextField> labels[20];
};

// A window whose table shows 20 rows; `seed` makes its texts unlike any other window's.
struct TableWindow {
  explicit TableWindow(int seed) : window(ui::Window::create({0, 0, 680, 500}, ui::WindowStyle::Borderless)) {
    rows = std::make_shared<Rows>();
    for (int i = 0; i < 20; ++i) {
      rows->texts[i] =
          "Copied " + std::to_string(seed * 100 + i) + ": the quick brown fox jumps over the lazy dog";
    }
    auto scroll = ui::ScrollView::create({0, 0, 680, 500});
    table = ui::TableView::create();
    table->addTableColumn(ui::TableColumn::create("text"));
    table->setRowHeight(25);
    table->setDataSource(rows);
    table->setDelegate(rows);
    scroll->setDocumentView(table);
    window->contentView()->addSubview(scroll);
    table->reloadData();
  }
  std::shared_ptr<ui::Window> window;
  std::shared_ptr<Rows> rows;
  std::shared_ptr<ui::TableView> table;
};

// The median of `n` timings of `body` (the machine may be busy with other work).
template <typename Body>
double medianUs(int n, Body body) {
  std::vector<double> times;
  for (int i = 0; i < n; ++i) {
    auto start = Steady::now();
    body(i);
    times.push_back(usSince(start));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main() {
  dispatch::MainLoop::adoptCurrentThread();
  paint::installDesktopPainting();
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 680, 500);
  cairo_t* cr = cairo_create(surface);
  paint::PaintOptions options;
  options.height = 500;
  auto frame = [&](ui::Window& window, std::optional<ui::Rect> dirty) {
    window.display();
    options.dirty = dirty;
    paint::paintDisplayList(cr, window.displayList(), options);
    cairo_surface_flush(surface);
  };

  // What the program's start-up pays once: fonts found and opened, the shaping and drawing code paged in.
  auto start = Steady::now();
  {
    ui::DisplayList warm;
    ui::GraphicsContext ctx(warm);
    ctx.drawText("start-up", {0, 0, 60, 17}, ui::Font::systemFont(13), ui::Color::black());
    paint::paintDisplayList(cr, warm, options);
  }
  const double startUp = usSince(start);

  const int rounds = 201;
  const double baseline = medianUs(rounds, [&](int) {
    cairo_set_source_rgb(cr, 0.9, 0.9, 0.9);
    cairo_paint(cr);
    cairo_surface_flush(surface);
  });
  std::vector<std::unique_ptr<TableWindow>> fresh;
  for (int w = 0; w < 9; ++w) fresh.push_back(std::make_unique<TableWindow>(w + 1));
  const double first =
      medianUs(9, [&](int w) { frame(*fresh[static_cast<std::size_t>(w)]->window, std::nullopt); });
  TableWindow& t = *fresh.front();
  const double full = medianUs(rounds, [&](int) { frame(*t.window, std::nullopt); });
  const ui::Rect rowRect = t.table->convertRectToView(t.table->rectOfRow(7), nullptr);
  const double row = medianUs(rounds, [&](int i) {
    // A fresh text each round, so its layout is never one painted before.
    t.rows->labels[7]->setStringValue("Changed " + std::to_string(i) +
                                      ": pasted into the editor a moment ago");
    frame(*t.window, rowRect);
  });

  std::printf("window 680 x 500, 20 rows, %zu drawing steps; medians\n", t.window->displayList().size());
  std::printf("start-up  %8.1f us, once\n", startUp);
  std::printf("baseline  %8.1f us/frame\n", baseline);
  std::printf("first     %8.1f us/frame  (%.1fx baseline, goal < 4000 us)\n", first, first / baseline);
  std::printf("full      %8.1f us/frame  (%.1fx baseline, goal < 4000 us)\n", full, full / baseline);
  std::printf("row       %8.1f us/frame  (%.1fx baseline, goal < 1000 us)\n", row, row / baseline);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return 0;
}
