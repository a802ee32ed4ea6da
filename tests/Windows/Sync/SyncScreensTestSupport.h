#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Windows/Sync/CreateSyncNetworkController.h"
#include "Windows/Sync/SyncClientLink.h"
#include "Windows/Sync/SyncLook.h"
#include "Windows/Sync/SyncScreens.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/system/bluetooth/BluetoothManagers.h"
#include "platform/ui/controls/Beep.h"
#include "sync/discovery/PeripheralRole.h"
#include "sync/server/SyncNetworkServerWrapper.h"
#include "sync/store/CreatedDataSyncStore.h"
#include "sync/store/JoinDataSyncStore.h"
#include "ui/SheetTestSupport.h"
#include "ui/alert/Alert.h"
#include "ui/panels/MainViewHooks.h"

namespace vl::test {

// A radio the test switches: managers report its state on the main queue, as the real ones do, and
// count what they were asked to do.
class FakeBluetooth : public bluetooth::BluetoothStack {
 public:
  struct Counts {
    int peripherals = 0, advertising = 0, stops = 0;
  };
  bluetooth::ManagerState state = bluetooth::ManagerState::PoweredOn;
  std::shared_ptr<Counts> counts = std::make_shared<Counts>();
  // What the radio answers each advertisement ("" done, else why not), on the main queue.
  std::shared_ptr<std::string> advertisingError = std::make_shared<std::string>();

  class Peripheral : public bluetooth::PeripheralManager, public std::enable_shared_from_this<Peripheral> {
   public:
    Peripheral(std::shared_ptr<Counts> counts, std::shared_ptr<std::string> error,
               std::function<void(const std::string&)> answered)
        : counts_(std::move(counts)), error_(std::move(error)), answered_(std::move(answered)) {}
    void addService(const bluetooth::GattService&) override {}
    void removeAllServices() override {}
    void startAdvertising(const std::vector<std::string>&) override {
      ++counts_->advertising;
      std::weak_ptr<Peripheral> weak = shared_from_this();
      dispatch::Queue::main()->async([weak, error = *error_] {
        if (auto self = weak.lock(); self && self->answered_) self->answered_(error);
      });
    }
    void stopAdvertising() override { ++counts_->stops; }

   private:
    std::shared_ptr<Counts> counts_;
    std::shared_ptr<std::string> error_;
    std::function<void(const std::string&)> answered_;
  };
  class Central : public bluetooth::CentralManager {
   public:
    void scanForPeripherals(const std::string&) override {}
    void stopScan() override {}
    void readCharacteristic(const bluetooth::Peripheral&, const std::string&, const std::string&,
                            ReadHandlers) override {}
  };

  std::shared_ptr<bluetooth::PeripheralManager> makePeripheralManager(
      bluetooth::PeripheralManager::Handlers handlers) override {
    ++counts->peripherals;
    auto manager = std::make_shared<Peripheral>(counts, advertisingError, handlers.advertisingStarted);
    report(manager, handlers.stateChanged);
    return manager;
  }
  std::shared_ptr<bluetooth::CentralManager> makeCentralManager(
      bluetooth::CentralManager::Handlers handlers) override {
    auto manager = std::make_shared<Central>();
    report(manager, handlers.stateChanged);
    return manager;
  }

 private:
  template <typename M>
  void report(const std::shared_ptr<M>& manager, std::function<void(bluetooth::ManagerState)> changed) {
    std::weak_ptr<M> weak = manager;
    dispatch::Queue::main()->async([weak, changed, s = state] {
      if (weak.lock() && changed) changed(s);
    });
  }
};

// A port nothing listens on now.
inline int freePort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

// A joined session as the client side would report it.
class FakeClientLink : public SyncClientLink {
 public:
  std::optional<std::string> name;
  bool isConnected = true;
  int byes = 0;
  std::optional<std::string> joinedNetworkName() const override { return name; }
  bool connected() const override { return isConnected; }
  void bye() override {
    ++byes;
    name.reset();
  }
};

// The sheet fixture as large as the main window, the sync screens installed with the bar at the foot
// of the main view, a fake radio (on), this device's address 127.0.0.1 and the server on a free port of
// the loopback interface.
class SyncScreensTest : public SheetTest {
 protected:
  void SetUp() override {
    SheetTest::SetUp();
    window_->setFrame({100, 100, 680, 513}, false);
    syncEnv_.set("VELLISTO_SYNC_IFACE", "lo");
    syncEnv_.set("VELLISTO_SYNC_PORT", std::to_string(freePort()));
    bluetooth::BluetoothStack::install(radio);
    setSyncLocalAddressSource([this] { return address; });
    CreatedDataSyncStore::shared().resetForTesting();
    JoinDataSyncStore::shared().resetForTesting();
    ui::resetBeepCount();
    parts = SyncScreens::install();
    // What the main window does with the bar in its preview column.
    MainViewHooks hooks = MainViewHooks::current();
    hooks.closeSyncBar = [this] { bar()->close(); };
    hooks.setSyncBarEnabled = [this](bool enabled) { bar()->setEnabled(enabled); };
    MainViewHooks::install(std::move(hooks));
    bar()->setFrameOrigin({mainView_->frame().width() - SyncBar2::kWidth, 0});
    mainView_->addSubview(bar());
  }
  void TearDown() override {
    bar()->close();
    SyncNetworkServerWrapper::shared().close();
    SyncClientLink::install(nullptr);
    CreateOrJoinSyncNetworkController::setJoinPageFactory(nullptr);
    SyncScreens::resetForTesting();
    MainViewHooks hooks = MainViewHooks::current();
    hooks.closeSyncBar = nullptr;
    hooks.setSyncBarEnabled = nullptr;
    MainViewHooks::install(std::move(hooks));
    setSyncLocalAddressSource(nullptr);
    bluetooth::BluetoothStack::install(nullptr);
    CreatedDataSyncStore::shared().resetForTesting();
    JoinDataSyncStore::shared().resetForTesting();
    SheetTest::TearDown();
  }

  const std::shared_ptr<SyncBar2>& bar() const { return parts.bar; }
  std::shared_ptr<CreateOrJoinSyncNetworkController> rootPage() const { return parts.startPanel->rootPage(); }
  std::shared_ptr<ModalViewController> topPage() const {
    return parts.startPanel->navigationController()->currentModalViewController();
  }
  CreatedDataSyncStore::Network addNetwork(const std::string& name) {
    auto network = ServerSyncNetworkBean::ofName(name, "secret");
    CreatedDataSyncStore::shared().add(network);
    return network;
  }
  // Flips the switch as the user does.
  void flipSwitch() {
    clickView(*bar()->switchButton());
    advance(400);
  }
  void showStartPanel() {
    flipSwitch();
    ASSERT_TRUE(parts.startPanel->isShown());
  }
  // Runs what the radio and the pages queued, and lets a page slide in.
  void settle() {
    dispatch::MainLoop::runUntilIdle();
    advance(400);
  }
  // The alert over a view, if any.
  static std::shared_ptr<Alert> alertOver(const ui::View& host) {
    for (const auto& sub : host.subviews()) {
      if (auto alert = std::dynamic_pointer_cast<Alert>(sub)) return alert;
    }
    return nullptr;
  }

  std::shared_ptr<FakeBluetooth> radio = std::make_shared<FakeBluetooth>();
  std::optional<std::string> address = "127.0.0.1";
  SyncScreens::Parts parts;
  ScopedEnv syncEnv_;
};

}  // namespace vl::test
