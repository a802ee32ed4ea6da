#pragma once

#include <memory>
#include <string>

#include "platform/system/Sound.h"

namespace vl {

namespace dispatch {
class Queue;
}

// Sounds through libcanberra, which hands them to the desktop's sound server. Every call into the
// library runs on a serial queue of its own: opening the connection may wait on the server, and the
// caller (often the main thread) must never wait with it. A play that fails is logged once per file
// and reason.
class CanberraSoundPlayer final : public SoundPlayer {
 public:
  // `driver` picks a libcanberra backend by name ("" lets the library choose); nullptr when the
  // library cannot make a context at all.
  static std::shared_ptr<CanberraSoundPlayer> create(const std::string& driver = {});

  void play(const std::string& path, double volume) override;
  void playAlert() override;

  // Waits until the plays asked for so far have been handed to the library (tests).
  void waitUntilHandedOver();

  struct State;

 private:
  CanberraSoundPlayer(std::shared_ptr<State> state, std::shared_ptr<dispatch::Queue> queue);

  std::shared_ptr<State> state_;
  std::shared_ptr<dispatch::Queue> queue_;
};

}  // namespace vl
