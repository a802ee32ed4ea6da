#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/dispatch/Runtime.h"
#include "platform/dispatch/WorkerPool.h"
#include "platform/foundation/Log.h"

namespace vl::dispatch {

namespace {

using detail::ContextScope;
using detail::Runtime;
using detail::Signal;
using detail::threadContext;
using detail::Work;

// What a serial queue's worker needs. Shared with the worker thread, so the queue object can go
// away while its last blocks still run; the worker then drains them and ends.
struct SerialState {
  std::string label;
  std::mutex mu;
  std::condition_variable cv;
  std::deque<Work> queue;
  bool closed = false;    // the queue object is gone
  bool stopping = false;  // the process quits: drain and end
  bool running = false;   // a worker thread serves the queue
};

// A worker whose queue went away lets go of its own thread (see SerialWorkers::release).
void releaseWorker(const SerialState* state);

void serialWorker(std::shared_ptr<SerialState> state) {
  detail::nameThread(state->label);
  for (;;) {
    Work work;
    {
      std::unique_lock<std::mutex> lock(state->mu);
      state->cv.wait(lock, [&] { return state->closed || state->stopping || !state->queue.empty(); });
      if (state->queue.empty()) {
        state->running = false;
        const bool dropped = !state->stopping;
        lock.unlock();
        if (dropped) releaseWorker(state.get());
        return;
      }
      work = std::move(state->queue.front());
      state->queue.pop_front();
    }
    {
      ContextScope scope(state.get(), work.tracked);
      detail::invoke(work.block, state->label);
    }
    work.block = nullptr;
    Runtime::shared().endWork(work.tracked);
  }
}

// Every serial worker thread, joinable, so quitting can wait for each one to end. A worker whose queue
// went away has run its last block: it detaches itself, so no finished thread is left unjoined.
class SerialWorkers {
 public:
  static SerialWorkers& shared() {
    static SerialWorkers* workers = new SerialWorkers();  // never destroyed; see Runtime::shared
    return *workers;
  }

  // Starts a worker for `state`, whose lock the caller holds. False once the runtime is closed.
  bool start(const std::shared_ptr<SerialState>& state) {
    std::lock_guard<std::mutex> lock(mu_);
    if (Runtime::shared().closed()) return false;
    state->stopping = false;
    state->running = true;
    threads_.push_back({state, std::thread(serialWorker, state)});
    return true;
  }

  // Ends every worker once its queue is empty and joins it. Call after the runtime is closed.
  void stopAll() {
    std::vector<Entry> all;
    {
      std::lock_guard<std::mutex> lock(mu_);
      all.swap(threads_);
    }
    for (Entry& entry : all) {
      {
        std::lock_guard<std::mutex> lock(entry.state->mu);
        entry.state->stopping = true;
      }
      entry.state->cv.notify_all();
    }
    for (Entry& entry : all) entry.thread.join();
  }

  // Called by a worker that ends because its queue was dropped. When quitting already took the
  // worker's entry, quitting joins it instead.
  void release(const SerialState* state) {
    std::lock_guard<std::mutex> lock(mu_);
    for (auto it = threads_.begin(); it != threads_.end(); ++it) {
      if (it->state.get() == state) {
        it->thread.detach();
        threads_.erase(it);
        return;
      }
    }
  }

  std::size_t running() {
    std::lock_guard<std::mutex> lock(mu_);
    return threads_.size();
  }

 private:
  struct Entry {
    std::shared_ptr<SerialState> state;
    std::thread thread;
  };

  std::mutex mu_;
  std::vector<Entry> threads_;
};

void releaseWorker(const SerialState* state) { SerialWorkers::shared().release(state); }

// Hands `block` to the queue's async() and waits until it has run, thrown or not.
void asyncAndWait(Queue& queue, const Block& block) {
  auto done = std::make_shared<Signal>();
  queue.async([&block, done] {
    // The caller waits for the signal, so `block` outlives this call.
    struct SetOnExit {
      Signal& signal;
      ~SetOnExit() { signal.set(); }
    } setOnExit{*done};
    block();
  });
  done->wait();
}

class SerialQueue final : public Queue {
 public:
  explicit SerialQueue(const std::string& label) : state_(std::make_shared<SerialState>()) {
    state_->label = label;
  }

  ~SerialQueue() override {
    {
      std::lock_guard<std::mutex> lock(state_->mu);
      state_->closed = true;
    }
    state_->cv.notify_all();
  }

  Kind kind() const override { return Kind::Serial; }
  const std::string& label() const override { return state_->label; }

  void async(Block block) override {
    if (!block) return;
    {
      std::lock_guard<std::mutex> lock(state_->mu);
      // The worker starts with the first block, and again after the process stopped its queues.
      if (Runtime::shared().closed() || (!state_->running && !SerialWorkers::shared().start(state_))) {
        logWarningf("dispatch: \"%s\" takes no more blocks: the process is quitting", state_->label.c_str());
        return;
      }
      state_->queue.push_back(Work{std::move(block), Runtime::shared().beginWork()});
    }
    state_->cv.notify_one();
  }

  void sync(Block block) override {
    if (!block) return;
    // With the queues stopped nothing else runs this queue's blocks, so the caller may run it.
    if (isCurrent() || Runtime::shared().closed()) {
      detail::invoke(block, state_->label);
      return;
    }
    asyncAndWait(*this, block);
  }

  bool isCurrent() const override { return threadContext().queue == state_.get(); }

 private:
  std::shared_ptr<SerialState> state_;
};

class ConcurrentQueue final : public Queue {
 public:
  explicit ConcurrentQueue(const std::string& label) : label_(label) {}

  Kind kind() const override { return Kind::Concurrent; }
  const std::string& label() const override { return label_; }

  void async(Block block) override {
    if (!block) return;
    if (Runtime::shared().closed()) {
      logWarningf("dispatch: \"%s\" takes no more blocks: the process is quitting", label_.c_str());
      return;
    }
    bool tracked = Runtime::shared().beginWork();
    // The block keeps its queue alive, as a queue lives while it has work.
    auto self = std::static_pointer_cast<ConcurrentQueue>(shared_from_this());
    detail::WorkerPool::shared().submit({[self, block = std::move(block)] {
                                           ContextScope scope(self.get(), threadContext().tracked);
                                           detail::invoke(block, self->label_);
                                         },
                                         tracked});
  }

  // Nothing orders the blocks of a concurrent queue, so a synchronous one may as well run on the
  // caller's thread; that also keeps a pool worker from waiting on the pool.
  void sync(Block block) override {
    if (!block) return;
    ContextScope scope(this, threadContext().tracked);
    detail::invoke(block, label_);
  }

  bool isCurrent() const override { return threadContext().queue == this; }

 private:
  std::string label_;
};

class MainQueue final : public Queue {
 public:
  Kind kind() const override { return Kind::Main; }
  const std::string& label() const override { return label_; }

  void async(Block block) override {
    if (!block) return;
    bool tracked = Runtime::shared().beginWork();
    Runtime::shared().postMain(Work{std::move(block), tracked});
  }

  void sync(Block block) override {
    if (!block) return;
    Runtime& runtime = Runtime::shared();
    if (runtime.isMainThread()) {
      ContextScope scope(runtime.mainToken(), threadContext().tracked);
      detail::invoke(block, label_);
      return;
    }
    asyncAndWait(*this, block);
  }

  // Code on the main thread counts as running on the main queue, in or out of a block.
  bool isCurrent() const override { return Runtime::shared().isMainThread(); }

 private:
  std::string label_ = "main";
};

}  // namespace

namespace detail {

std::size_t serialWorkerCount() { return SerialWorkers::shared().running(); }
void stopSerialWorkers() { SerialWorkers::shared().stopAll(); }

}  // namespace detail

std::shared_ptr<Queue> Queue::serial(const std::string& label) {
  return std::make_shared<SerialQueue>(label);
}

std::shared_ptr<Queue> Queue::concurrent(const std::string& label) {
  return std::make_shared<ConcurrentQueue>(label);
}

std::shared_ptr<Queue> Queue::global() {
  // Leaked with the pool behind it: blocks may still run while statics are destroyed at exit.
  static auto* queue = new std::shared_ptr<Queue>(std::make_shared<ConcurrentQueue>("vl.global"));
  return *queue;
}

std::shared_ptr<Queue> Queue::main() {
  static auto* queue = new std::shared_ptr<Queue>(std::make_shared<MainQueue>());
  return *queue;
}

}  // namespace vl::dispatch
