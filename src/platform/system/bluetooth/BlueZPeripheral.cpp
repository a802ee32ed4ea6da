#include "platform/system/bluetooth/BlueZPeripheral.h"

#include <atomic>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/system/bluetooth/BlueZObjects.h"
#include "platform/system/dbus/BusConnection.h"

namespace vl::bluetooth {

using bluez::Properties;

namespace {

// bluetoothd reads the application before it answers; a slow adapter may take a while.
constexpr std::chrono::milliseconds kRegisterTimeout{25000};
constexpr std::chrono::milliseconds kUnregisterTimeout{5000};

std::atomic<unsigned> nextExport{0};

// One exported object tree and its registration with an adapter.
struct Export {
  std::string path;
  std::string adapter;
  std::vector<std::unique_ptr<sdbus::IObject>> objects;  // parents first
  bool requested = false;                                // the registration was sent
  bool withdrawn = false;

  void unexport() {
    while (!objects.empty()) objects.pop_back();  // children first
  }
  ~Export() { unexport(); }
};

// A remote reader asks for the value from `offset` on, as long values are read in pieces.
std::vector<std::uint8_t> valueFrom(const std::vector<std::uint8_t>& value, const Properties& options) {
  std::uint16_t offset = 0;
  if (auto it = options.find("offset"); it != options.end()) {
    if (!it->second.containsValueOfType<std::uint16_t>())
      throw sdbus::Error("org.bluez.Error.InvalidArguments", "the offset is not a uint16");
    offset = it->second.get<std::uint16_t>();
  }
  if (offset > value.size())
    throw sdbus::Error("org.bluez.Error.InvalidOffset", "the offset is past the value");
  return {value.begin() + offset, value.end()};
}

using Outcome = std::function<void(const std::string&)> PeripheralManager::Handlers::*;

}  // namespace

struct BlueZPeripheral::BusSide {
  explicit BusSide(std::weak_ptr<BlueZPeripheral> peripheral) : owner(std::move(peripheral)) {}
  ~BusSide() {
    withdraw(application, bluez::kGattManager, "UnregisterApplication");
    withdraw(advertisement, bluez::kAdvertisingManager, "UnregisterAdvertisement");
  }

  void start(sdbus::IConnection& bus) {
    connection = &bus;
    objects = std::make_unique<bluez::BlueZObjects>(
        bus, bluez::BlueZObjects::Events{[this] {
                                           const ManagerState state = objects->state();
                                           toMain([state](BlueZPeripheral& m) { m.deliverState(state); });
                                         },
                                         nullptr});
  }

  template <typename F>
  void toMain(F f) {
    dispatch::Queue::main()->async([owner = owner, f = std::move(f)]() mutable {
      if (auto manager = owner.lock()) f(*manager);
    });
  }

  void tell(Outcome outcome, const std::string& error) {
    toMain([outcome, error](BlueZPeripheral& m) {
      if (m.handlers_.*outcome) (m.handlers_.*outcome)(error);
    });
  }

  void addService(const GattService& service) {
    withdraw(application, bluez::kGattManager, "UnregisterApplication");
    auto exported = std::make_shared<Export>();
    exported->path = "/app/vellisto/gatt" + std::to_string(nextExport++);
    try {
      auto root = sdbus::createObject(*connection, exported->path);
      root->addObjectManager();
      exported->objects.push_back(std::move(root));

      const std::string servicePath = exported->path + "/service0";
      auto object = sdbus::createObject(*connection, servicePath);
      object->registerProperty("UUID")
          .onInterface(bluez::kGattService)
          .withGetter([uuid = bluez::lowerUUID(service.serviceUUID)] { return uuid; });
      object->registerProperty("Primary").onInterface(bluez::kGattService).withGetter([] { return true; });
      object->finishRegistration();
      exported->objects.push_back(std::move(object));

      object = sdbus::createObject(*connection, servicePath + "/char0");
      object->registerMethod("ReadValue")
          .onInterface(bluez::kGattCharacteristic)
          .withInputParamNames("options")
          .withOutputParamNames("value")
          .implementedAs(
              [value = service.value](const Properties& options) { return valueFrom(value, options); });
      object->registerProperty("UUID")
          .onInterface(bluez::kGattCharacteristic)
          .withGetter([uuid = bluez::lowerUUID(service.characteristicUUID)] { return uuid; });
      object->registerProperty("Service").onInterface(bluez::kGattCharacteristic).withGetter([servicePath] {
        return sdbus::ObjectPath(servicePath);
      });
      object->registerProperty("Flags").onInterface(bluez::kGattCharacteristic).withGetter([] {
        return std::vector<std::string>{"read"};
      });
      object->finishRegistration();
      exported->objects.push_back(std::move(object));
    } catch (const sdbus::Error& e) {
      tell(&Handlers::serviceAdded, "the service could not be exported: " + e.getMessage());
      return;
    }
    application = exported;
    registerWith(exported, bluez::kGattManager, "RegisterApplication", "UnregisterApplication",
                 &Handlers::serviceAdded);
  }

  void startAdvertising(const std::vector<std::string>& serviceUUIDs) {
    withdraw(advertisement, bluez::kAdvertisingManager, "UnregisterAdvertisement");
    auto exported = std::make_shared<Export>();
    exported->path = "/app/vellisto/advertisement" + std::to_string(nextExport++);
    std::vector<std::string> uuids;
    for (const auto& uuid : serviceUUIDs) uuids.push_back(bluez::lowerUUID(uuid));
    try {
      auto object = sdbus::createObject(*connection, exported->path);
      // bluetoothd lets go of the advertisement by itself (the adapter went away); withdrawing it later
      // only earns an error nobody reads.
      object->registerMethod("Release").onInterface(bluez::kAdvertisement).implementedAs([] {}).withNoReply();
      object->registerProperty("Type").onInterface(bluez::kAdvertisement).withGetter([] {
        return std::string("peripheral");
      });
      object->registerProperty("ServiceUUIDs").onInterface(bluez::kAdvertisement).withGetter([uuids] {
        return uuids;
      });
      object->finishRegistration();
      exported->objects.push_back(std::move(object));
    } catch (const sdbus::Error& e) {
      tell(&Handlers::advertisingStarted, "the advertisement could not be exported: " + e.getMessage());
      return;
    }
    advertisement = exported;
    registerWith(exported, bluez::kAdvertisingManager, "RegisterAdvertisement", "UnregisterAdvertisement",
                 &Handlers::advertisingStarted);
  }

  // Asynchronous: bluetoothd calls back into the exported objects before it answers, and this thread
  // has to be free to answer it.
  void registerWith(const std::shared_ptr<Export>& exported, const char* manager, const char* method,
                    const char* undo, Outcome outcome) {
    exported->adapter = objects->adapter();
    if (exported->adapter.empty()) {
      withdraw(exported, manager, undo);
      tell(outcome, "no Bluetooth adapter");
      return;
    }
    exported->requested = true;
    bluez::callAsync<>(
        objects->proxy(exported->adapter), manager, method,
        [path = exported->path](sdbus::MethodCall& call) { call << sdbus::ObjectPath(path) << Properties{}; },
        kRegisterTimeout,
        [this, exported, manager, undo, outcome](const std::string& error) {
          if (exported->withdrawn) return;
          if (!error.empty()) {
            withdraw(exported, manager, undo);
            tell(outcome, bluez::shortError(error));
            return;
          }
          tell(outcome, {});
        });
  }

  // Unexports and unregisters. A registration still under way is undone as well: until this thread has
  // answered bluetoothd's read the objects are gone and it fails; once it has, bluetoothd has finished
  // registering before it reads the unregistration sent after that answer.
  void withdraw(const std::shared_ptr<Export>& exported, const char* manager, const char* undo) {
    if (!exported || exported->withdrawn) return;
    exported->withdrawn = true;
    exported->unexport();
    if (!exported->requested || !objects) return;
    bluez::callAsync<>(
        objects->proxy(exported->adapter), manager, undo,
        [path = exported->path](sdbus::MethodCall& call) { call << sdbus::ObjectPath(path); },
        kUnregisterTimeout, [](const std::string&) {});
  }

  std::weak_ptr<BlueZPeripheral> owner;
  sdbus::IConnection* connection = nullptr;
  std::shared_ptr<Export> application;
  std::shared_ptr<Export> advertisement;
  std::unique_ptr<bluez::BlueZObjects> objects;
};

std::shared_ptr<BlueZPeripheral> BlueZPeripheral::create(std::shared_ptr<dbus::BusConnection> bus,
                                                         Handlers handlers) {
  auto manager = std::make_shared<BlueZPeripheral>(bus, std::move(handlers));
  auto side = std::make_shared<BusSide>(manager);
  manager->side_ = side;
  bus->post([side, raw = bus.get()](sdbus::IConnection& connection) {
    side->start(connection);
    raw->adopt(side);
  });
  return manager;
}

BlueZPeripheral::BlueZPeripheral(std::shared_ptr<dbus::BusConnection> bus, Handlers handlers)
    : BlueZLink(std::move(bus)), handlers_(std::move(handlers)) {}

BlueZPeripheral::~BlueZPeripheral() {
  bus_->post([side = side_, raw = bus_.get()](sdbus::IConnection&) {
    if (auto s = side.lock()) raw->forget(s.get());
  });
}

void BlueZPeripheral::addService(const GattService& service) {
  bus_->post([side = side_, service](sdbus::IConnection&) {
    if (auto s = side.lock()) s->addService(service);
  });
}

void BlueZPeripheral::removeAllServices() {
  bus_->post([side = side_](sdbus::IConnection&) {
    if (auto s = side.lock()) s->withdraw(s->application, bluez::kGattManager, "UnregisterApplication");
  });
}

void BlueZPeripheral::startAdvertising(const std::vector<std::string>& serviceUUIDs) {
  bus_->post([side = side_, serviceUUIDs](sdbus::IConnection&) {
    if (auto s = side.lock()) s->startAdvertising(serviceUUIDs);
  });
}

void BlueZPeripheral::stopAdvertising() {
  bus_->post([side = side_](sdbus::IConnection&) {
    if (auto s = side.lock())
      s->withdraw(s->advertisement, bluez::kAdvertisingManager, "UnregisterAdvertisement");
  });
}

void BlueZPeripheral::deliverState(ManagerState state) {
  if (state == told_) return;
  told_ = state;
  if (handlers_.stateChanged) handlers_.stateChanged(state);
}

}  // namespace vl::bluetooth
