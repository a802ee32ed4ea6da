#include "Windows/Main/preview/CustomView.h"

#include <map>

#include "Windows/Main/paste/PermissionView.h"
#include "Windows/Main/preview/EmptyView.h"
#include "Windows/Main/preview/FileView.h"
#include "platform/foundation/Check.h"

namespace vl {
namespace {

std::map<std::string, CustomView::Factory>& classes() {
  static std::map<std::string, CustomView::Factory> table = {
      {"FileView", [](const ui::Rect& f) { return FileView::create(f); }},
      {"EmptyView", [](const ui::Rect& f) { return EmptyView::create(f); }},
      {"PermissionView", [](const ui::Rect& f) { return PermissionView::create(f); }},
  };
  return table;
}

}  // namespace

void CustomView::registerClass(const std::string& name, Factory factory) {
  VL_DCHECK_ON_MAIN();
  if (factory) {
    classes()[name] = std::move(factory);
  } else {
    classes().erase(name);
  }
}

bool CustomView::isKnown(const std::string& name) { return classes().count(name) != 0; }

std::shared_ptr<CustomView> CustomView::make(const std::string& name, const ui::Rect& frame) {
  VL_DCHECK_ON_MAIN();
  auto it = classes().find(name);
  return it == classes().end() ? nullptr : it->second(frame);
}

}  // namespace vl
