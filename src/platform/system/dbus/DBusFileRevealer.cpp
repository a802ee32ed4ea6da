#include "platform/system/dbus/DBusFileRevealer.h"

#include <sdbus-c++/sdbus-c++.h>

#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "platform/system/dbus/BusConnection.h"

namespace vl::dbus {

namespace {

constexpr const char* kFileManagerName = "org.freedesktop.FileManager1";
constexpr const char* kFileManagerPath = "/org/freedesktop/FileManager1";
// How long a file manager that is started by the call may take to answer.
constexpr std::uint64_t kReplyTimeoutUs = 5'000'000;

void openFolderOnMainQueue(const std::string& path, FileRevealer::Shown shown) {
  dispatch::Queue::main()->async([path, shown = std::move(shown)] {
    const bool opened = FileRevealer::openContainingFolder(path);
    if (!opened) logWarning("reveal: no file manager answered, and the folder of a file cannot be opened");
    if (shown) shown(opened);
  });
}

}  // namespace

std::shared_ptr<DBusFileRevealer> DBusFileRevealer::install(const std::shared_ptr<BusConnection>& bus) {
  auto revealer = std::make_shared<DBusFileRevealer>(bus);
  std::weak_ptr<DBusFileRevealer> weak = revealer;
  bus->onLost([weak] {
    if (FileRevealer::shared() == weak.lock()) FileRevealer::install(nullptr);
  });
  FileRevealer::install(revealer);
  return revealer;
}

// The proxy lives on the bus thread for as long as the connection (or the revealer) does.
struct DBusFileRevealer::BusSide {
  std::unique_ptr<sdbus::IProxy> proxy;
};

DBusFileRevealer::DBusFileRevealer(std::shared_ptr<BusConnection> bus) : bus_(std::move(bus)) {
  auto side = std::make_shared<BusSide>();
  busSide_ = side;
  bus_->post([side, bus = bus_.get()](sdbus::IConnection& connection) {
    side->proxy = sdbus::createProxy(connection, kFileManagerName, kFileManagerPath);
    bus->adopt(side);
  });
}

DBusFileRevealer::~DBusFileRevealer() {
  bus_->post([side = busSide_, bus = bus_.get()](sdbus::IConnection&) {
    if (auto s = side.lock()) bus->forget(s.get());
  });
}

void DBusFileRevealer::reveal(const std::string& path, Shown shown) {
  if (bus_->isLost()) {
    FileRevealer::reveal(path, std::move(shown));
    return;
  }
  bus_->post([path, shown = std::move(shown), side = busSide_](sdbus::IConnection&) {
    auto s = side.lock();
    if (!s || !s->proxy) {
      openFolderOnMainQueue(path, shown);
      return;
    }
    s->proxy->callMethodAsync("ShowItems")
        .onInterface(kFileManagerName)
        .withTimeout(kReplyTimeoutUs)
        .withArguments(std::vector<std::string>{fileUrlFromPath(path)}, std::string())
        .uponReplyInvoke([path, shown](const sdbus::Error* error) {
          if (!error) {
            if (shown) dispatch::Queue::main()->async([shown] { shown(true); });
            return;
          }
          logWarningf("reveal: no file manager answered (%s); opening the folder", error->getName().c_str());
          openFolderOnMainQueue(path, shown);
        });
  });
}

}  // namespace vl::dbus
