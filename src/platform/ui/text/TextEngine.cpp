#include "platform/ui/text/TextEngine.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace vl::ui {

namespace {

// Read for every text measured, from any thread: a plain atomic pointer, its engines kept alive below.
std::atomic<TextEngine*> gInstalled{nullptr};

}  // namespace

void setTextEngine(std::shared_ptr<TextEngine> engine) {
  static std::mutex mutex;
  static std::vector<std::shared_ptr<TextEngine>> kept;
  std::lock_guard<std::mutex> lock(mutex);
  if (engine && std::find(kept.begin(), kept.end(), engine) == kept.end()) kept.push_back(engine);
  gInstalled.store(engine.get(), std::memory_order_release);
}

TextEngine* textEngine() { return gInstalled.load(std::memory_order_acquire); }

}  // namespace vl::ui
