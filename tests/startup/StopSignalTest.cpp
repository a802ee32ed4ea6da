#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "startup/StartupTestSupport.h"
#include "startup/StopSignals.h"

namespace vl::test {
namespace {

using StopSignalTest = StartupFixture;

// The ways a stop signal reaches a program whose main thread is busy (here: this test, which runs no
// main queue while it waits): after the grace the records already appended are written from the
// signal's thread and the process ends with everything saved; a second signal does so at once. The quit
// posted to the main queue never ran.
TEST_F(StopSignalTest, ABusyMainThreadIsStoppedOnceTheRecordsAreWritten) {
  struct Case {
    const char* name;
    int signals;
    double graceMs;
  };
  for (const Case& c : {Case{"after the grace", 1, 200}, Case{"on a second signal", 2, 600000}}) {
    SCOPED_TRACE(c.name);
    startProgram();
    for (int i = 0; i < 200; ++i)
      VLEngine::shared().append(std::string(c.name) + " record " + std::to_string(i), std::nullopt,
                                std::nullopt, kClip);

    struct Exit {
      std::mutex mutex;
      std::condition_variable changed;
      std::optional<int> status;
    };
    auto exited = std::make_shared<Exit>();
    auto quitRan = std::make_shared<bool>(false);
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGRTMIN + 3);  // queued: a second one sent at once is not merged into the first
    StopSignals::Options options;
    options.graceMs = c.graceMs;
    options.quit = [quitRan] { *quitRan = true; };
    options.exit = [exited](int status) {
      std::lock_guard<std::mutex> lock(exited->mutex);
      exited->status = status;
      exited->changed.notify_all();
    };
    const pthread_t watcher = StopSignals::watch(signals, options);
    for (int i = 0; i < c.signals; ++i) ASSERT_EQ(::pthread_kill(watcher, SIGRTMIN + 3), 0);

    std::unique_lock<std::mutex> lock(exited->mutex);
    ASSERT_TRUE(exited->changed.wait_for(lock, std::chrono::seconds(20), [&] {
      return exited->status.has_value();
    })) << "a busy main thread kept the program from stopping";
    EXPECT_EQ(*exited->status, 0);
    lock.unlock();
    EXPECT_FALSE(*quitRan);
    // Read before the fixture's own stop writes anything.
    std::optional<std::string> doc = firstDocText();
    ASSERT_TRUE(doc);
    for (int i : {0, 199})
      EXPECT_NE(doc->find(std::string(c.name) + " record " + std::to_string(i)), std::string::npos) << i;
    dispatch::MainLoop::runUntilIdle();
    EXPECT_TRUE(*quitRan);
  }
}

}  // namespace
}  // namespace vl::test
