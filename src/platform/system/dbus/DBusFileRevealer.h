#pragma once

#include <memory>
#include <string>

#include "platform/system/FileRevealer.h"

namespace vl::dbus {

class BusConnection;

// Shows a file selected in the desktop's file manager through org.freedesktop.FileManager1.ShowItems on
// the session bus. The call goes out on the bus thread; when no file manager answers (or the bus is
// gone) the folder that holds the file is opened on the main queue instead.
class DBusFileRevealer final : public FileRevealer {
 public:
  // Installs a revealer over the bus; the default comes back when the bus is lost.
  static std::shared_ptr<DBusFileRevealer> install(const std::shared_ptr<BusConnection>& bus);
  explicit DBusFileRevealer(std::shared_ptr<BusConnection> bus);
  ~DBusFileRevealer() override;

  void reveal(const std::string& path, Shown shown = {}) override;

 private:
  struct BusSide;
  std::shared_ptr<BusConnection> bus_;
  std::weak_ptr<BusSide> busSide_;  // locked on the bus thread only
};

}  // namespace vl::dbus
