// Text layout and table tiling: what the toolkit spends on the rows of a result list. Five thousand row
// texts are measured three ways in one process:
//   baseline  counting their UTF-16 units, the least any pass over a text does;
//   layout    laying each out at a 320-point row width (what a row and the preview do);
//   truncate  cutting each to one 320-point line with an ellipsis (what a one-line title does);
// and a 1,000-row table is scrolled through in half-row steps:
//   rects     finding the visible rows only;
//   tile      the table's whole work per step: recycling, reusing and placing row views.
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/foundation/Text.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/text/TextMetrics.h"

namespace {

using Steady = std::chrono::steady_clock;

double usSince(Steady::time_point start) {
  return std::chrono::duration<double, std::micro>(Steady::now() - start).count();
}

std::vector<std::string> makeTexts() {
  std::mt19937 gen(11);
  static const char* const kWords[] = {
      "clipboard", "record", "copy",    "history", "paste", "search", "\xE6\x96\x87\xE5\xAD\x97",
      "window",    "tab",    "snippet", "link",    "x"};
  std::vector<std::string> out;
  for (int i = 0; i < 5000; ++i) {
    std::string text;
    int words = std::uniform_int_distribution<int>(3, 200)(gen);
    for (int w = 0; w < words; ++w) text += std::string(w ? " " : "") + kWords[gen() % 12];
    if (i % 7 == 0) text += "\nsecond line";
    out.push_back(std::move(text));
  }
  return out;
}

class Rows : public vl::ui::TableViewDataSource, public vl::ui::TableViewDelegate {
 public:
  long numberOfRowsInTableView(vl::ui::TableView&) override { return 1000; }
  std::shared_ptr<vl::ui::TableRowView> tableViewRowViewForRow(vl::ui::TableView& table, long) override {
    auto v = std::dynamic_pointer_cast<vl::ui::TableRowView>(table.makeViewWithIdentifier("row_reuse"));
    if (!v) {
      v = vl::ui::TableRowView::create();
      v->setIdentifier("row_reuse");
    }
    return v;
  }
};

}  // namespace

int main() {
  const std::vector<std::string> texts = makeTexts();
  const vl::ui::Font font = vl::ui::Font::systemFont(13);
  std::size_t sink = 0;

  auto start = Steady::now();
  for (const auto& t : texts) sink += vl::utf16Length(t);
  double baseline = usSince(start);
  start = Steady::now();
  for (const auto& t : texts) sink += vl::ui::TextLayout(t, font, 320).lineCount();
  double layout = usSince(start);
  start = Steady::now();
  for (const auto& t : texts) sink += vl::ui::TextMetrics::truncateTail(t, font, 320).size();
  double truncate = usSince(start);
  const double n = static_cast<double>(texts.size());
  std::printf("texts: %zu, sink %zu\n", texts.size(), sink);
  std::printf("baseline  %8.3f us/text\n", baseline / n);
  std::printf("layout    %8.3f us/text  (%.1fx baseline)\n", layout / n, layout / baseline);
  std::printf("truncate  %8.3f us/text  (%.1fx baseline)\n", truncate / n, truncate / baseline);

  auto rows = std::make_shared<Rows>();
  auto scroll = vl::ui::ScrollView::create({0, 0, 340, 384});
  auto table = vl::ui::TableView::create();
  table->addTableColumn(vl::ui::TableColumn::create("display"));
  table->setRowHeight(32);
  table->setDataSource(rows);
  table->setDelegate(rows);
  scroll->setDocumentView(table);
  table->reloadData();
  const int steps = 2 * 1000 - 24;
  start = Steady::now();
  for (int s = 0; s < steps; ++s) {
    auto [first, count] = table->rowsInRect({0, s * 16.0, 340, 384});
    sink += static_cast<std::size_t>(first + count);
  }
  double rects = usSince(start);
  start = Steady::now();
  for (int s = 0; s < steps; ++s) scroll->contentView()->scrollToPoint({0, s * 16.0});
  double tile = usSince(start);
  std::printf("table steps: %d, row views alive at the end: %zu, pooled: %zu\n", steps,
              table->rowsWithRowViews().size(), table->reusableViewCount());
  std::printf("rects     %8.3f us/step\n", rects / steps);
  std::printf("tile      %8.3f us/step  (%.1fx rects)\n", tile / steps, tile / rects);
  return sink == 0 ? 1 : 0;
}
