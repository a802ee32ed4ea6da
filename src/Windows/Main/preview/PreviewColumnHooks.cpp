#include "Windows/Main/preview/PreviewColumnHooks.h"

#include "core/VLConstants.h"
#include "ui/panels/MainViewHooks.h"

namespace vl {
namespace {

PreviewColumnHooks& storage() {
  static PreviewColumnHooks hooks;
  return hooks;
}

}  // namespace

const PreviewColumnHooks& PreviewColumnHooks::current() { return storage(); }

void PreviewColumnHooks::install(PreviewColumnHooks hooks) { storage() = std::move(hooks); }

std::string PreviewColumnHooks::tabId() const {
  std::string id = activeTabId ? activeTabId() : std::string();
  return id.empty() ? std::string(kClipboardPinTabId) : id;
}

ui::View* PreviewColumnHooks::hostOrNull() const {
  if (alertHost) return alertHost();
  return MainViewHooks::current().mainViewOrNull();
}

}  // namespace vl
