#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "VLEngine/search/DisplayAttributedString.h"
#include "VLEngine/search/SearchHistory.h"
#include "VLEngine/search/Vellisto_Master.h"
#include "Windows/Main/ChunkContent.h"
#include "Windows/Main/list/HintTable2.h"
#include "platform/dispatch/Dispatch.h"
#include "theme/VLFont.h"
#include "ui/WidgetTestSupport.h"

namespace vl {
namespace {

// The result channel's hand-over, as the search workers do it: a worker thread delivers the rows and
// the main thread shows them. Run under ThreadSanitizer with the threaded suites.
using ResultHandOverTest = test::WidgetTest;

DisplayRows rowsOf(std::initializer_list<const char*> texts) {
  DisplayRows rows;
  for (const char* text : texts)
    rows.push_back(DisplayAttributedString::resultRow(text, std::vector<Range>{}, VLFont::mainFont()));
  return rows;
}

TEST_F(ResultHandOverTest, AWorkerWaitsUntilTheMainThreadShowedItsRows) {
  std::atomic<bool> returned{false};
  bool shownBeforeReturn = false;
  HintTableHooks hooks;
  hooks.refreshThinkingBar = [&] { shownBeforeReturn = !returned.load(); };
  auto content = ChunkContent::create(std::move(hooks));
  const DisplayRows rows = rowsOf({"alpha", "beta", "gamma"});

  std::thread worker([&] {
    content->receivedData(rows, SearchHistory::kReplayTaskId, false);
    returned = true;
    dispatch::Queue::main()->async([] {});  // wakes the loop below
  });
  dispatch::MainLoop::runWhile([&] { return !returned.load(); });
  worker.join();

  EXPECT_TRUE(shownBeforeReturn);
  EXPECT_EQ(content->hintTable()->getDataSource().size(), rows.size());
  SearchHistory::shared().clean();
}

TEST_F(ResultHandOverTest, RowsOfAnOvertakenSearchAreDroppedWithoutWaitingForTheMainThread) {
  auto content = ChunkContent::create();
  auto newer = Vellisto_Task::make(Vellisto_Task::kSearch, 1, "newer");
  Vellisto_Master::shared().insertTask(newer);
  const auto stale = static_cast<std::int64_t>(newer->taskId()) - 1;

  // The main thread runs nothing meanwhile: a worker that waited for it would never be joined.
  std::thread worker([&] { content->receivedData(rowsOf({"old"}), stale, false); });
  worker.join();
  Vellisto_Master::shared().removeTask(newer);

  dispatch::MainLoop::runUntilIdle();
  EXPECT_TRUE(content->hintTable()->getDataSource().empty());
}

}  // namespace
}  // namespace vl
