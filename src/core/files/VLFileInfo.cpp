#include "core/files/VLFileInfo.h"

#include <mutex>

#include "platform/foundation/Url.h"
#include "platform/system/UniformType.h"
#include "platform/system/desktop/Workspace.h"

namespace vl {

namespace {

std::mutex& loaderMutex() {
  static std::mutex m;
  return m;
}

VLFileInfo::ImageFileLoader& loader() {
  static VLFileInfo::ImageFileLoader l;
  return l;
}

}  // namespace

bool VLFileInfo::isImageType() const { return uti::conformsTo(uti_, uti::kImage); }

void VLFileInfo::setImageFileLoader(ImageFileLoader l) {
  std::lock_guard lock(loaderMutex());
  loader() = std::move(l);
}

bool VLFileInfo::hasImageFileLoader() {
  std::lock_guard lock(loaderMutex());
  return static_cast<bool>(loader());
}

ui::ImageRef VLFileInfo::getIcon(double points) const {
  // The path comes from a file URL, so the file on disk is its decoded form.
  const std::string decoded = percentDecode(path_);
  if (isImageType()) {
    ImageFileLoader load;
    {
      std::lock_guard lock(loaderMutex());
      load = loader();
    }
    if (load) {
      if (auto image = load(decoded); image && image->isValid()) return image;
    }
  }
  return Workspace::shared()->iconForFile(decoded, points);
}

}  // namespace vl
