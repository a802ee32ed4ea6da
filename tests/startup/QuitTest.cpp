#include "startup/StartupTestSupport.h"

namespace vl::test {
namespace {

using QuitTest = StartupFixture;

// Quitting with records still on their way: appended ones waiting for the doc queue, and one a
// main-queue block appends while quitting waits. All of them are on disk afterwards and no queue
// has a thread left to be inside a write when the exit handlers run.
TEST_F(QuitTest, QueuedRecordsAreWrittenAndEveryQueueThreadIsJoined) {
  startProgram();
  for (int i = 0; i < 50; ++i)
    VLEngine::shared().append("queued " + std::to_string(i), std::nullopt, std::nullopt, kClip);
  dispatch::Queue::main()->async([] {
    Vellisto_BigDoc::persistQueue()->async([] {
      dispatch::Queue::main()->async(
          [] { VLEngine::shared().append("appended while quitting", std::nullopt, std::nullopt, kClip); });
    });
  });
  struct Reopen {
    ~Reopen() { dispatch::MainLoop::reopen(); }
  } reopen;

  ASSERT_TRUE(AppDelegate::finishQueuedWork(30000));
  EXPECT_EQ(dispatch::MainLoop::workerThreadCount(), 0u);
  std::optional<std::string> doc = firstDocText();
  ASSERT_TRUE(doc);
  for (const std::string text : {"queued 0", "queued 49", "appended while quitting"})
    EXPECT_NE(doc->find(text), std::string::npos) << text;
}

}  // namespace
}  // namespace vl::test
