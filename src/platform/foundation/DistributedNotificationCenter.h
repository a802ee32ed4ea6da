#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vl {

// A notification that crossed a process boundary: a name and the sender's identifier, nothing else
// (values travel through the shared defaults suite).
struct DistributedNotification {
  std::string name;
  std::string sender;
};

// Notifications between processes of one user. Each process binds a Unix datagram socket in
// `$XDG_RUNTIME_DIR/vellisto-dnc/` (or `/tmp/vellisto-<uid>/vellisto-dnc/`, created mode 0700) and
// a post sends one datagram to every socket there, its own included; sockets whose process is gone
// refuse the datagram and are removed. A thread reads incoming datagrams and hands each to the delivery
// executor: the centre's own, else the process's default, which start-up sets to the main queue so
// observers run on the main thread. This layer knows no queues, so it is told rather than asking.
//
// Wire form: "VLDN1\n<name>\n<sender>" in one datagram; other datagrams are logged and dropped.
class DistributedNotificationCenter {
 public:
  using Block = std::function<void(const DistributedNotification&)>;
  using Executor = std::function<void(std::function<void()>)>;

  // The process-wide centre. Its socket is opened on first addObserver or post.
  static DistributedNotificationCenter& defaultCenter();
  static DistributedNotificationCenter& shared() { return defaultCenter(); }

  // A centre over an explicit folder (tests). The folder is created if missing.
  explicit DistributedNotificationCenter(std::string socketFolder = {});
  ~DistributedNotificationCenter();
  DistributedNotificationCenter(const DistributedNotificationCenter&) = delete;
  DistributedNotificationCenter& operator=(const DistributedNotificationCenter&) = delete;

  // The folder of the default centre.
  static std::string defaultSocketFolder();

  // How received notifications reach this centre's observers. nullptr restores the default. Tests that
  // do not run a main loop may deliver on the receiving thread: setDeliveryExecutor([](auto f) { f(); }).
  // Takes effect for datagrams received after the call.
  void setDeliveryExecutor(Executor executor);
  // The delivery of every centre without an executor of its own, read for each datagram. Start-up
  // installs the main queue; with none installed, observers run on the receiving thread (logged once).
  static void setDefaultDeliveryExecutor(Executor executor);
  static bool hasDefaultDeliveryExecutor();

  // name "" observes every name, sender "" every sender.
  std::uint64_t addObserver(const std::string& name, const std::string& sender, Block block);
  void removeObserver(std::uint64_t id);

  // Sends to every process listening now (this one included). False when our socket could not be
  // opened (logged); a peer that refuses is dropped silently.
  [[nodiscard]] bool post(const std::string& name, const std::string& sender);

  // Closes the socket and stops the receiving thread; later calls re-open it. Called by the destructor.
  void stop();

  const std::string& socketFolder() const { return folder_; }
  // Our own socket's path, empty until it is open.
  std::string socketPath() const;

 private:
  struct Observer {
    std::uint64_t id;
    std::string name;
    std::string sender;
    std::shared_ptr<Block> block;
  };
  // Observers live apart from the centre so a delivery already queued on the main queue can tell that
  // the centre (or the observer) is gone.
  struct Observers {
    std::mutex mutex;
    std::vector<Observer> list;
    std::uint64_t nextId = 1;
  };
  [[nodiscard]] bool ensureOpenLocked();
  static void receiveLoop(int fd, int wakeFd, std::weak_ptr<Observers> observers, Executor executor);
  static void deliver(const std::shared_ptr<Observers>& observers, const DistributedNotification& note);

  std::string folder_;
  mutable std::mutex mutex_;
  int fd_ = -1;
  int wakePipe_[2] = {-1, -1};
  std::string path_;
  std::thread receiver_;
  Executor executor_;
  std::shared_ptr<Observers> observers_ = std::make_shared<Observers>();
};

}  // namespace vl
