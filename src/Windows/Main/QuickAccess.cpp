#include "Windows/Main/QuickAccess.h"

#include <string>

#include "Windows/Main/WindowCenter.h"
#include "platform/ui/view/ViewController.h"
#include "platform/ui/window/Window.h"

namespace vl {

namespace {

std::shared_ptr<ui::ViewController> contentOf(const std::string& key) {
  std::shared_ptr<ui::Window> window = WindowCenter::shared().windowForKey(key);
  return window ? window->contentViewController() : nullptr;
}

}  // namespace

std::shared_ptr<ui::ViewController> QuickAccess::mainViewController() { return contentOf(kMainWindowKey); }

std::shared_ptr<ui::ViewController> QuickAccess::recordViewController() {
  return contentOf(kRecordWindowKey);
}

}  // namespace vl
