#pragma once

#include <memory>
#include <string>

namespace vl {

// Short sounds: the copy sound and the alert. Headless by default, where plays are only recorded; the
// desktop backend plays them. play() returns at once on every thread; a sound that cannot play is
// logged and otherwise ignored.
class SoundPlayer {
 public:
  // The copy sound among the program's resources, and the volume it plays at.
  static constexpr const char* kCopySound = "sounds/copy.wav";
  static constexpr double kCopySoundVolume = 0.2;

  virtual ~SoundPlayer() = default;

  static std::shared_ptr<SoundPlayer> shared();
  // nullptr goes back to a fresh headless player.
  static void install(std::shared_ptr<SoundPlayer> player);

  // A sound file at `volume` (0 to 1).
  virtual void play(const std::string& path, double volume) = 0;
  // The desktop's alert sound.
  virtual void playAlert() = 0;

  // The copy sound from the resource folder; nothing (logged once) when the folder lacks it.
  void playCopySound();
};

}  // namespace vl
