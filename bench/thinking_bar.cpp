// The thinking bar's share of a keystroke. Every search answer selects a row and the bar rebuilds itself
// for the search text and that record: features, matching, and the row of buttons with their labels
// measured by Pango. This times that rebuild for a selected record of 20 characters, of 1 MB of prose and
// of 1 MB of digit lines (every line must be read to know it is a list of numbers), against the record
// store's search for the same keystroke over a history of 100,000 records in the same run. The bar keeps
// what it read of the last long text, so each case is timed twice: with the record staying selected while
// the user types (the usual keystroke), and with a record the bar has not read yet at every keystroke.
//
// Usage: bench_thinking_bar [records]   (default 100000)
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "BenchCorpus.h"
#include "BenchHistory.h"
#include "BenchPaint.h"
#include "BenchTiming.h"
#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/memory/FreedMemory.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "VLEngine/search/SearchQuery.h"
#include "VLEngine/search/Vellisto_DisplayChannelDelegate.h"
#include "VLEngine/search/Vellisto_Master.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/system/paint/DesktopPainting.h"
#include "theme/VLThemeManager.h"
#include "think/Think.h"
#include "think/bar/ThinkingBar.h"

namespace {

using vl::bench::msSince;
using vl::bench::Steady;
constexpr int kDocs = 100;
constexpr int kRounds = 31;
constexpr std::size_t kMegabyte = 1 << 20;

using vl::bench::silence;

std::string prose(vl::bench::Corpus& corpus) {
  std::string text;
  while (text.size() < kMegabyte) text += corpus.next() + "\n";
  return text;
}

std::string digitLines() {
  std::string text;
  for (int i = 0; text.size() < kMegabyte; ++i) text += std::to_string(i * 7919 % 100000) + "\n";
  text.pop_back();
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  vl::FreedMemory::atStart();
  const int records = argc > 1 ? std::max(kDocs, std::atoi(argv[1])) : 100000;
  vl::setLogSink(&silence);
  vl::dispatch::MainLoop::adoptCurrentThread();
  vl::paint::installDesktopPainting();
  vl::VLThemeManager::load();

  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vl-bench-think-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder / "pin");
  vl::bench::Corpus corpus(42);
  vl::bench::DocChain docs = vl::bench::memoryDocChain(kDocs, folder);
  docs.pop_back();
  vl::bench::fillDocs(docs, records / kDocs, corpus);
  vl::bench::openClipboardTab(docs, folder);
  vl::VLEngine& engine = vl::VLEngine::shared();

  // The engine's answer to one keystroke, to a channel that only notes it.
  auto keep = std::make_shared<vl::bench::AnsweredTasks>();
  engine.setChannel(keep);
  std::string searched;
  auto searchMs = [&](const std::string& query) {
    const auto id = static_cast<std::int64_t>(vl::Vellisto_Master::shared().getAtomTaskId()) + 1;
    const auto t0 = Steady::now();
    if (!vl::SearchQuery::narrows(searched, query)) engine.cleanMatchedChunks();
    searched = query;
    engine.seach(query);
    keep->waitFor(id);
    return msSince(t0);
  };

  struct Selection {
    const char* name;
    // Two records of the kind: the second is the first with one more line.
    std::shared_ptr<vl::DisplayAttributedString> row, other;
  };
  const auto pair = [](const char* name, const std::string& text, const std::string& more) {
    return Selection{name, vl::DisplayAttributedString::initWithString(text),
                     vl::DisplayAttributedString::initWithString(text + more)};
  };
  const std::string proseText = prose(corpus);
  const std::vector<Selection> selections = {
      pair("20 characters", "serverConfigBuilder1", "2"),
      pair("1 MB of prose", proseText, "\nand one more line"),
      pair("1 MB of digit lines", digitLines(), "\n42"),
  };
  std::string query;
  std::shared_ptr<vl::DisplayAttributedString> selected;
  vl::ThinkingBar::Host host;
  host.searchText = [&] { return std::optional<std::string>(query); };
  host.selectedRow = [&] { return selected; };
  auto bar = vl::ThinkingBar::create(host);

  const std::string word = "server";
  std::vector<double> search;
  for (int round = 0; round < kRounds; ++round) {
    for (std::size_t k = 0; k < word.size(); ++k) search.push_back(searchMs(word.substr(0, k + 1)));
  }
  const double searchMedian = vl::bench::median(search);
  std::printf("thinking bar benchmark: %d records; a keystroke of \"%s\" searches in %.3f ms (median)\n",
              records, word.c_str(), searchMedian);

  for (const Selection& s : selections) {
    std::vector<double> whole, fresh, features, matching;
    std::size_t buttons = 0;
    for (int round = 0; round < kRounds; ++round) {
      for (std::size_t k = 0; k < word.size(); ++k) {
        query = word.substr(0, k + 1);
        selected = (round * word.size() + k) % 2 ? s.other : s.row;
        auto t0 = Steady::now();
        bar->refresh();
        fresh.push_back(msSince(t0));
        t0 = Steady::now();
        bar->refresh();
        whole.push_back(msSince(t0));
        buttons = bar->actionButtons().size();
        // The parts on their own: the engine's features, then the matching.
        t0 = Steady::now();
        auto think = vl::Think::dump(query, selected->string(), selected->json());
        features.push_back(msSince(t0));
        t0 = Steady::now();
        const auto actions = think->getActions();
        matching.push_back(msSince(t0));
      }
    }
    const double w = vl::bench::median(whole), f = vl::bench::median(features),
                 m = vl::bench::median(matching);
    const double n = vl::bench::median(fresh);
    std::printf(
        "bar refresh, %-20s %7.3f ms  (features %.3f, matching %.3f, layout of %zu buttons %.3f; "
        "%.1f%% of the search; goal under 1 ms: %s)\n",
        s.name, w, f, m, buttons, std::max(0.0, w - f - m), 100.0 * w / searchMedian,
        w < 1 ? "met" : "missed");
    std::printf("            a record not read yet %7.3f ms  (%.1f%% of the search; goal under 1 ms: %s)\n",
                n, 100.0 * n / searchMedian, n < 1 ? "met" : "missed");
  }
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return 0;
}
