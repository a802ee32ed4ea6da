#include "platform/system/SystemDictionary.h"

#include "platform/system/desktop/InstalledBackend.h"
#include "platform/system/headless/HeadlessSystemDictionary.h"

namespace vl {

std::shared_ptr<SystemDictionary> SystemDictionary::shared() {
  return InstalledBackend<SystemDictionary, HeadlessSystemDictionary>::get();
}

void SystemDictionary::install(std::shared_ptr<SystemDictionary> backend) {
  InstalledBackend<SystemDictionary, HeadlessSystemDictionary>::install(std::move(backend));
}

}  // namespace vl
