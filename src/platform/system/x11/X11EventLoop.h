#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/foundation/Mutex.h"
#include "platform/system/x11/X11Display.h"

namespace vl::x11 {

// A thread that owns one X connection: it hands every event of that connection to a handler and runs
// work posted from other threads, so Xlib is only ever used from this thread for the connection.
// It sleeps in poll() on the connection and a wake-up descriptor; nothing spins.
class X11EventLoop {
 public:
  using EventHandler = std::function<void(XEvent& event)>;

  explicit X11EventLoop(std::unique_ptr<X11Display> display);
  ~X11EventLoop();
  X11EventLoop(const X11EventLoop&) = delete;
  X11EventLoop& operator=(const X11EventLoop&) = delete;

  X11Display& display() { return *display_; }

  // `onTick` runs after each wake-up and at least every `tickMs`.
  void start(const std::string& threadName, EventHandler onEvent, std::function<void()> onTick = {},
             int tickMs = 250);
  // Joins the thread; posted work that has not run is dropped.
  void stop();
  // Set before start: while `wanted` (asked on the loop thread) is false, the thread sleeps until an
  // event or posted work comes, with no tick at all.
  void tickOnlyWhile(std::function<bool()> wanted) { tickWanted_ = std::move(wanted); }

  void post(std::function<void()> work);
  // Runs `work` on the loop thread and waits for its result at most `timeoutMs` (real time: the
  // server does not follow the program's clock). On the loop thread itself it runs inline.
  template <typename T>
  std::optional<T> call(std::function<T()> work, int timeoutMs);
  bool isLoopThread() const { return std::this_thread::get_id() == thread_.get_id(); }

 private:
  void run(const std::string& threadName);
  void wake();

  std::unique_ptr<X11Display> display_;
  EventHandler onEvent_;
  std::function<void()> onTick_;
  std::function<bool()> tickWanted_;
  int tickMs_ = 250;
  int wakeFd_ = -1;
  std::atomic<bool> stopping_{false};
  Mutex mutex_;
  std::deque<std::function<void()>> work_ VL_GUARDED_BY(mutex_);
  std::thread thread_;
};

template <typename T>
std::optional<T> X11EventLoop::call(std::function<T()> work, int timeoutMs) {
  if (isLoopThread()) return work();
  struct State {
    Mutex mutex;
    ConditionVariable done;
    std::optional<T> result VL_GUARDED_BY(mutex);
  };
  auto state = std::make_shared<State>();
  post([state, work = std::move(work)] {
    T value = work();
    MutexLock lock(state->mutex);
    state->result = std::move(value);
    state->done.notify_all();
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  MutexLock lock(state->mutex);
  while (!state->result && state->done.wait_until(lock, deadline) == std::cv_status::no_timeout) {
  }
  return state->result;
}

}  // namespace vl::x11
