#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

// Queues, groups, timers and the main run loop. Everything time-based reads vl::Clock, so under a
// ManualClock nothing fires until MainLoop::advance moves time.
namespace vl::dispatch {

using Block = std::function<void()>;

// Runs the block exactly once per flag, however many threads race to it.
using OnceFlag = std::once_flag;
inline void once(OnceFlag& flag, const Block& block) { std::call_once(flag, block); }

class Queue : public std::enable_shared_from_this<Queue> {
 public:
  enum class Kind { Serial, Concurrent, Main };
  virtual ~Queue() = default;

  // A named serial queue with one worker thread of its own.
  static std::shared_ptr<Queue> serial(const std::string& label);
  // A named concurrent queue; blocks run on a shared pool sized to the cores.
  static std::shared_ptr<Queue> concurrent(const std::string& label);
  // The process-wide concurrent queue.
  static std::shared_ptr<Queue> global();
  // The main queue: blocks run on the thread that runs MainLoop.
  static std::shared_ptr<Queue> main();

  virtual Kind kind() const = 0;
  virtual const std::string& label() const = 0;
  virtual void async(Block block) = 0;
  // Runs the block and waits for it. On the main queue from the main thread, and on a serial queue
  // from its own worker, it runs inline instead of deadlocking.
  virtual void sync(Block block) = 0;
  // True while the calling thread runs a block of this queue. The main queue answers true on the
  // main thread, in or out of a block. A sync from the main thread onto another queue keeps running
  // main-queue blocks while it waits, so a block that needs the main thread cannot deadlock it.
  virtual bool isCurrent() const = 0;
};

// Counts outstanding work; notify blocks run once the count drops to zero.
class Group {
 public:
  Group();
  ~Group();
  Group(const Group&) = delete;
  Group& operator=(const Group&) = delete;

  void enter();
  void leave();
  void async(const std::shared_ptr<Queue>& queue, Block block);
  void notify(const std::shared_ptr<Queue>& queue, Block block);
  // Waits (real time) until empty; timeoutMs < 0 waits forever. False on time-out. On the main
  // thread main-queue blocks keep running meanwhile.
  bool wait(double timeoutMs = -1);

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// A block that runs once after a delay unless cancelled first.
class DelayedBlock {
 public:
  virtual ~DelayedBlock() = default;
  virtual void cancel() = 0;
  virtual bool isCancelled() const = 0;
};
std::shared_ptr<DelayedBlock> after(double delayMs, const std::shared_ptr<Queue>& queue, Block block);

// A repeating timer source. Created suspended; resume() starts it. Dropping the last reference cancels it.
class TimerSource {
 public:
  virtual ~TimerSource() = default;
  static std::shared_ptr<TimerSource> create(const std::shared_ptr<Queue>& queue);
  // First fire after startDelayMs, then every intervalMs; leeway lets the loop batch nearby fires.
  virtual void schedule(double startDelayMs, double intervalMs, double leewayMs = 0) = 0;
  virtual void setHandler(Block handler) = 0;
  virtual void resume() = 0;
  virtual void suspend() = 0;
  virtual void cancel() = 0;
  virtual bool isCancelled() const = 0;
};

// The main thread's run loop.
class MainLoop {
 public:
  // Marks the calling thread as the main thread. Called by run(); tests may call it directly.
  static void adoptCurrentThread();
  static bool isMainThread();
  // Runs main-queue blocks and due timers until stop().
  static void run();
  static void stop();
  // A nested run for a synchronous modal (a menu being tracked): runs main-queue blocks while
  // `keepGoing` holds, asking it after each block. A stop() meant for the outer run ends this one too
  // and is left for the outer run to see.
  static void runWhile(const std::function<bool()>& keepGoing);
  // Runs every main-queue block that is ready now, including those they enqueue. Returns how many ran.
  static std::size_t runUntilIdle();
  // Manual clock only: moves time forward in steps to each due deadline, fires due timers and
  // delayed blocks on their queues and waits for those blocks to finish before the next step,
  // running main-queue work as it goes. Blocks those blocks submit, on any queue, are waited for
  // too, so a timer -> serial queue -> main queue chain is done when advance returns.
  static void advance(double ms);

  // Quitting, on the main thread once run() returned: stops the timers, runs every block still on a
  // queue (main-queue blocks here) and whatever those submit until nothing is left, then ends every
  // worker thread and joins it, so no block runs while the process's exit handlers do. Blocks
  // submitted afterwards are dropped with a log line (a sync runs on the caller) until reopen().
  // False, with the threads left running, when blocks were still running after timeoutMs (< 0 waits
  // for as long as it takes).
  static bool shutdown(double timeoutMs = -1);
  // Undoes shutdown(): timers fire again and queues start their threads with their next block.
  static void reopen();
  // Threads that the queues and timers run on right now (the main thread not counted).
  static std::size_t workerThreadCount();
};

}  // namespace vl::dispatch
