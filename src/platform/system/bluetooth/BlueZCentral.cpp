#include "platform/system/bluetooth/BlueZCentral.h"

#include <algorithm>
#include <deque>
#include <set>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/system/bluetooth/BlueZObjects.h"
#include "platform/system/dbus/BusConnection.h"

namespace vl::bluetooth {

using bluez::Properties;
using bluez::property;

namespace {

constexpr std::chrono::milliseconds kConnectTimeout{20000};
constexpr std::chrono::milliseconds kReadTimeout{10000};
constexpr std::chrono::milliseconds kShortTimeout{5000};
constexpr std::size_t kMaxNameBytes = 248;  // what a device name may hold
constexpr std::size_t kMaxReported = 256;   // devices told per scan

// Cut to `bytes` without splitting a UTF-8 sequence.
std::string capped(std::string text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  std::size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

void ignoreReply(const std::string&) {}

}  // namespace

struct BlueZCentral::ReadTask {
  enum class Stage { Waiting, Connecting, Resolving, Reading, Done };
  std::uint64_t id = 0;
  std::string device;
  std::string service;
  std::string characteristic;
  std::string characteristicPath;
  Stage stage = Stage::Waiting;
  bool disconnectAtEnd = false;
  std::vector<std::uint8_t> value;
  std::shared_ptr<dispatch::DelayedBlock> deadline;
};

struct BlueZCentral::BusSide : std::enable_shared_from_this<BusSide> {
  using Task = std::shared_ptr<ReadTask>;

  BusSide(std::weak_ptr<BlueZCentral> central, std::weak_ptr<dbus::BusConnection> connection)
      : owner(std::move(central)), bus(std::move(connection)) {}

  ~BusSide() {
    stopScan();
    for (const Task& task : running) {
      if (task->deadline) task->deadline->cancel();
      if (task->disconnectAtEnd) disconnect(task->device);
    }
  }

  void start(sdbus::IConnection& connection) {
    objects = std::make_unique<bluez::BlueZObjects>(
        connection, bluez::BlueZObjects::Events{[this] {
                                                  const ManagerState state = objects->state();
                                                  toMain([state](BlueZCentral& m) { m.deliverState(state); });
                                                },
                                                [this](const std::string& path) { changed(path); }});
  }

  template <typename F>
  void toMain(F f) {
    dispatch::Queue::main()->async([owner = owner, f = std::move(f)]() mutable {
      if (auto manager = owner.lock()) f(*manager);
    });
  }

  // ---- discovery ----

  void scan(const std::string& uuid) {
    scanUUID = uuid;
    reported.clear();
    scanning = true;
    const std::uint64_t generation = ++scanGeneration;
    const std::string adapter = objects->adapter();
    if (adapter.empty()) return;
    const Properties filter{{"UUIDs", sdbus::Variant(std::vector<std::string>{bluez::lowerUUID(uuid)})},
                            {"Transport", sdbus::Variant(std::string("le"))}};
    bluez::callAsync<>(
        objects->proxy(adapter), bluez::kAdapter, "SetDiscoveryFilter",
        [filter](sdbus::MethodCall& call) { call << filter; }, kShortTimeout,
        [this, adapter, generation](const std::string& error) {
          if (!error.empty())
            logWarningf("bluetooth: the discovery filter was refused (%s)", bluez::shortError(error).c_str());
          if (!scanning || generation != scanGeneration) return;
          bluez::callAsync<>(objects->proxy(adapter), bluez::kAdapter, "StartDiscovery", {}, kShortTimeout,
                             [this, generation](const std::string& startError) {
                               if (!startError.empty())
                                 logWarningf("bluetooth: discovery did not start (%s)",
                                             bluez::shortError(startError).c_str());
                               if (!scanning || generation != scanGeneration) return;
                               // Devices BlueZ knew before the scan are not announced again.
                               std::vector<std::string> known;
                               for (const auto& entry : objects->objects()) known.push_back(entry.first);
                               for (const auto& path : known) consider(path);
                             });
        });
  }

  void stopScan() {
    if (!scanning) return;
    scanning = false;
    ++scanGeneration;
    if (!objects || objects->adapter().empty()) return;
    bluez::callAsync<>(objects->proxy(objects->adapter()), bluez::kAdapter, "StopDiscovery", {},
                       kShortTimeout, ignoreReply);
  }

  void changed(const std::string& path) {
    consider(path);
    const std::vector<Task> tasks = running;  // a read that ends leaves the list
    for (const Task& task : tasks) {
      if (task->stage == ReadTask::Stage::Resolving && task->device == path) resolve(task);
    }
  }

  // Tells the owner about a device that offers the scanned service, once per scan.
  void consider(const std::string& path) {
    if (!scanning || reported.count(path) || reported.size() >= kMaxReported) return;
    const Properties* device = objects->find(path, bluez::kDevice);
    if (!device) return;
    const std::string& adapter = objects->adapter();
    auto deviceAdapter = property<sdbus::ObjectPath>(*device, "Adapter");
    if (deviceAdapter ? *deviceAdapter != adapter : path.rfind(adapter + "/", 0) != 0) return;
    auto uuids = property<std::vector<std::string>>(*device, "UUIDs");
    if (!uuids || std::none_of(uuids->begin(), uuids->end(),
                               [&](const std::string& uuid) { return sameUUID(uuid, scanUUID); }))
      return;
    reported.insert(path);
    std::string name =
        property<std::string>(*device, "Alias").value_or(property<std::string>(*device, "Name").value_or(""));
    toMain([found = Peripheral{path, capped(std::move(name), kMaxNameBytes)}](BlueZCentral& m) {
      if (m.handlers_.discovered) m.handlers_.discovered(found);
    });
  }

  // ---- reads ----

  void read(const Task& task) {
    waiting.push_back(task);
    pump();
  }

  void pump() {
    while (running.size() < kReadsAtOnce && !waiting.empty()) {
      Task task = waiting.front();
      waiting.pop_front();
      running.push_back(task);
      begin(task);
    }
  }

  void begin(const Task& task) {
    task->stage = ReadTask::Stage::Connecting;
    std::weak_ptr<BusSide> weakSide = weak_from_this();
    std::weak_ptr<ReadTask> weakTask = task;
    task->deadline =
        dispatch::after(kReadDeadlineMs, dispatch::Queue::global(), [bus = bus, weakSide, weakTask] {
          if (auto connection = bus.lock()) {
            connection->post([weakSide, weakTask](sdbus::IConnection&) {
              auto side = weakSide.lock();
              auto pending = weakTask.lock();
              if (side && pending) side->finish(pending, false);
            });
          }
        });
    bluez::callAsync<>(objects->proxy(task->device), bluez::kDevice, "Connect", {}, kConnectTimeout,
                       [this, task](const std::string& error) {
                         if (task->stage != ReadTask::Stage::Connecting) return;
                         if (!error.empty() && error.find("AlreadyConnected") == std::string::npos) {
                           finish(task, false);
                           return;
                         }
                         // A connection someone else made stays theirs.
                         task->disconnectAtEnd = error.empty();
                         toMain([id = task->id](BlueZCentral& m) {
                           auto it = m.reads_.find(id);
                           if (it != m.reads_.end() && it->second.connected) it->second.connected();
                         });
                         task->stage = ReadTask::Stage::Resolving;
                         resolve(task);
                       });
  }

  // Reads once BlueZ has resolved the device's services (it says so through ServicesResolved).
  void resolve(const Task& task) {
    const Properties* device = objects->find(task->device, bluez::kDevice);
    if (!device || !property<bool>(*device, "ServicesResolved").value_or(false)) return;
    std::string servicePath;
    for (const auto& [path, interfaces] : objects->objects()) {
      const Properties* service = bluez::interfaceOf(interfaces, bluez::kGattService);
      if (service &&
          property<sdbus::ObjectPath>(*service, "Device").value_or(sdbus::ObjectPath()) == task->device &&
          sameUUID(property<std::string>(*service, "UUID").value_or(""), task->service)) {
        servicePath = path;
        break;
      }
    }
    std::vector<std::string> found;
    for (const auto& [path, interfaces] : objects->objects()) {
      if (servicePath.empty()) break;
      const Properties* characteristic = bluez::interfaceOf(interfaces, bluez::kGattCharacteristic);
      if (!characteristic ||
          property<sdbus::ObjectPath>(*characteristic, "Service").value_or(sdbus::ObjectPath()) !=
              servicePath)
        continue;
      const std::string uuid = property<std::string>(*characteristic, "UUID").value_or("");
      found.push_back(uuid);
      if (sameUUID(uuid, task->characteristic)) task->characteristicPath = path;
    }
    toMain([id = task->id, found](BlueZCentral& m) {
      auto it = m.reads_.find(id);
      if (it == m.reads_.end() || !it->second.characteristicFound) return;
      for (const auto& uuid : found) it->second.characteristicFound(uuid);
    });
    if (task->characteristicPath.empty()) {
      finish(task, false);
      return;
    }
    task->stage = ReadTask::Stage::Reading;
    readNext(task);
  }

  // The value from the offset read so far; an empty piece ends it.
  void readNext(const Task& task) {
    const auto offset = static_cast<std::uint16_t>(task->value.size());
    bluez::callAsync<std::vector<std::uint8_t>>(
        objects->proxy(task->characteristicPath), bluez::kGattCharacteristic, "ReadValue",
        [offset](sdbus::MethodCall& call) {
          call << Properties{{"offset", sdbus::Variant(offset)}};
        },
        kReadTimeout,

        [this, task](const std::string& error, std::vector<std::uint8_t> piece) {
          if (task->stage != ReadTask::Stage::Reading) return;
          // A device that refuses the offset just past its value has given all of it.
          if (!error.empty() || piece.empty()) {
            finish(task, error.empty() || !task->value.empty());
            return;
          }
          if (task->value.size() + piece.size() > kMaxAttributeValue) {
            logWarning("bluetooth: a device offered a value longer than an attribute may be; ignored");
            finish(task, false);
            return;
          }
          task->value.insert(task->value.end(), piece.begin(), piece.end());
          if (task->value.size() == kMaxAttributeValue) {
            finish(task, true);
          } else {
            readNext(task);
          }
        });
  }

  void finish(const Task& task, bool ok) {
    if (task->stage == ReadTask::Stage::Done) return;
    task->stage = ReadTask::Stage::Done;
    if (task->deadline) task->deadline->cancel();
    if (task->disconnectAtEnd) disconnect(task->device);
    std::vector<std::uint8_t> value = ok ? std::move(task->value) : std::vector<std::uint8_t>();
    toMain([id = task->id, value = std::move(value)](BlueZCentral& m) mutable {
      auto it = m.reads_.find(id);
      if (it == m.reads_.end()) return;
      ReadHandlers handlers = std::move(it->second);
      m.reads_.erase(it);
      if (handlers.done) handlers.done(std::move(value));
    });
    running.erase(std::remove(running.begin(), running.end(), task), running.end());
    pump();
  }

  void disconnect(const std::string& device) {
    bluez::callAsync<>(objects->proxy(device), bluez::kDevice, "Disconnect", {}, kShortTimeout, ignoreReply);
  }

  std::weak_ptr<BlueZCentral> owner;
  std::weak_ptr<dbus::BusConnection> bus;
  std::string scanUUID;
  bool scanning = false;
  std::uint64_t scanGeneration = 0;
  std::set<std::string> reported;
  std::deque<Task> waiting;
  std::vector<Task> running;
  std::unique_ptr<bluez::BlueZObjects> objects;
};

std::shared_ptr<BlueZCentral> BlueZCentral::create(std::shared_ptr<dbus::BusConnection> bus,
                                                   Handlers handlers) {
  auto manager = std::make_shared<BlueZCentral>(bus, std::move(handlers));
  auto side = std::make_shared<BusSide>(manager, bus);
  manager->side_ = side;
  bus->post([side, raw = bus.get()](sdbus::IConnection& connection) {
    side->start(connection);
    raw->adopt(side);
  });
  return manager;
}

BlueZCentral::BlueZCentral(std::shared_ptr<dbus::BusConnection> bus, Handlers handlers)
    : BlueZLink(std::move(bus)), handlers_(std::move(handlers)) {}

BlueZCentral::~BlueZCentral() {
  bus_->post([side = side_, raw = bus_.get()](sdbus::IConnection&) {
    if (auto s = side.lock()) raw->forget(s.get());
  });
}

void BlueZCentral::scanForPeripherals(const std::string& serviceUUID) {
  bus_->post([side = side_, serviceUUID](sdbus::IConnection&) {
    if (auto s = side.lock()) s->scan(serviceUUID);
  });
}

void BlueZCentral::stopScan() {
  bus_->post([side = side_](sdbus::IConnection&) {
    if (auto s = side.lock()) s->stopScan();
  });
}

void BlueZCentral::readCharacteristic(const Peripheral& peripheral, const std::string& serviceUUID,
                                      const std::string& characteristicUUID, ReadHandlers handlers) {
  auto task = std::make_shared<ReadTask>();
  task->id = ++nextRead_;
  task->device = peripheral.id;
  task->service = serviceUUID;
  task->characteristic = characteristicUUID;
  reads_[task->id] = std::move(handlers);
  bus_->post([side = side_, task](sdbus::IConnection&) {
    if (auto s = side.lock()) s->read(task);
  });
}

void BlueZCentral::deliverState(ManagerState state) {
  if (state == told_) return;
  told_ = state;
  if (handlers_.stateChanged) handlers_.stateChanged(state);
}

}  // namespace vl::bluetooth
