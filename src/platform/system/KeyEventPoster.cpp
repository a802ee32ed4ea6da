#include "platform/system/KeyEventPoster.h"

#include "platform/system/desktop/InstalledBackend.h"
#include "platform/system/headless/HeadlessKeyEventPoster.h"

namespace vl {

std::shared_ptr<KeyEventPoster> KeyEventPoster::shared() {
  return InstalledBackend<KeyEventPoster, HeadlessKeyEventPoster>::get();
}

void KeyEventPoster::install(std::shared_ptr<KeyEventPoster> backend) {
  InstalledBackend<KeyEventPoster, HeadlessKeyEventPoster>::install(std::move(backend));
}

}  // namespace vl
