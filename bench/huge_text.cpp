// Huge texts in the main window, each timed from the action to its first painted frame (the window's
// display list recorded and painted with Cairo and Pango), against a goal of 50 ms:
//   detail    a record of 10 MB opened in the detail view (Shift+Return), as lines and as one line;
//   preview   the same record shown in the preview beside the list (a row selected);
//   field     a line of 1 MB pasted into the search field, the window's own work on it (the search it
//             starts runs on the engine's queues and is not waited for).
// Each is also run with a text of 1 KB in the same process: the ratio shows what the size still costs.
//
// Usage: bench_huge_text [megabytes [detail|preview|field]]   (default 10 MB, every step; the pasted line
// is a tenth of the record)
#include <cairo.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "BenchHistory.h"
#include "BenchPaint.h"
#include "BenchTiming.h"
#include "VLEngine/doc/memory/FreedMemory.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/MainViewController.h"
#include "Windows/Main/MainWindow.h"
#include "Windows/Main/SearchInput2.h"
#include "Windows/Main/WindowCenter.h"
#include "Windows/Main/detail/DetailView.h"
#include "Windows/Main/preview/PreviewView2.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/system/paint/CairoPainter.h"
#include "platform/system/paint/DesktopPainting.h"
#include "platform/ui/text/TextPasteboard.h"
#include "platform/ui/text/TextView.h"
#include "theme/VLFont.h"
#include "theme/VLThemeManager.h"
#include "ui/VLWindow.h"

namespace {

using vl::bench::msSince;
using vl::bench::Steady;
constexpr int kRounds = 5;
constexpr double kGoalMs = 50;

using vl::bench::paintFrame;
using vl::bench::silence;

// Lines of 40 to 120 characters of words, or one line, `bytes` long.
std::string makeText(std::size_t bytes, bool lines) {
  static const char* const kWords[] = {
      "server", "request", "copied", "window", "history", "record", "\xE6\x96\x87\xE5\xAD\x97",
      "paste",  "42",      "timeout"};
  std::string text;
  text.reserve(bytes + 16);
  std::size_t line = 0;
  for (unsigned n = 7; text.size() < bytes; n = n * 1103515245u + 12345u) {
    const char* word = kWords[(n >> 16) % 10];
    text += word;
    line += std::char_traits<char>::length(word) + 1;
    if (lines && line > 40 + (n >> 8) % 80) {
      text += '\n';
      line = 0;
    } else {
      text += ' ';
    }
  }
  text.resize(bytes);
  while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
  if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xC0) text.pop_back();
  return text;
}

// The row a search for "copied" gives the text: every match highlighted.
std::shared_ptr<vl::DisplayAttributedString> rowOf(const std::string& text) {
  std::vector<vl::Range> ranges;
  std::size_t units = 0, counted = 0;  // UTF-16 units up to byte `counted`
  for (std::size_t at = text.find("copied"); at != std::string::npos && ranges.size() < 100000;
       at = text.find("copied", at + 6)) {
    units += vl::utf16Length(std::string_view(text).substr(counted, at - counted));
    counted = at;
    ranges.emplace_back(units, 6);
  }
  return vl::DisplayAttributedString::resultRow(text, ranges, vl::VLFont::mainFont());
}

struct Timing {
  double large = 0;
  double small = 0;
};

void report(const char* what, const Timing& t) {
  std::printf("%-34s %9.3f ms  (1 KB: %.3f ms, %.1fx; goal under %.0f ms: %s)\n", what, t.large, t.small,
              t.large / t.small, kGoalMs, t.large < kGoalMs ? "met" : "missed");
}

}  // namespace

int main(int argc, char** argv) {
  vl::FreedMemory::atStart();
  const std::size_t megabytes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  const std::size_t bytes = megabytes << 20;
  vl::setLogSink(&silence);
  vl::dispatch::MainLoop::adoptCurrentThread();
  vl::paint::installDesktopPainting();
  vl::VLThemeManager::load();
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("vl-bench-huge-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder / "pin");
  vl::bench::Corpus corpus(7);
  vl::bench::DocChain docs = vl::bench::memoryDocChain(2, folder);
  docs.pop_back();
  vl::bench::fillDocs(docs, 200, corpus);
  vl::bench::openClipboardTab(docs, folder);

  auto window = vl::MainWindow::create();
  auto controller = vl::MainViewController::create();
  window->setContentViewController(controller);
  window->setFrame({100, 100, 680, 513}, false);
  vl::WindowCenter::shared().registerWindow(window, vl::kMainWindowKey);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 680, 513);

  auto detailWindow = vl::VLWindow::create({0, 0, 680, 460}, vl::ui::WindowStyle::Titled);
  auto previewWindow = vl::VLWindow::create({0, 0, vl::PreviewView2::kWidth, vl::PreviewView2::kHeight},
                                            vl::ui::WindowStyle::Titled);
  auto preview = vl::PreviewView2::create();
  previewWindow->contentView()->addSubview(preview);
  paintFrame(*previewWindow, surface);

  auto timeIt = [&](const std::function<void()>& action, vl::ui::Window& painted) {
    std::vector<double> runs;
    for (int round = 0; round < kRounds; ++round) {
      const auto t0 = Steady::now();
      action();
      paintFrame(painted, surface);
      runs.push_back(msSince(t0));
      vl::dispatch::MainLoop::runUntilIdle();
    }
    return vl::bench::median(runs);
  };
  std::shared_ptr<vl::DetailView> shown;
  auto detail = [&](const std::string& text) {
    auto row = rowOf(text);
    return timeIt(
        [&] {
          if (shown) shown->removeFromSuperview();
          shown = vl::DetailView::create({0, 0, 680, 460});
          detailWindow->contentView()->addSubview(shown);
          shown->setFrameSize({680, 460});  // as its slide leaves it
          shown->showRecord(row->mutableAttributedString(), std::nullopt);
        },
        *detailWindow);
  };
  auto previewOf = [&](const std::string& text) {
    auto row = rowOf(text);
    return timeIt([&] { preview->setText(row->mutableAttributedString()); }, *previewWindow);
  };
  // The field edits through its field editor, as when the user typed into it; Ctrl+V pastes there.
  vl::SearchInput2& input = *controller->searchInput();
  auto field = input.textField();
  window->makeFirstResponder(field.get());
  vl::ui::TextView* editor = field->currentEditor();
  if (!editor) {
    std::fprintf(stderr, "the search field does not edit\n");
    return 1;
  }
  auto paste = [&](const std::string& line) {
    return timeIt(
        [&] {
          editor->performEditingCommand("selectAll:");
          vl::ui::TextPasteboard::current()->writeString(line);
          editor->performEditingCommand("paste:");
        },
        *window);
  };

  const std::string small = makeText(1024, true);
  const std::string lines = makeText(bytes, true);
  const std::string oneLine = makeText(bytes, false);
  const std::string pasted = makeText(bytes / 10, false);
  const std::string only = argc > 2 ? argv[2] : "";
  auto wanted = [&](const char* step) { return only.empty() || only == step; };
  std::printf("huge text benchmark: records of %zu MB, a pasted line of %zu KB\n", megabytes,
              pasted.size() >> 10);
  if (wanted("detail")) {
    report("detail view, record of lines", {detail(lines), detail(small)});
    report("detail view, record of one line", {detail(oneLine), detail(makeText(1024, false))});
  }
  if (wanted("preview")) {
    report("preview, record of lines", {previewOf(lines), previewOf(small)});
    report("preview, record of one line", {previewOf(oneLine), previewOf(makeText(1024, false))});
  }
  if (wanted("field")) report("search field, pasted line", {paste(pasted), paste(makeText(1024, false))});

  cairo_surface_destroy(surface);
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return 0;
}
