#include "platform/ui/window/OpenPanel.h"

#include <filesystem>
#include <system_error>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"

namespace vl::ui {

namespace {

OpenPanel::Answerer& answerer() {
  static OpenPanel::Answerer a;
  return a;
}

std::vector<std::weak_ptr<OpenPanel>>& shown() {
  static std::vector<std::weak_ptr<OpenPanel>> list;
  return list;
}

}  // namespace

void OpenPanel::setHeadlessAnswerer(Answerer a) { answerer() = std::move(a); }

const std::vector<std::weak_ptr<OpenPanel>>& OpenPanel::shownPanels() { return shown(); }

void OpenPanel::clearShownPanels() { shown().clear(); }

long OpenPanel::answer() {
  urls_.clear();
  shown().push_back(weak_from_this());
  visible_ = true;
  std::optional<std::vector<std::string>> picked;
  if (Answerer a = answerer()) picked = a(*this);
  visible_ = false;
  if (!picked) return ModalResponse::Cancel;
  for (const std::string& path : *picked) {
    std::error_code ec;
    std::filesystem::path p(path);
    auto status = std::filesystem::status(p, ec);
    bool exists = !ec && std::filesystem::exists(status);
    bool isDir = exists && std::filesystem::is_directory(status);
    const char* why = nullptr;
    if (!p.is_absolute()) {
      why = "is not an absolute path";
    } else if (!exists) {
      why = "does not exist";
    } else if (isDir && !canChooseDirectories_) {
      why = "is a folder and only files may be chosen";
    } else if (!isDir && !canChooseFiles_) {
      why = "is a file and only folders may be chosen";
    } else if (!allowsMultiple_ && !urls_.empty()) {
      why = "is one too many: only one item may be chosen";
    }
    if (why) {
      logf("open panel: \"%s\" %s, dropped", path.c_str(), why);
      continue;
    }
    urls_.push_back(path);
  }
  return urls_.empty() ? ModalResponse::Cancel : ModalResponse::OK;
}

void OpenPanel::begin(Completion completion) { beginSheetModalForWindow(nullptr, std::move(completion)); }

void OpenPanel::beginSheetModalForWindow(Window* window, Completion completion) {
  parent_ = window;
  std::shared_ptr<OpenPanel> keep = weak_from_this().lock();
  if (!keep) {
    log("open panel: not held by shared_ptr, not shown");
    return;
  }
  dispatch::Queue::main()->async([keep, completion = std::move(completion)] {
    long response = keep->answer();
    if (completion) completion(response);
    keep->parent_ = nullptr;
  });
}

long OpenPanel::runModal() { return answer(); }

}  // namespace vl::ui
