// The record list over a history of 100,000 records (the search benchmark's kind of texts, mixed
// languages, in 100 docs): how long the main thread takes from a result arriving to the list's next
// painted frame, and for one selection move, against the cost of painting a frame of the unchanged list
// in the same run. A frame is the window's display list recorded and painted with Cairo and Pango.
//
//   unchanged   record and paint the whole window, nothing changed (the baseline)
//   result      hand the rows to the list, show them, record and paint
//   move        one Down, record and paint only the two rows it changed (what a window server repaints)
//   move+full   one Down, record and paint the whole window
//
// Usage: bench_record_list [records]   (default 100000)
#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "BenchCorpus.h"
#include "BenchHistory.h"
#include "BenchTiming.h"
#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/memory/FreedMemory.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "VLEngine/search/Vellisto_DisplayChannelDelegate.h"
#include "VLEngine/search/Vellisto_Master.h"
#include "Windows/Main/list/HintTable2.h"
#include "core/keys/LocalShortcutsManager.h"
#include "pins/PinManager.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "platform/system/paint/CairoPainter.h"
#include "platform/system/paint/DesktopPainting.h"
#include "theme/VLThemeCategories.h"
#include "theme/VLThemeManager.h"
#include "ui/VLWindow.h"

namespace {

using vl::bench::median;
using vl::bench::msSince;
using vl::bench::Steady;
constexpr int kDocs = 100;
constexpr int kRounds = 41;

// Keeps the rows of the last task for the main thread.
class Channel : public vl::Vellisto_DisplayChannelDelegate {
 public:
  void receivedData(const vl::DisplayRows& rows, std::int64_t taskId, bool) override {
    std::lock_guard<std::mutex> lock(mutex_);
    last_ = taskId;
    rows_ = rows;
    cv_.notify_all();
  }
  vl::DisplayRows wait(std::int64_t taskId) {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [&] { return last_ >= taskId; });
    return rows_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::int64_t last_ = 0;
  vl::DisplayRows rows_;
};

void silence(const std::string&) {}

// Records the window and paints it (or only `dirty`) into the surface.
void frame(vl::ui::Window& window, cairo_surface_t* surface,
           std::optional<vl::ui::Rect> dirty = std::nullopt) {
  window.display();
  cairo_t* cr = cairo_create(surface);
  vl::paint::PaintOptions options;
  options.height = window.contentRect().height();
  options.dirty = dirty;
  vl::paint::paintDisplayList(cr, window.displayList(), options);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
}

}  // namespace

int main(int argc, char** argv) {
  vl::FreedMemory::atStart();
  const int records = argc > 1 ? std::max(kDocs, std::atoi(argv[1])) : 100000;
  const int perDoc = records / kDocs;
  vl::setLogSink(&silence);
  vl::dispatch::MainLoop::adoptCurrentThread();
  vl::paint::installDesktopPainting();
  vl::VLThemeManager::load();

  // ---- the history, as the search benchmark builds it: docs in memory only ----
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vl-bench-list-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder / "pin");
  vl::bench::Corpus corpus(42);
  vl::bench::DocChain docs = vl::bench::memoryDocChain(kDocs, folder);
  docs.pop_back();
  vl::bench::fillDocs(docs, perDoc, corpus);
  vl::bench::openClipboardTab(docs, folder);
  vl::VLEngine& engine = vl::VLEngine::shared();
  auto channel = std::make_shared<Channel>();
  engine.setChannel(channel);
  auto rowsOf = [&](const std::string& query) {
    const auto id = static_cast<std::int64_t>(vl::Vellisto_Master::shared().getAtomTaskId()) + 1;
    engine.cleanMatchedChunks();
    if (query.empty()) {
      engine.noneInput();
    } else {
      engine.seach(query);
    }
    return channel->wait(id);
  };

  // ---- the list in a window ----
  std::string query;
  vl::HintTableHooks hooks;
  hooks.searchText = [&] { return query; };
  hooks.loadMore = [] {};
  auto window = vl::VLWindow::create({60, 60, 352, 400}, vl::ui::WindowStyle::Titled);
  vl::setBackgroundColorAssetKey(*window, "classicBackgroundColor");
  auto list = vl::HintTable2::create(hooks);
  list->setFrameOrigin({0, 8});
  window->contentView()->addSubview(list);
  const vl::ui::Rect content = window->contentRect();
  cairo_surface_t* surface = cairo_image_surface_create(
      CAIRO_FORMAT_ARGB32, static_cast<int>(content.width()), static_cast<int>(content.height()));

  const std::vector<std::string> queries = {"", "the", "server", "layout", "zen", "merge request"};
  std::vector<vl::DisplayRows> results;
  std::size_t rowCount = 0;
  for (const auto& q : queries) {
    results.push_back(rowsOf(q));
    rowCount += results.back().size();
  }
  std::printf("record list benchmark: %d records in %d docs, %zu results of %.0f rows on average\n",
              perDoc * kDocs, kDocs, results.size(), double(rowCount) / results.size());

  std::vector<double> unchanged, result, move, moveFull;
  for (int round = 0; round < kRounds; ++round) {
    const std::size_t k = round % results.size();
    query = queries[k];
    auto t0 = Steady::now();
    list->refreshDataSource(results[k], false);
    list->reload();
    frame(*window, surface);
    result.push_back(msSince(t0));

    t0 = Steady::now();
    frame(*window, surface);
    unchanged.push_back(msSince(t0));

    t0 = Steady::now();
    const long before = list->tableView()->selectedRow();
    list->responderDown();
    const long after = list->tableView()->selectedRow();
    vl::ui::Rect dirty = list->tableView()->rectOfRow(before).unionWith(list->tableView()->rectOfRow(after));
    dirty = list->tableView()->convertRectToView(dirty, nullptr);
    frame(*window, surface, dirty);
    move.push_back(msSince(t0));

    t0 = Steady::now();
    list->responderDown();
    frame(*window, surface);
    moveFull.push_back(msSince(t0));
  }
  const double base = median(unchanged);
  std::printf("unchanged   %7.3f ms per frame (baseline)\n", base);
  std::printf("result      %7.3f ms  (%.2fx baseline; goal under 4 ms: %s)\n", median(result),
              median(result) / base, median(result) < 4 ? "met" : "missed");
  std::printf("move        %7.3f ms  (%.2fx baseline; goal under 1 ms: %s)\n", median(move),
              median(move) / base, median(move) < 1 ? "met" : "missed");
  std::printf("move+full   %7.3f ms  (%.2fx baseline)\n", median(moveFull), median(moveFull) / base);
  std::printf("row views alive: %zu for %zu rows\n", list->tableView()->rowsWithRowViews().size(),
              list->getDataSource().size());
  cairo_surface_destroy(surface);
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return 0;
}
