#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace vl::dispatch {
class DelayedBlock;
}

namespace vl::ui {

class Animation;
class Layer;

// Drives layer animations from the main run loop's clock. While animations run, a block on the main queue
// fires every frame (60 Hz) and exactly at the next animation's end, so under a manual clock
// MainLoop::advance(300) finishes a 0.3 s animation, and only then. Finishing an animation removes it
// (unless it asked to stay) and tells its delegate. Main thread only.
class AnimationEngine {
 public:
  static constexpr double kFrameIntervalMs = 1000.0 / 60;

  static AnimationEngine& shared();

  // A layer has a new animation: make sure a tick comes by its end.
  void schedule(Layer& layer);
  // Finishes every animation whose time is up, tells the delegates, then re-arms.
  void tick();
  // Animations added to layers and not yet at their end.
  std::size_t runningCount() const;
  // Called on every tick, for a renderer to redraw at the frame rate.
  void setFrameHook(std::function<void()> hook) { frameHook_ = std::move(hook); }

  // Stops an animation (once): tells its delegate and releases its transaction groups, now or on the next
  // turn of the main queue.
  static void notifyStopped(const std::shared_ptr<Animation>& animation, bool finished, bool later);

 private:
  static void tellStopped(const std::shared_ptr<Animation>& animation, bool finished);
  void rearm();

  std::vector<std::weak_ptr<Layer>> layers_;
  std::shared_ptr<dispatch::DelayedBlock> pending_;
  std::function<void()> frameHook_;
  bool ticking_ = false;
};

}  // namespace vl::ui
