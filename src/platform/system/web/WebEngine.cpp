#include "platform/system/web/WebEngine.h"

#include "platform/system/web/HeadlessWebEngine.h"

namespace vl {

namespace {
std::shared_ptr<WebEngine>& slot() {
  static auto* engine = new std::shared_ptr<WebEngine>();
  return *engine;
}
}  // namespace

std::shared_ptr<WebEngine> WebEngine::installed() {
  if (!slot()) slot() = std::make_shared<HeadlessWebEngine>();
  return slot();
}

void WebEngine::install(std::shared_ptr<WebEngine> engine) { slot() = std::move(engine); }

}  // namespace vl
