#include "platform/foundation/DistributedNotificationCenter.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/foundation/Crypto.h"
#include "platform/foundation/Environment.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

constexpr std::string_view kMagic = "VLDN1\n";
constexpr std::size_t kMaxDatagram = 4096;
constexpr std::string_view kSuffix = ".sock";

// A folder for our sockets that no other user can enter or plant links in.
bool ensurePrivateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    logErrorf("dnc: cannot create %s: %s", path.c_str(), std::strerror(errno));
    return false;
  }
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
    logWarningf("dnc: %s is not a folder of this user; distributed notifications are off", path.c_str());
    return false;
  }
  if ((st.st_mode & 077) != 0) ::chmod(path.c_str(), 0700);
  return true;
}

struct DefaultDelivery {
  std::mutex mutex;
  DistributedNotificationCenter::Executor executor;
  std::atomic<bool> reportedNone{false};
};

DefaultDelivery& defaultDelivery() {
  // Never destroyed: a receiving thread may read it while static destructors run.
  static DefaultDelivery* delivery = new DefaultDelivery();
  return *delivery;
}

bool fillAddress(const std::string& path, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace

DistributedNotificationCenter& DistributedNotificationCenter::defaultCenter() {
  // Never destroyed: its thread may be delivering while static destructors run.
  static DistributedNotificationCenter* center = new DistributedNotificationCenter();
  return *center;
}

std::string DistributedNotificationCenter::defaultSocketFolder() {
  std::string base;
  if (const std::string runtime = environmentValue("XDG_RUNTIME_DIR");
      !runtime.empty() && runtime[0] == '/' && files::isDirectory(runtime))
    base = runtime;
  else
    base = "/tmp/vellisto-" + std::to_string(::getuid());
  return files::joinPath(base, "vellisto-dnc");
}

DistributedNotificationCenter::DistributedNotificationCenter(std::string socketFolder)
    : folder_(socketFolder.empty() ? defaultSocketFolder() : std::move(socketFolder)) {}

DistributedNotificationCenter::~DistributedNotificationCenter() { stop(); }

void DistributedNotificationCenter::setDefaultDeliveryExecutor(Executor executor) {
  DefaultDelivery& delivery = defaultDelivery();
  std::lock_guard<std::mutex> lock(delivery.mutex);
  delivery.executor = std::move(executor);
}

bool DistributedNotificationCenter::hasDefaultDeliveryExecutor() {
  DefaultDelivery& delivery = defaultDelivery();
  std::lock_guard<std::mutex> lock(delivery.mutex);
  return static_cast<bool>(delivery.executor);
}

void DistributedNotificationCenter::setDeliveryExecutor(Executor executor) {
  bool wasOpen;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    executor_ = std::move(executor);
    wasOpen = fd_ >= 0;
  }
  // The receiving thread captured the executor when it started; restart it to pick up the new one.
  if (wasOpen) {
    stop();
    std::lock_guard<std::mutex> lock(mutex_);
    (void)ensureOpenLocked();  // a closed bus is opened again at the next post or observer
  }
}

std::uint64_t DistributedNotificationCenter::addObserver(const std::string& name, const std::string& sender,
                                                         Block block) {
  if (!block) return 0;
  std::uint64_t id;
  {
    std::lock_guard<std::mutex> lock(observers_->mutex);
    id = observers_->nextId++;
    observers_->list.push_back({id, name, sender, std::make_shared<Block>(std::move(block))});
  }
  std::lock_guard<std::mutex> lock(mutex_);
  (void)ensureOpenLocked();  // the observer stays listed; it hears once the bus opens
  return id;
}

void DistributedNotificationCenter::removeObserver(std::uint64_t id) {
  std::lock_guard<std::mutex> lock(observers_->mutex);
  std::erase_if(observers_->list, [id](const Observer& o) { return o.id == id; });
}

std::string DistributedNotificationCenter::socketPath() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return path_;
}

bool DistributedNotificationCenter::ensureOpenLocked() {
  if (fd_ >= 0) return true;
  std::string parent = files::deletingLastPathComponent(folder_);
  if (!parent.empty() && !files::isDirectory(parent) && !ensurePrivateFolder(parent)) return false;
  if (!ensurePrivateFolder(folder_)) return false;
  std::string path = files::joinPath(
      folder_, std::to_string(::getpid()) + "-" + hexString(randomBytes(4)) + std::string(kSuffix));
  sockaddr_un addr;
  if (!fillAddress(path, addr)) {
    logErrorf("dnc: socket path too long: %s", path.c_str());
    return false;
  }
  int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    logErrorf("dnc: cannot create socket: %s", std::strerror(errno));
    return false;
  }
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    logErrorf("dnc: cannot bind %s: %s", path.c_str(), std::strerror(errno));
    ::close(fd);
    return false;
  }
  if (::pipe2(wakePipe_, O_CLOEXEC) != 0) {
    logErrorf("dnc: cannot create wake pipe: %s", std::strerror(errno));
    ::close(fd);
    ::unlink(path.c_str());
    return false;
  }
  fd_ = fd;
  path_ = path;
  receiver_ = std::thread(&DistributedNotificationCenter::receiveLoop, fd_, wakePipe_[0],
                          std::weak_ptr<Observers>(observers_), executor_);
  return true;
}

void DistributedNotificationCenter::stop() {
  std::thread receiver;
  int fd, wakeRead, wakeWrite;
  std::string path;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fd_ < 0) return;
    receiver = std::move(receiver_);
    fd = fd_;
    wakeRead = wakePipe_[0];
    wakeWrite = wakePipe_[1];
    path = std::move(path_);
    fd_ = -1;
    wakePipe_[0] = wakePipe_[1] = -1;
    path_.clear();
  }
  // Joined outside the lock: an observer running on the receiving thread may be posting right now.
  char byte = 0;
  ssize_t ignored = ::write(wakeWrite, &byte, 1);
  (void)ignored;
  ::unlink(path.c_str());
  if (receiver.joinable() && receiver.get_id() == std::this_thread::get_id()) {
    // An observer stopping the centre runs on the receiving thread (direct delivery). The thread ends at
    // its next poll on the wake byte; its descriptors stay open so their numbers cannot be reused under it.
    receiver.detach();
    return;
  }
  if (receiver.joinable()) receiver.join();
  ::close(fd);
  ::close(wakeRead);
  ::close(wakeWrite);
}

bool DistributedNotificationCenter::post(const std::string& name, const std::string& sender) {
  if (name.empty() || name.find('\n') != std::string::npos) {
    logWarningf("dnc: notification name \"%s\" cannot be sent", name.c_str());
    return false;
  }
  std::string message = std::string(kMagic) + name + "\n" + sender;
  if (message.size() > kMaxDatagram) {
    logWarningf("dnc: notification \"%s\" is too long to send", name.c_str());
    return false;
  }
  int fd;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ensureOpenLocked()) return false;
    fd = fd_;
    // Sending on our own socket while another thread stops the centre is prevented by holding the lock
    // for the whole post; posts are rare and short.
    files::DirectoryListing listing = files::listDirectory(folder_);
    for (const std::string& entry : listing.names) {
      if (!entry.ends_with(kSuffix)) continue;
      std::string peer = files::joinPath(folder_, entry);
      sockaddr_un addr;
      if (!fillAddress(peer, addr)) continue;
      ssize_t n = ::sendto(fd, message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                           reinterpret_cast<sockaddr*>(&addr), sizeof addr);
      if (n >= 0) continue;
      if (errno == ECONNREFUSED) {
        // Nobody is bound there any more: the process ended without cleaning up.
        ::unlink(peer.c_str());
      } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
        logWarningf("dnc: %s is not reading; \"%s\" dropped for it", entry.c_str(), name.c_str());
      } else if (errno != ENOENT) {
        logWarningf("dnc: cannot send \"%s\" to %s: %s", name.c_str(), entry.c_str(), std::strerror(errno));
      }
    }
  }
  return true;
}

void DistributedNotificationCenter::receiveLoop(int fd, int wakeFd, std::weak_ptr<Observers> observers,
                                                Executor executor) {
  char buffer[kMaxDatagram + 1];
  while (true) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    int ready = ::poll(fds, 2, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      logErrorf("dnc: poll failed: %s", std::strerror(errno));
      return;
    }
    if (fds[1].revents) return;
    if (!(fds[0].revents & POLLIN)) continue;
    while (true) {
      ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n < 0) break;  // EAGAIN: drained
      std::string_view data(buffer, static_cast<std::size_t>(n));
      std::size_t split = data.find('\n', kMagic.size());
      if (!data.starts_with(kMagic) || split == std::string_view::npos ||
          static_cast<std::size_t>(n) > kMaxDatagram) {
        logWarningf("dnc: dropped a datagram of %zd bytes that is not a notification", n);
        continue;
      }
      DistributedNotification note;
      note.name = std::string(data.substr(kMagic.size(), split - kMagic.size()));
      note.sender = std::string(data.substr(split + 1));
      std::function<void()> delivery = [observers, note] {
        if (auto live = observers.lock()) deliver(live, note);
      };
      Executor via = executor;
      if (!via) {
        DefaultDelivery& fallback = defaultDelivery();
        std::lock_guard<std::mutex> lock(fallback.mutex);
        via = fallback.executor;
      }
      if (via) {
        via(std::move(delivery));
        continue;
      }
      if (!defaultDelivery().reportedNone.exchange(true))
        logWarning("dnc: no delivery executor is installed; observers run on the receiving thread");
      delivery();
    }
  }
}

void DistributedNotificationCenter::deliver(const std::shared_ptr<Observers>& observers,
                                            const DistributedNotification& note) {
  std::vector<std::pair<std::uint64_t, std::shared_ptr<Block>>> targets;
  {
    std::lock_guard<std::mutex> lock(observers->mutex);
    for (const Observer& o : observers->list) {
      if (!o.name.empty() && o.name != note.name) continue;
      if (!o.sender.empty() && o.sender != note.sender) continue;
      targets.emplace_back(o.id, o.block);
    }
  }
  for (auto& [id, block] : targets) {
    {
      // Skip observers removed by an earlier observer of this same notification.
      std::lock_guard<std::mutex> lock(observers->mutex);
      bool alive = false;
      for (const Observer& o : observers->list) alive = alive || o.id == id;
      if (!alive) continue;
    }
    (*block)(note);
  }
}

}  // namespace vl
