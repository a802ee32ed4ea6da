#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "platform/ui/view/Event.h"

namespace vl {

// Events that go to other applications: key-down, key-up and flags-changed events with their virtual
// key code and modifier flags, and left or right mouse-downs at their place in global screen
// coordinates (bottom-left origin). This program only watches; the events still reach their target.
// A backend is installed once at start; headless by default.
//
// Handlers run on the main queue, in the order the monitors were added.
class GlobalEventMonitor {
 public:
  using Handler = std::function<void(const ui::Event&)>;

  // Keep it to remove the monitor later.
  class Monitor {
   public:
    Monitor(ui::EventMask mask, Handler handler) : mask_(mask), handler_(std::move(handler)) {}

   private:
    friend class GlobalEventMonitor;
    ui::EventMask mask_;
    Handler handler_;
    std::atomic<bool> removed_{false};
  };

  virtual ~GlobalEventMonitor() = default;

  static std::shared_ptr<GlobalEventMonitor> shared();
  // nullptr goes back to a fresh headless monitor.
  static void install(std::shared_ptr<GlobalEventMonitor> backend);

  std::shared_ptr<Monitor> addGlobalMonitorForEvents(ui::EventMask mask, Handler handler);
  // A removed monitor is not called again, not even for events already on their way.
  void removeMonitor(const std::shared_ptr<Monitor>& monitor);

  // Whether events of other applications can be seen at all on this desktop.
  virtual bool isAvailable() const = 0;

 protected:
  // Backends hand over every event of another application here, from any thread.
  void deliver(const ui::Event& event);

 private:
  mutable Mutex mutex_;
  std::vector<std::shared_ptr<Monitor>> monitors_ VL_GUARDED_BY(mutex_);
};

// Without a desktop: tests play the other applications.
class HeadlessGlobalEventMonitor final : public GlobalEventMonitor {
 public:
  bool isAvailable() const override { return true; }
  // Another application received this event.
  void simulate(const ui::Event& event) { deliver(event); }
};

}  // namespace vl
