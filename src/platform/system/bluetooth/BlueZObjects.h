#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/system/bluetooth/BlueZCalls.h"
#include "platform/system/bluetooth/BluetoothManagers.h"

namespace vl::bluetooth::bluez {

// BlueZ's object tree as one client sees it, kept up to date from its signals: the first adapter and
// whether it is powered, the devices it knows and their GATT objects. Bus thread only.
//
// The first answer comes within about 1.5 s whatever happens: no bluetoothd, an access denied or a
// bluetoothd that does not answer all count as an answer. A bluetoothd that stops or starts later is
// followed.
class BlueZObjects {
 public:
  struct Events {
    // The first answer, then every change of state() or adapter().
    std::function<void()> stateChanged;
    // An object appeared or some of its properties changed.
    std::function<void(const std::string& path)> objectChanged;
  };
  static constexpr std::chrono::milliseconds kAnswerTimeout{1500};
  // More objects than any real adapter knows; a flood beyond it is not kept.
  static constexpr std::size_t kMaxObjects = 4096;

  BlueZObjects(sdbus::IConnection& connection, Events events);
  ~BlueZObjects();
  BlueZObjects(const BlueZObjects&) = delete;
  BlueZObjects& operator=(const BlueZObjects&) = delete;

  ManagerState state() const { return state_; }
  const std::string& adapter() const { return adapter_; }
  const std::map<std::string, Interfaces>& objects() const { return objects_; }
  // The properties of `interface` on the object at `path`, or nullptr.
  const Properties* find(const std::string& path, const std::string& interface) const;
  // A proxy of BlueZ's object at `path`, kept as long as this mirror.
  sdbus::IProxy& proxy(const std::string& path);
  // Reads the whole tree again.
  void refresh();

 private:
  void answer(std::uint64_t generation, const std::string& error, ManagedObjects objects);
  void added(sdbus::Message& message);
  void removed(sdbus::Message& message);
  void changed(sdbus::Message& message);
  void ownerChanged(sdbus::Message& message);
  void update();

  sdbus::IConnection& connection_;
  Events events_;
  std::vector<sdbus::Slot> matches_;
  std::map<std::string, std::unique_ptr<sdbus::IProxy>> proxies_;
  std::map<std::string, Interfaces> objects_;
  std::string adapter_;
  ManagerState state_ = ManagerState::Unknown;
  ManagerState failure_ = ManagerState::Unknown;  // what the last failed read means; Unknown after a good one
  bool answered_ = false;
  std::uint64_t generation_ = 0;  // answers to an older refresh are dropped
};

}  // namespace vl::bluetooth::bluez
