#include "platform/system/bluetooth/BlueZObjects.h"

#include "platform/foundation/Log.h"

namespace vl::bluetooth::bluez {

namespace {

// Runs a signal handler so that a signal of an unexpected shape is dropped instead of ending the
// connection: sd-bus would pass the exception out of its event loop.
sdbus::message_handler guarded(std::function<void(sdbus::Message&)> handler) {
  return [handler = std::move(handler)](sdbus::Message& message) {
    try {
      handler(message);
    } catch (const sdbus::Error& e) {
      logWarningf("bluetooth: dropped a malformed %s signal (%s)", message.getMemberName().c_str(),
                  e.getName().c_str());
    }
  };
}

std::string signalRule(const std::string& sender, const std::string& interface, const std::string& member) {
  return "type='signal',sender='" + sender + "',interface='" + interface + "',member='" + member + "'";
}

}  // namespace

BlueZObjects::BlueZObjects(sdbus::IConnection& connection, Events events)
    : connection_(connection), events_(std::move(events)) {
  matches_.push_back(connection_.addMatch(signalRule(kService, kObjectManager, "InterfacesAdded"),
                                          guarded([this](sdbus::Message& m) { added(m); })));
  matches_.push_back(connection_.addMatch(signalRule(kService, kObjectManager, "InterfacesRemoved"),
                                          guarded([this](sdbus::Message& m) { removed(m); })));
  matches_.push_back(connection_.addMatch(signalRule(kService, kProperties, "PropertiesChanged"),
                                          guarded([this](sdbus::Message& m) { changed(m); })));
  matches_.push_back(connection_.addMatch(
      signalRule("org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged") + ",arg0='org.bluez'",
      guarded([this](sdbus::Message& m) { ownerChanged(m); })));
  refresh();
}

BlueZObjects::~BlueZObjects() = default;

const Properties* BlueZObjects::find(const std::string& path, const std::string& interface) const {
  auto it = objects_.find(path);
  return it == objects_.end() ? nullptr : interfaceOf(it->second, interface);
}

sdbus::IProxy& BlueZObjects::proxy(const std::string& path) {
  auto& slot = proxies_[path];
  if (!slot) slot = sdbus::createProxy(connection_, kService, path);
  return *slot;
}

void BlueZObjects::refresh() {
  const std::uint64_t generation = ++generation_;
  callAsync<ManagedObjects>(proxy("/"), kObjectManager, "GetManagedObjects", {}, kAnswerTimeout,
                            [this, generation](const std::string& error, ManagedObjects objects) {
                              answer(generation, error, std::move(objects));
                            });
}

void BlueZObjects::answer(std::uint64_t generation, const std::string& error, ManagedObjects objects) {
  if (generation != generation_) return;
  answered_ = true;
  objects_.clear();
  if (!error.empty()) {
    const bool denied = error.find("AccessDenied") != std::string::npos;
    failure_ = denied ? ManagerState::Unauthorized : ManagerState::Unsupported;
    logWarningf("bluetooth: BlueZ did not answer (%s)", shortError(error).c_str());
  } else {
    failure_ = ManagerState::Unknown;
    for (auto& [path, interfaces] : objects) {
      if (objects_.size() >= kMaxObjects) break;
      objects_.emplace(path, std::move(interfaces));
    }
  }
  update();
}

void BlueZObjects::added(sdbus::Message& message) {
  sdbus::ObjectPath path;
  Interfaces interfaces;
  message >> path >> interfaces;
  auto it = objects_.find(path);
  if (it == objects_.end()) {
    if (objects_.size() >= kMaxObjects) return;
    it = objects_.emplace(path, Interfaces{}).first;
  }
  for (auto& [name, properties] : interfaces) it->second[name] = std::move(properties);
  update();
  if (events_.objectChanged) events_.objectChanged(path);
}

void BlueZObjects::removed(sdbus::Message& message) {
  sdbus::ObjectPath path;
  std::vector<std::string> interfaces;
  message >> path >> interfaces;
  auto it = objects_.find(path);
  if (it == objects_.end()) return;
  for (const auto& name : interfaces) it->second.erase(name);
  if (it->second.empty()) objects_.erase(it);
  update();
}

void BlueZObjects::changed(sdbus::Message& message) {
  std::string interface;
  Properties properties;
  message >> interface >> properties;
  const std::string path = message.getPath();
  auto it = objects_.find(path);
  if (it == objects_.end()) return;
  auto& known = it->second[interface];
  for (auto& [key, value] : properties) known[key] = std::move(value);
  update();
  if (events_.objectChanged) events_.objectChanged(path);
}

void BlueZObjects::ownerChanged(sdbus::Message& message) {
  std::string name, oldOwner, newOwner;
  message >> name >> oldOwner >> newOwner;
  if (name != kService) return;
  if (!newOwner.empty()) {
    // A bluetoothd that (re)started: its objects are new, and so are our proxies' peers.
    refresh();
    return;
  }
  ++generation_;
  answered_ = true;
  failure_ = ManagerState::Unsupported;
  objects_.clear();
  logWarning("bluetooth: bluetoothd left the bus");
  update();
}

void BlueZObjects::update() {
  // The first adapter in path order, whether powered or not.
  std::string adapter;
  bool powered = false;
  for (const auto& [path, interfaces] : objects_) {
    if (const Properties* properties = interfaceOf(interfaces, kAdapter)) {
      adapter = path;
      powered = property<bool>(*properties, "Powered").value_or(false);
      break;
    }
  }
  ManagerState state = ManagerState::Unknown;
  if (answered_) {
    if (failure_ != ManagerState::Unknown) {
      state = failure_;
    } else if (adapter.empty()) {
      state = ManagerState::Unsupported;
    } else {
      state = powered ? ManagerState::PoweredOn : ManagerState::PoweredOff;
    }
  }
  const bool first = answered_ && state_ == ManagerState::Unknown;
  if (!first && state == state_ && adapter == adapter_) return;
  state_ = state;
  adapter_ = adapter;
  if (state_ != ManagerState::Unknown && events_.stateChanged) events_.stateChanged();
}

}  // namespace vl::bluetooth::bluez
