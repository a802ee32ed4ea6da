#include "platform/system/GlobalEventMonitor.h"

#include <algorithm>

#include "platform/dispatch/Dispatch.h"
#include "platform/system/desktop/InstalledBackend.h"

namespace vl {

std::shared_ptr<GlobalEventMonitor> GlobalEventMonitor::shared() {
  return InstalledBackend<GlobalEventMonitor, HeadlessGlobalEventMonitor>::get();
}

void GlobalEventMonitor::install(std::shared_ptr<GlobalEventMonitor> backend) {
  InstalledBackend<GlobalEventMonitor, HeadlessGlobalEventMonitor>::install(std::move(backend));
}

std::shared_ptr<GlobalEventMonitor::Monitor> GlobalEventMonitor::addGlobalMonitorForEvents(ui::EventMask mask,
                                                                                           Handler handler) {
  auto monitor = std::make_shared<Monitor>(mask, std::move(handler));
  MutexLock lock(mutex_);
  monitors_.push_back(monitor);
  return monitor;
}

void GlobalEventMonitor::removeMonitor(const std::shared_ptr<Monitor>& monitor) {
  if (!monitor) return;
  monitor->removed_ = true;
  MutexLock lock(mutex_);
  monitors_.erase(std::remove(monitors_.begin(), monitors_.end(), monitor), monitors_.end());
}

void GlobalEventMonitor::deliver(const ui::Event& event) {
  std::vector<std::shared_ptr<Monitor>> targets;
  {
    MutexLock lock(mutex_);
    for (const auto& m : monitors_) {
      if (m->mask_ & ui::eventMaskFor(event.type())) targets.push_back(m);
    }
  }
  if (targets.empty()) return;
  dispatch::Queue::main()->async([targets = std::move(targets), event] {
    for (const auto& m : targets) {
      if (!m->removed_ && m->handler_) m->handler_(event);
    }
  });
}

}  // namespace vl
