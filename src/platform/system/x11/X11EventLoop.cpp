#include "platform/system/x11/X11EventLoop.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

#include "platform/foundation/Log.h"

namespace vl::x11 {

X11EventLoop::X11EventLoop(std::unique_ptr<X11Display> display) : display_(std::move(display)) {
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd_ < 0)
    logWarning("X11: no wake-up descriptor for the event thread; it will react on its tick only");
}

X11EventLoop::~X11EventLoop() {
  stop();
  if (wakeFd_ >= 0) close(wakeFd_);
}

void X11EventLoop::start(const std::string& threadName, EventHandler onEvent, std::function<void()> onTick,
                         int tickMs) {
  onEvent_ = std::move(onEvent);
  onTick_ = std::move(onTick);
  tickMs_ = tickMs > 0 ? tickMs : 250;
  thread_ = std::thread([this, threadName] { run(threadName); });
}

void X11EventLoop::stop() {
  if (!thread_.joinable()) return;
  stopping_ = true;
  wake();
  thread_.join();
}

void X11EventLoop::post(std::function<void()> work) {
  {
    MutexLock lock(mutex_);
    work_.push_back(std::move(work));
  }
  wake();
}

void X11EventLoop::wake() {
  if (wakeFd_ < 0) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = write(wakeFd_, &one, sizeof one);
}

void X11EventLoop::run(const std::string& threadName) {
  pthread_setname_np(pthread_self(), threadName.substr(0, 15).c_str());
  Display* dpy = display_->get();
  while (!stopping_) {
    for (;;) {
      std::function<void()> work;
      {
        MutexLock lock(mutex_);
        if (work_.empty()) break;
        work = std::move(work_.front());
        work_.pop_front();
      }
      work();
    }
    // XPending flushes what the work wrote and reads what the server sent.
    while (!stopping_ && XPending(dpy) > 0) {
      XEvent event;
      XNextEvent(dpy, &event);
      if (onEvent_) onEvent_(event);
    }
    if (onTick_) onTick_();
    XFlush(dpy);
    if (stopping_) break;
    if (XEventsQueued(dpy, QueuedAlready) > 0) continue;
    {
      MutexLock lock(mutex_);
      if (!work_.empty()) continue;
    }
    pollfd fds[2] = {{ConnectionNumber(dpy), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    const bool tick = !tickWanted_ || tickWanted_() || wakeFd_ < 0;
    poll(fds, wakeFd_ >= 0 ? 2 : 1, tick ? tickMs_ : -1);
    if (wakeFd_ >= 0 && (fds[1].revents & POLLIN)) {
      std::uint64_t count = 0;
      [[maybe_unused]] ssize_t n = read(wakeFd_, &count, sizeof count);
    }
  }
}

}  // namespace vl::x11
