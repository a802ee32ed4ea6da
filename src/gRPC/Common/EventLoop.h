#pragma once

#include <grpcpp/completion_queue.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace vl {

// Everything placed on an EventLoop's completion queue is one of these; the loop hands each
// completion back to its tag, on the loop thread, in completion order.
class LoopTag {
 public:
  virtual ~LoopTag() = default;
  // `ok` is the completion queue's verdict on the operation (false: the call is over or the queue
  // is closing). The tag may delete itself.
  virtual void proceed(bool ok) = 0;
};

// One completion queue drained by one thread: the single thread on which all of a client's or a
// server's gRPC completions, reply callbacks and request handlers run, one at a time.
//
// Every operation starts on that thread too (begin()), and other threads reach it only through post(),
// whose hand-over is a lock of ours. gRPC hands a completion from the thread that started the operation
// to the one that takes it from the queue with synchronisation inside its own libraries, which
// ThreadSanitizer cannot see; with one thread on both ends there is nothing to hand over.
//
// Starting an operation on a queue that has begun shutting down aborts the process inside gRPC, so
// every operation is started through begin(), which refuses once shutdown() has been called.
class EventLoop {
 public:
  // Takes the queue (a server's queue comes from its builder) and starts the thread, named `name`
  // (at most 15 characters show in debuggers).
  EventLoop(std::unique_ptr<grpc::CompletionQueue> queue, std::string name);
  // Shuts down and joins, unless called on the loop thread itself, in which case the thread is left
  // to drain the queue and end on its own.
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  grpc::CompletionQueue* queue() const;
  bool isCurrent() const;

  // On the loop thread only: runs `start` (which places operations on the queue) unless shutdown has
  // begun. Returns whether it ran. `start` must not post.
  [[nodiscard]] bool begin(const std::function<void(grpc::CompletionQueue*)>& start);

  // Runs `block` on the loop thread, after the blocks already posted. False when shutting down; the
  // block is then dropped. A block that was taken runs even when shutdown begins before its turn.
  [[nodiscard]] bool post(std::function<void()> block);

  // Stops accepting work and closes the queue; already started operations still complete.
  void shutdown();
  // shutdown() and wait until every queued completion has been handed out and the thread has ended.
  // On the loop thread it only shuts down (a thread cannot wait for itself).
  void shutdownAndJoin();

 private:
  struct State;
  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace vl
