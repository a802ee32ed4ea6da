#include "VLEngine/search/ApplicationSearching.h"

#include <mutex>

#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "core/apps/AppInstalledManager.h"

namespace vl {

namespace {

class SharedInstalledIndex : public InstalledApplicationIndex {
 public:
  bool isInstalled(const std::string& name) override {
    return AppInstalledManager::shared().isInstalled(name);
  }
};

struct IndexSlot {
  std::mutex mutex;
  std::shared_ptr<InstalledApplicationIndex> index;
};

IndexSlot& slot() {
  static IndexSlot* s = new IndexSlot();
  return *s;
}

}  // namespace

void ApplicationSearching::setInstalledIndex(std::shared_ptr<InstalledApplicationIndex> index) {
  std::lock_guard<std::mutex> lock(slot().mutex);
  slot().index = std::move(index);
}

std::shared_ptr<InstalledApplicationIndex> ApplicationSearching::installedIndex() {
  std::lock_guard<std::mutex> lock(slot().mutex);
  if (!slot().index) slot().index = std::make_shared<SharedInstalledIndex>();
  return slot().index;
}

bool ApplicationSearching::matched(const Vellisto_Chunk& chunk) { return chunk.jsonHasApp(); }

bool ApplicationSearching::needDrop(const Vellisto_Chunk& chunk) {
  return !installedIndex()->isInstalled(chunk.context());
}

}  // namespace vl
