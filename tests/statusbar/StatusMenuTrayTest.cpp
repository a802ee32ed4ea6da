#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>

#include <chrono>
#include <thread>

#include "core/VLConfig.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/DesktopBackends.h"
#include "platform/system/GlobalEventMonitor.h"
#include "platform/system/dbus/BusConnection.h"
#include "platform/system/dbus/DBusStatusItem.h"
#include "platform/system/headless/HeadlessHotKeyCenter.h"
#include "platform/ui/view/Appearance.h"
#include "statusbar/VLStatusBar.h"
#include "support/RequiredDesktop.h"
#include "support/SessionBusTestSupport.h"

namespace vl {
namespace {

using Properties = std::map<std::string, sdbus::Variant>;
using LayoutItem = sdbus::Struct<std::int32_t, Properties, std::vector<sdbus::Variant>>;
using Pixmap = sdbus::Struct<std::int32_t, std::int32_t, std::vector<std::uint8_t>>;
constexpr const char* kMenuInterface = "com.canonical.dbusmenu";

bool waitFor(const std::function<bool()>& condition, dbustest::Peer* peer = nullptr) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (;;) {
    if (peer) peer->pump();
    dispatch::MainLoop::runUntilIdle();
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// The desktop's tray, on a bus of our own, reading the status menu and clicking its rows.
TEST(StatusMenuTrayTest, TheTrayShowsTheMenuAndItsClicksAct) {
  dbustest::PrivateSessionBus bus;
  if (bus.address().empty()) VL_SKIP_WITHOUT_DESKTOP(bus.skipReason());
  test::PrivateHome home("vl-statusmenu-tray");
  UserDefaults::resetForTesting();
  VLConfig::resetForTesting();
  dispatch::MainLoop::adoptCurrentThread();
  ui::SystemAppearance::shared().setDark(false);
  HotKeyCenter::install(std::make_shared<HeadlessHotKeyCenter>());
  GlobalEventMonitor::install(std::make_shared<HeadlessGlobalEventMonitor>());
  std::vector<std::string> shown;
  VLStatusBar::setMenuActions({nullptr, [&](const std::string& key) { shown.push_back(key); }});

  dbustest::Peer watcherPeer(bus.address(), "org.kde.StatusNotifierWatcher");
  std::vector<std::string> senders;
  auto watcher = sdbus::createObject(watcherPeer.connection(), "/StatusNotifierWatcher");
  watcher->registerMethod("RegisterStatusNotifierItem")
      .onInterface("org.kde.StatusNotifierWatcher")
      .implementedAs([&](const std::string&) {
        senders.push_back(watcher->getCurrentlyProcessedMessage()->getSender());
      });
  watcher->finishRegistration();

  auto connection = dbus::BusConnection::open(bus.address());
  dbus::DBusStatusItem::install(connection);
  {
    auto bar = VLStatusBar::create();
    bar->produceStatusItem();
    ASSERT_TRUE(waitFor([&] { return !senders.empty(); }, &watcherPeer));

    dbustest::Peer host(bus.address());
    auto menu = sdbus::createProxy(host.connection(), senders[0], "/MenuBar");
    auto item = sdbus::createProxy(host.connection(), senders[0], "/StatusNotifierItem");
    const auto layout = [&] {
      std::uint32_t revision = 0;
      LayoutItem root;
      menu->callMethod("GetLayout")
          .onInterface(kMenuInterface)
          .withArguments(std::int32_t{0}, std::int32_t{-1}, std::vector<std::string>{})
          .storeResultsTo(revision, root);
      return root;
    };
    const auto row = [&](const LayoutItem& node, std::size_t i) {
      return node.get<2>()[i].get<LayoutItem>();
    };
    const auto label = [](LayoutItem node) {
      auto props = node.get<1>();
      return props.count("label") ? props["label"].get<std::string>() : props["type"].get<std::string>();
    };
    const auto click = [&](const LayoutItem& node) {
      menu->callMethod("Event")
          .onInterface(kMenuInterface)
          .withArguments(node.get<0>(), std::string("clicked"), sdbus::Variant(std::int32_t{0}),
                         std::uint32_t{0});
    };
    // The first pixel drawn, as (R, G, B) of the largest picture.
    const auto colour = [&] {
      auto pixmaps = item->getProperty("IconPixmap")
                         .onInterface("org.kde.StatusNotifierItem")
                         .get<std::vector<Pixmap>>();
      const auto& argb = pixmaps.at(0).get<2>();
      for (std::size_t i = 0; i + 3 < argb.size(); i += 4) {
        if (argb[i] == 255) return std::vector<int>{argb[i + 1], argb[i + 2], argb[i + 3]};
      }
      return std::vector<int>{};
    };

    // The menu and the icon are exported after the item registers.
    LayoutItem root;
    ASSERT_TRUE(waitFor([&] { return (root = layout()).get<2>().size() == 12u; }));
    EXPECT_EQ(label(row(root, 3)), localized("statuesbar.color"));
    EXPECT_EQ(label(row(root, 8)), localized("statusbar.about"));
    EXPECT_TRUE(waitFor([&] { return colour() == std::vector<int>{0xD8, 0x1E, 0x06}; }));

    click(row(root, 8));
    ASSERT_TRUE(waitFor([&] { return !shown.empty(); }));
    EXPECT_EQ(shown, std::vector<std::string>{"vellisto_about"});

    click(row(row(root, 3), 1));  // black
    ASSERT_TRUE(waitFor([&] { return colour() == std::vector<int>{0x22, 0x22, 0x22}; }));
    EXPECT_EQ(row(row(layout(), 3), 1).get<1>()["toggle-state"].get<std::int32_t>(), 1);
  }
  connection->close();
  closeSessionBusBackends();
  VLStatusBar::setMenuActions({});
  HotKeyCenter::install(nullptr);
  GlobalEventMonitor::install(nullptr);
  VLConfig::resetForTesting();
  UserDefaults::resetForTesting();
}

}  // namespace
}  // namespace vl
