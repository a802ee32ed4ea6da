#include "support/StandInBlueZ.h"

#include <sdbus-c++/sdbus-c++.h>

#include <algorithm>
#include <cstdio>
#include <future>
#include <map>
#include <set>

#include "platform/dispatch/Dispatch.h"
#include "platform/system/bluetooth/BlueZCalls.h"
#include "platform/system/bluetooth/BluetoothManagers.h"
#include "platform/system/dbus/BusConnection.h"

namespace vl::dbustest {

namespace bluez = bluetooth::bluez;
using bluez::ManagedObjects;
using bluez::Properties;

namespace {

constexpr const char* kAdapterPath = "/org/bluez/hci0";
constexpr std::chrono::milliseconds kCallTimeout{5000};

sdbus::Error failed(const std::string& name, const std::string& text) {
  return sdbus::Error("org.bluez.Error." + name, text);
}

bool shares(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  return std::any_of(a.begin(), a.end(), [&](const std::string& x) {
    return std::any_of(b.begin(), b.end(), [&](const std::string& y) { return bluetooth::sameUUID(x, y); });
  });
}

}  // namespace

struct StandInBlueZ::Service {
  struct Application {
    std::string sender;
    std::string path;
    std::string serviceUUID;
    std::string characteristic;
    std::string characteristicUUID;
  };
  struct Advertisement {
    std::string sender;
    std::string path;
    std::vector<std::string> uuids;
  };
  struct Device {
    std::string path;
    std::string owner;  // the connection whose advertisement it stands for
    std::vector<std::string> uuids;
    bool connected = false;
    bool resolved = false;
    std::vector<std::unique_ptr<sdbus::IObject>> gatt;  // service, then characteristic
    std::unique_ptr<sdbus::IObject> object;
  };

  Service(StandInBlueZ* standIn, Options given, std::weak_ptr<dbus::BusConnection> busConnection)
      : owner(standIn), options(given), powered(given.powered), bus(std::move(busConnection)) {}

  void start(sdbus::IConnection& c) {
    connection = &c;
    connection->requestName("org.bluez");
    root = sdbus::createObject(c, "/");
    root->addObjectManager();
    if (options.adapter) exportAdapter();
    owner->update([&](Seen& seen) { seen.powered = powered; });
  }

  std::string sender(sdbus::IObject& object) { return object.getCurrentlyProcessedMessage()->getSender(); }

  sdbus::IProxy& proxy(const std::string& destination, const std::string& path) {
    auto& slot = proxies[destination + path];
    if (!slot) slot = sdbus::createProxy(*connection, destination, path);
    return *slot;
  }

  void exportAdapter() {
    adapter = sdbus::createObject(*connection, kAdapterPath);
    const char* a = bluez::kAdapter;
    adapter->registerProperty("Powered").onInterface(a).withGetter([this] { return powered; });
    adapter->registerProperty("Address").onInterface(a).withGetter(
        [] { return std::string("00:AA:BB:CC:DD:EE"); });
    adapter->registerMethod("SetDiscoveryFilter")
        .onInterface(a)
        .implementedAs([this](const Properties& filter) {
          auto uuids =
              bluez::property<std::vector<std::string>>(filter, "UUIDs").value_or(std::vector<std::string>{});
          auto transport = bluez::property<std::string>(filter, "Transport").value_or("");
          filters[sender(*adapter)] = uuids;
          owner->update([&](Seen& seen) {
            seen.filterUUIDs = uuids;
            seen.filterTransport = transport;
          });
        });
    adapter->registerMethod("StartDiscovery").onInterface(a).implementedAs([this] {
      if (!powered) throw failed("NotReady", "Resource Not Ready");
      const std::string client = sender(*adapter);
      discovering.insert(client);
      owner->update([](Seen& seen) { ++seen.discoveries; });
      for (const auto& advertisement : advertisements) show(advertisement, client);
    });
    adapter->registerMethod("StopDiscovery").onInterface(a).implementedAs([this] {
      if (discovering.erase(sender(*adapter)) == 0) throw failed("Failed", "No discovery started");
    });
    adapter->registerMethod("RegisterApplication")
        .onInterface(bluez::kGattManager)
        .implementedAs([this](sdbus::Result<>&& result, const sdbus::ObjectPath& path, const Properties&) {
          registerApplication(std::make_shared<sdbus::Result<>>(std::move(result)), sender(*adapter), path);
        });
    adapter->registerMethod("UnregisterApplication")
        .onInterface(bluez::kGattManager)
        .implementedAs([this](const sdbus::ObjectPath& path) {
          const std::string client = sender(*adapter);
          auto it = std::find_if(applications.begin(), applications.end(), [&](const Application& app) {
            return app.sender == client && app.path == path;
          });
          if (it == applications.end()) throw failed("DoesNotExist", "No such application");
          applications.erase(it);
          owner->update([&](Seen& seen) { seen.applications = static_cast<int>(applications.size()); });
        });
    adapter->registerMethod("RegisterAdvertisement")
        .onInterface(bluez::kAdvertisingManager)
        .implementedAs([this](sdbus::Result<>&& result, const sdbus::ObjectPath& path, const Properties&) {
          registerAdvertisement(std::make_shared<sdbus::Result<>>(std::move(result)), sender(*adapter), path);
        });
    adapter->registerMethod("UnregisterAdvertisement")
        .onInterface(bluez::kAdvertisingManager)
        .implementedAs([this](const sdbus::ObjectPath& path) {
          const std::string client = sender(*adapter);
          auto it = std::find_if(advertisements.begin(), advertisements.end(), [&](const Advertisement& ad) {
            return ad.sender == client && ad.path == path;
          });
          if (it == advertisements.end()) throw failed("DoesNotExist", "No such advertisement");
          advertisements.erase(it);
          owner->update([&](Seen& seen) { seen.advertisements = static_cast<int>(advertisements.size()); });
        });
    adapter->finishRegistration();
  }

  void refuse(const std::shared_ptr<sdbus::Result<>>& result, const std::string& why) {
    owner->update([&](Seen& seen) { seen.refusals.push_back(why); });
    result->returnError(failed("InvalidArguments", why));
  }

  // Reads the application the way bluetoothd does before it answers the registrant.
  void registerApplication(std::shared_ptr<sdbus::Result<>> result, const std::string& client,
                           const std::string& path) {
    bluez::callAsync<ManagedObjects>(
        proxy(client, path), bluez::kObjectManager, "GetManagedObjects", {}, kCallTimeout,
        [this, result, client, path](const std::string& error, ManagedObjects objects) {
          if (!error.empty()) return refuse(result, "the application could not be read: " + error);
          Application app{client, path, {}, {}, {}};
          std::string service;
          for (const auto& [object, interfaces] : objects) {
            const Properties* s = bluez::interfaceOf(interfaces, bluez::kGattService);
            if (!s || object.rfind(path + "/", 0) != 0) continue;
            if (!bluez::property<bool>(*s, "Primary").value_or(false))
              return refuse(result, "a secondary service");
            app.serviceUUID = bluez::property<std::string>(*s, "UUID").value_or("");
            if (app.serviceUUID.empty()) return refuse(result, "no UUID");
            service = object;
          }
          for (const auto& [object, interfaces] : objects) {
            const Properties* c = bluez::interfaceOf(interfaces, bluez::kGattCharacteristic);
            if (!c || service.empty()) continue;
            if (bluez::property<sdbus::ObjectPath>(*c, "Service").value_or(sdbus::ObjectPath()) != service)
              return refuse(result, "a characteristic outside the service");
            auto flags =
                bluez::property<std::vector<std::string>>(*c, "Flags").value_or(std::vector<std::string>{});
            if (flags != std::vector<std::string>{"read"})
              return refuse(result, "flags other than read only");
            app.characteristic = object;
            app.characteristicUUID = bluez::property<std::string>(*c, "UUID").value_or("");
          }
          if (app.characteristic.empty()) return refuse(result, "no service with a characteristic");
          applications.push_back(app);
          owner->update([&](Seen& seen) {
            seen.applications = static_cast<int>(applications.size());
            ++seen.applicationRegistrations;
          });
          result->returnResults();
        });
  }

  void registerAdvertisement(std::shared_ptr<sdbus::Result<>> result, const std::string& client,
                             const std::string& path) {
    if (!powered) {
      result->returnError(failed("NotReady", "Resource Not Ready"));
      return;
    }
    if (!options.canAdvertise) {
      owner->update([](Seen& seen) { seen.refusals.push_back("the adapter cannot advertise"); });
      result->returnError(failed("Failed", "Failed to register advertisement"));
      return;
    }
    bluez::callAsync<Properties>(
        proxy(client, path), bluez::kProperties, "GetAll",
        [](sdbus::MethodCall& call) { call << std::string(bluez::kAdvertisement); }, kCallTimeout,
        [this, result, client, path](const std::string& error, Properties properties) {
          if (!error.empty()) return refuse(result, "the advertisement could not be read: " + error);
          Advertisement ad{client, path,
                           bluez::property<std::vector<std::string>>(properties, "ServiceUUIDs")
                               .value_or(std::vector<std::string>{})};
          owner->update([&](Seen& seen) {
            seen.advertisementType = bluez::property<std::string>(properties, "Type").value_or("");
            seen.advertisedUUIDs = ad.uuids;
            seen.advertisedLocalName = properties.count("LocalName") > 0;
          });
          advertisements.push_back(ad);
          owner->update([&](Seen& seen) {
            seen.advertisements = static_cast<int>(advertisements.size());
            ++seen.advertisementRegistrations;
          });
          result->returnResults();
          for (const auto& other : discovering) show(ad, other);
        });
  }

  // The device an advertisement stands for, shown to a discovering client of another connection once.
  void show(const Advertisement& ad, const std::string& client) {
    if (ad.sender == client) return;
    auto filter = filters.find(client);
    if (filter != filters.end() && !filter->second.empty() && !shares(filter->second, ad.uuids)) return;
    for (const auto& [path, device] : devices) {
      if (device->owner == ad.sender) return;  // known: bluetoothd does not announce it again
    }
    auto device = std::make_unique<Device>();
    char path[64];
    std::snprintf(path, sizeof path, "%s/dev_00_11_22_33_44_%02X", kAdapterPath, nextDevice++ & 0xFF);
    device->path = path;
    device->owner = ad.sender;
    device->uuids = ad.uuids;
    Device* d = device.get();
    auto& object = device->object = sdbus::createObject(*connection, d->path);
    const char* i = bluez::kDevice;
    object->registerProperty("Address").onInterface(i).withGetter(
        [d] { return d->path.substr(d->path.size() - 17); });
    object->registerProperty("Alias").onInterface(i).withGetter([] { return std::string("stand-in peer"); });
    object->registerProperty("Adapter").onInterface(i).withGetter(
        [] { return sdbus::ObjectPath(kAdapterPath); });
    object->registerProperty("UUIDs").onInterface(i).withGetter([d] { return d->uuids; });
    object->registerProperty("Connected").onInterface(i).withGetter([d] { return d->connected; });
    object->registerProperty("ServicesResolved").onInterface(i).withGetter([d] { return d->resolved; });
    object->registerMethod("Connect").onInterface(i).implementedAs([this, d] { connect(*d); });
    object->registerMethod("Disconnect").onInterface(i).implementedAs([this, d] { disconnect(*d); });
    object->finishRegistration();
    object->emitInterfacesAddedSignal();
    devices[d->path] = std::move(device);
  }

  void connect(Device& device) {
    if (device.connected) throw failed("AlreadyConnected", "Already Connected");
    device.connected = true;
    device.object->emitPropertiesChangedSignal(bluez::kDevice, {"Connected"});
    owner->update([](Seen& seen) {
      ++seen.connects;
      ++seen.connected;
    });
    // Services resolve after the connection is answered, as they do over the air.
    if (auto b = bus.lock()) {
      b->post([this, path = device.path](sdbus::IConnection&) { resolve(path); });
    }
  }

  void resolve(const std::string& path) {
    auto it = devices.find(path);
    if (it == devices.end() || !it->second->connected) return;
    Device& device = *it->second;
    auto app = std::find_if(applications.begin(), applications.end(),
                            [&](const Application& a) { return a.sender == device.owner; });
    // A registrant that withdrew its application offers no services.
    if (app == applications.end()) return;
    auto service = sdbus::createObject(*connection, path + "/service0001");
    const std::string uuid = app->serviceUUID;
    service->registerProperty("UUID").onInterface(bluez::kGattService).withGetter([uuid] { return uuid; });
    service->registerProperty("Primary").onInterface(bluez::kGattService).withGetter([] { return true; });
    service->registerProperty("Device").onInterface(bluez::kGattService).withGetter([path] {
      return sdbus::ObjectPath(path);
    });
    service->finishRegistration();
    auto characteristic = sdbus::createObject(*connection, path + "/service0001/char0002");
    const char* c = bluez::kGattCharacteristic;
    const std::string characteristicUUID = app->characteristicUUID;
    characteristic->registerProperty("UUID").onInterface(c).withGetter(
        [characteristicUUID] { return characteristicUUID; });
    characteristic->registerProperty("Service").onInterface(c).withGetter(
        [path] { return sdbus::ObjectPath(path + "/service0001"); });
    characteristic->registerProperty("Flags").onInterface(c).withGetter(
        [] { return std::vector<std::string>{"read"}; });
    characteristic->registerMethod("ReadValue")
        .onInterface(c)
        .implementedAs([this, owner = device.owner](sdbus::Result<std::vector<std::uint8_t>>&& result,
                                                    const Properties& readOptions) {
          forwardRead(std::make_shared<sdbus::Result<std::vector<std::uint8_t>>>(std::move(result)), owner,
                      bluez::property<std::uint16_t>(readOptions, "offset").value_or(0));
        });
    characteristic->finishRegistration();
    service->emitInterfacesAddedSignal();
    characteristic->emitInterfacesAddedSignal();
    device.gatt.push_back(std::move(service));
    device.gatt.push_back(std::move(characteristic));
    device.resolved = true;
    device.object->emitPropertiesChangedSignal(bluez::kDevice, {"ServicesResolved"});
  }

  void forwardRead(std::shared_ptr<sdbus::Result<std::vector<std::uint8_t>>> result, const std::string& peer,
                   std::uint16_t offset) {
    owner->update([&](Seen& seen) { seen.readOffsets.push_back(offset); });
    auto app = std::find_if(applications.begin(), applications.end(),
                            [&](const Application& a) { return a.sender == peer; });
    if (app == applications.end()) {
      result->returnError(failed("Failed", "Not registered"));
      return;
    }
    const std::size_t piece = options.readPiece;
    bluez::callAsync<std::vector<std::uint8_t>>(
        proxy(app->sender, app->characteristic), bluez::kGattCharacteristic, "ReadValue",
        [offset](sdbus::MethodCall& call) {
          call << Properties{{"offset", sdbus::Variant(offset)}};
        },
        kCallTimeout,
        [result, piece](const std::string& error, std::vector<std::uint8_t> value) {
          if (!error.empty()) {
            result->returnError(failed("Failed", error));
            return;
          }
          if (value.size() > piece) value.resize(piece);
          result->returnResults(value);
        });
  }

  void disconnect(Device& device) {
    if (!device.connected) throw failed("NotConnected", "Not Connected");
    while (!device.gatt.empty()) {
      device.gatt.back()->emitInterfacesRemovedSignal();
      device.gatt.pop_back();
    }
    device.connected = false;
    device.resolved = false;
    device.object->emitPropertiesChangedSignal(bluez::kDevice, {"Connected", "ServicesResolved"});
    owner->update([](Seen& seen) { --seen.connected; });
  }

  void setPowered(bool on) {
    powered = on;
    if (adapter) adapter->emitPropertiesChangedSignal(bluez::kAdapter, {"Powered"});
    owner->update([&](Seen& seen) { seen.powered = on; });
  }

  StandInBlueZ* owner;
  Options options;
  bool powered;
  std::weak_ptr<dbus::BusConnection> bus;
  sdbus::IConnection* connection = nullptr;
  std::map<std::string, std::unique_ptr<sdbus::IProxy>> proxies;
  std::vector<Application> applications;
  std::vector<Advertisement> advertisements;
  std::map<std::string, std::vector<std::string>> filters;
  std::set<std::string> discovering;
  int nextDevice = 1;
  // Declared last: objects go before the state their handlers read.
  std::unique_ptr<sdbus::IObject> root;
  std::unique_ptr<sdbus::IObject> adapter;
  std::map<std::string, std::unique_ptr<Device>> devices;
};

StandInBlueZ::StandInBlueZ(const std::string& address, Options options)
    : bus_(dbus::BusConnection::open(address)) {
  auto service = std::make_shared<Service>(this, options, bus_);
  service_ = service;
  auto started = std::make_shared<std::promise<bool>>();
  std::future<bool> done = started->get_future();
  bus_->post([service, started, raw = bus_.get()](sdbus::IConnection& connection) {
    try {
      service->start(connection);
      raw->adopt(service);
      started->set_value(true);
    } catch (const sdbus::Error&) {
      started->set_value(false);
    }
  });
  ready_ = done.wait_for(std::chrono::seconds(10)) == std::future_status::ready && done.get();
}

StandInBlueZ::~StandInBlueZ() { bus_->close(); }

void StandInBlueZ::setPowered(bool powered) {
  bus_->post([weak = service_, powered](sdbus::IConnection&) {
    if (auto service = weak.lock()) service->setPowered(powered);
  });
}

StandInBlueZ::Seen StandInBlueZ::seen() const {
  std::lock_guard lock(mutex_);
  return seen_;
}

void StandInBlueZ::update(const std::function<void(Seen&)>& change) {
  {
    std::lock_guard lock(mutex_);
    change(seen_);
  }
  // Tests wait on the main queue.
  dispatch::Queue::main()->async([] {});
}

}  // namespace vl::dbustest
