#include "platform/system/desktop/CanberraSoundPlayer.h"

#include <canberra.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"

namespace vl {

struct CanberraSoundPlayer::State {
  ca_context* context = nullptr;
  bool opened = false;
  bool openFailed = false;
  // Failures already logged, as "file\nreason", so a copy sound that cannot play says so once.
  std::set<std::string> told;

  ~State() {
    if (context) ca_context_destroy(context);
  }

  void report(const std::string& what, int code) {
    if (told.size() < 64 && told.insert(what + '\n' + std::to_string(code)).second) {
      logWarningf("sound: %s cannot play (%s)", what.c_str(), ca_strerror(code));
    }
  }

  // Connecting happens on first use, on the sound queue.
  bool open() {
    if (opened) return true;
    if (openFailed) return false;
    const int result = ca_context_open(context);
    if (result != CA_SUCCESS) {
      openFailed = true;
      logWarningf("sound: no sound server (%s); sounds stay silent", ca_strerror(result));
      return false;
    }
    opened = true;
    return true;
  }
};

std::shared_ptr<CanberraSoundPlayer> CanberraSoundPlayer::create(const std::string& driver) {
  auto state = std::make_shared<State>();
  if (const int result = ca_context_create(&state->context); result != CA_SUCCESS) {
    state->context = nullptr;
    logWarningf("sound: libcanberra has no context (%s)", ca_strerror(result));
    return nullptr;
  }
  if (!driver.empty()) ca_context_set_driver(state->context, driver.c_str());
  ca_context_change_props(state->context, CA_PROP_APPLICATION_NAME, "Vellisto", CA_PROP_APPLICATION_ID,
                          "vellisto", nullptr);
  return std::shared_ptr<CanberraSoundPlayer>(
      new CanberraSoundPlayer(std::move(state), dispatch::Queue::serial("vellisto.sound")));
}

CanberraSoundPlayer::CanberraSoundPlayer(std::shared_ptr<State> state, std::shared_ptr<dispatch::Queue> queue)
    : state_(std::move(state)), queue_(std::move(queue)) {}

void CanberraSoundPlayer::play(const std::string& path, double volume) {
  // Loudness in decibels, the library's unit; silence is as quiet as it goes.
  const double clamped = std::clamp(volume, 0.0, 1.0);
  const double decibels = clamped > 0 ? 20.0 * std::log10(clamped) : -96.0;
  char level[32];
  std::snprintf(level, sizeof level, "%.2f", decibels);
  queue_->async([state = state_, path, volume = std::string(level)] {
    if (!state->open()) return;
    // Kept by the sound server after the first play, so repeated copies do not read the file again.
    const int result = ca_context_play(
        state->context, 0, CA_PROP_MEDIA_FILENAME, path.c_str(), CA_PROP_CANBERRA_VOLUME, volume.c_str(),
        CA_PROP_CANBERRA_CACHE_CONTROL, "permanent", CA_PROP_MEDIA_ROLE, "event", nullptr);
    if (result != CA_SUCCESS) state->report(path, result);
  });
}

void CanberraSoundPlayer::playAlert() {
  queue_->async([state = state_] {
    if (!state->open()) return;
    const int result = ca_context_play(state->context, 0, CA_PROP_EVENT_ID, "bell-window-system",
                                       CA_PROP_EVENT_DESCRIPTION, "Alert", nullptr);
    if (result != CA_SUCCESS) state->report("the alert sound", result);
  });
}

void CanberraSoundPlayer::waitUntilHandedOver() {
  queue_->sync([] {});
}

}  // namespace vl
