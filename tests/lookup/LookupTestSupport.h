#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"

namespace vl::test {

// A fixture page of tests/data/lookup.
inline std::string lookupPage(const std::string& name) {
  return files::readFile(std::string(VL_TEST_DATA_DIR) + "/lookup/" + name).value_or("");
}

// MPEG-1 Layer III frames of silence (128 kbit/s, 44.1 kHz, mono): a header and empty side information
// and data, 1152 samples each, which any decoder reads as quiet.
inline std::string silentMp3(int frames) {
  std::string frame(417, '\0');
  frame[0] = static_cast<char>(0xFF);
  frame[1] = static_cast<char>(0xFB);
  frame[2] = static_cast<char>(0x90);
  frame[3] = static_cast<char>(0xC4);
  std::string out;
  for (int i = 0; i < frames; ++i) out += frame;
  return out;
}

// Runs the main queue until `done` holds; answers are posted there from other threads. A timer thread
// ends the wait after `limit` by posting a wake-up, so a lost answer fails the test instead of hanging it.
inline bool runMainUntil(const std::function<bool()>& done,
                         std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  std::mutex mutex;
  std::condition_variable finished;
  bool over = false, expired = false;
  std::thread timer([&] {
    std::unique_lock lock(mutex);
    if (!finished.wait_for(lock, limit, [&] { return over; })) {
      expired = true;
      dispatch::Queue::main()->async([] {});
    }
  });
  const auto timedOut = [&] {
    std::lock_guard lock(mutex);
    return expired;
  };
  dispatch::MainLoop::runUntilIdle();
  if (!done()) dispatch::MainLoop::runWhile([&] { return !done() && !timedOut(); });
  {
    std::lock_guard lock(mutex);
    over = true;
  }
  finished.notify_all();
  timer.join();
  return done();
}

}  // namespace vl::test
