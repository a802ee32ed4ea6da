#include "platform/ui/text/TextEngine.h"

#include <atomic>

namespace vl::ui {

namespace {

std::atomic<std::shared_ptr<TextEngine>>& installed() {
  static std::atomic<std::shared_ptr<TextEngine>> engine;
  return engine;
}

}  // namespace

void setTextEngine(std::shared_ptr<TextEngine> engine) { installed().store(std::move(engine)); }

std::shared_ptr<TextEngine> textEngine() { return installed().load(); }

}  // namespace vl::ui
