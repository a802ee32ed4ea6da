#include "platform/system/Sound.h"

#include <atomic>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Resources.h"
#include "platform/system/desktop/InstalledBackend.h"
#include "platform/system/headless/HeadlessSoundPlayer.h"

namespace vl {

std::shared_ptr<SoundPlayer> SoundPlayer::shared() {
  return InstalledBackend<SoundPlayer, HeadlessSoundPlayer>::get();
}

void SoundPlayer::install(std::shared_ptr<SoundPlayer> player) {
  InstalledBackend<SoundPlayer, HeadlessSoundPlayer>::install(std::move(player));
}

void SoundPlayer::playCopySound() {
  const std::string path = resourcePath(kCopySound);
  if (path.empty() || !files::isRegularFile(path)) {
    static std::atomic<bool> told{false};
    if (!told.exchange(true))
      logWarningf("sound: the copy sound %s is missing; copies stay silent", kCopySound);
    return;
  }
  play(path, kCopySoundVolume);
}

}  // namespace vl
