#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>

#include <chrono>
#include <thread>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/system/DesktopBackends.h"
#include "platform/system/FileRevealer.h"
#include "platform/system/UserNotificationCenter.h"
#include "platform/system/dbus/BusConnection.h"
#include "platform/system/dbus/DBusFileRevealer.h"
#include "platform/system/dbus/DBusStatusItem.h"
#include "platform/system/dbus/DBusUserNotificationCenter.h"
#include "platform/system/dbus/PortalAppearance.h"
#include "platform/system/headless/HeadlessUserNotificationCenter.h"
#include "platform/system/headless/HeadlessWorkspace.h"
#include "platform/ui/menu/Menu.h"
#include "platform/ui/menu/StatusItem.h"
#include "platform/ui/view/Appearance.h"
#include "support/RequiredDesktop.h"
#include "support/SessionBusTestSupport.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

using dbustest::Peer;
using Properties = std::map<std::string, sdbus::Variant>;
using LayoutItem = sdbus::Struct<std::int32_t, Properties, std::vector<sdbus::Variant>>;
using Pixmap = sdbus::Struct<std::int32_t, std::int32_t, std::vector<std::uint8_t>>;
constexpr const char* kMenuInterface = "com.canonical.dbusmenu";

// Runs the main queue and the given peers until `condition` holds; false after 20 s of real time.
bool waitFor(const std::function<bool()>& condition, std::initializer_list<Peer*> peers = {}) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (;;) {
    for (Peer* p : peers) p->pump();
    dispatch::MainLoop::runUntilIdle();
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// The desktop's StatusNotifierWatcher as far as an item sees it.
struct Watcher {
  explicit Watcher(const std::string& address) : peer(address, "org.kde.StatusNotifierWatcher") {
    object = sdbus::createObject(peer.connection(), "/StatusNotifierWatcher");
    object->registerMethod("RegisterStatusNotifierItem")
        .onInterface("org.kde.StatusNotifierWatcher")
        .implementedAs([this](const std::string& path) {
          items.emplace_back(object->getCurrentlyProcessedMessage()->getSender(), path);
        });
    object->finishRegistration();
  }
  Peer peer;
  std::unique_ptr<sdbus::IObject> object;
  std::vector<std::pair<std::string, std::string>> items;  // (sender, object path)
};

class SessionBusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (bus_.address().empty()) VL_SKIP_WITHOUT_DESKTOP(bus_.skipReason());
    dispatch::MainLoop::adoptCurrentThread();
  }
  void TearDown() override {
    if (connection_) connection_->close();
    closeSessionBusBackends();
    ui::SystemAppearance::shared().resetForTesting();
    UserNotificationCenter::setActivationHandler(nullptr);
  }
  std::shared_ptr<dbus::BusConnection> connect() {
    connection_ = dbus::BusConnection::open(bus_.address());
    return connection_;
  }

  dbustest::PrivateSessionBus bus_;
  std::shared_ptr<dbus::BusConnection> connection_;
  test::LogCapture log_;
};

class TrayTest : public SessionBusTest {
 protected:
  void SetUp() override {
    SessionBusTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    target_ = std::make_shared<ui::ActionTarget>();
    target_->setActionHandler("itemAction:", [this](ui::ActionTarget* sender) {
      chosen_.push_back(static_cast<ui::MenuItem*>(sender)->tag());
    });
    menu_ = ui::Menu::create("Vellisto");
    addRow(menu_, "Show_Hide", 0);
    menu_->addItem(ui::MenuItem::separatorItem());
    auto colour = menu_->addItemWithTitle("Colour");
    auto sub = ui::Menu::create("color sub");
    addRow(sub, "Red", 1)->setState(1);
    addRow(sub, "Black", 2);
    colour->setSubmenu(sub);
    quit_ = addRow(menu_, "Quit", 3);
    quit_->setKeyEquivalent("q");
  }
  void TearDown() override {
    item_.reset();
    SessionBusTest::TearDown();
  }
  std::shared_ptr<ui::MenuItem> addRow(const std::shared_ptr<ui::Menu>& menu, const std::string& title,
                                       long tag) {
    auto row = menu->addItemWithTitle(title, "itemAction:");
    row->setTag(tag);
    row->setTarget(target_);
    return row;
  }
  void showItem() {
    item_ = ui::StatusBar::system().statusItemWithLength(ui::kSquareStatusItemLength);
    std::vector<std::uint8_t> red(8 * 8 * 4);
    for (std::size_t i = 0; i < red.size(); i += 4) red[i] = red[i + 3] = 255;
    item_->button()->setImage(std::make_shared<ui::Image>(ui::Size{8, 8}, 8, 8, red, "StatusIconRed"));
    item_->setMenu(menu_);
  }
  LayoutItem layout(sdbus::IProxy& menu, std::uint32_t* revision = nullptr, std::int32_t parent = 0,
                    std::int32_t depth = -1) {
    std::uint32_t rev = 0;
    LayoutItem root;
    menu.callMethod("GetLayout")
        .onInterface(kMenuInterface)
        .withArguments(parent, depth, std::vector<std::string>{})
        .storeResultsTo(rev, root);
    if (revision) *revision = rev;
    return root;
  }
  static std::vector<std::string> labels(const LayoutItem& node) {
    std::vector<std::string> out;
    for (const auto& v : node.get<2>()) {
      auto props = v.get<LayoutItem>().get<1>();
      out.push_back(props.count("label") ? props["label"].get<std::string>()
                                         : props["type"].get<std::string>());
    }
    return out;
  }

  std::shared_ptr<ui::ActionTarget> target_;
  std::shared_ptr<ui::Menu> menu_;
  std::shared_ptr<ui::MenuItem> quit_;
  std::shared_ptr<ui::StatusItem> item_;
  std::vector<long> chosen_;
};

TEST_F(TrayTest, ItemRegistersItsMenuIsReadAndAClickRunsTheAction) {
  Watcher watcher(bus_.address());
  dbus::DBusStatusItem::install(connect());
  showItem();
  ASSERT_TRUE(waitFor([&] { return !watcher.items.empty(); }, {&watcher.peer}));
  EXPECT_EQ(watcher.items[0].second, "/StatusNotifierItem");

  Peer host(bus_.address());
  auto menu = sdbus::createProxy(host.connection(), watcher.items[0].first, "/MenuBar");
  std::uint32_t revision = 0;
  // The first read after the item registered already has the whole menu of the block that made it.
  LayoutItem root = layout(*menu, &revision);
  ASSERT_EQ(labels(root), (std::vector<std::string>{"Show__Hide", "separator", "Colour", "Quit"}));
  LayoutItem colour = root.get<2>()[2].get<LayoutItem>();
  ASSERT_EQ(labels(colour), (std::vector<std::string>{"Red", "Black"}));
  auto red = colour.get<2>()[0].get<LayoutItem>().get<1>();
  EXPECT_EQ(red["toggle-state"].get<std::int32_t>(), 1);
  auto quit = root.get<2>()[3].get<LayoutItem>();
  EXPECT_EQ(quit.get<1>()["shortcut"].get<std::vector<std::vector<std::string>>>(),
            (std::vector<std::vector<std::string>>{{"Control", "q"}}));

  // The icon goes as ARGB in network order at the sizes trays draw.
  auto itemProxy = sdbus::createProxy(host.connection(), watcher.items[0].first, "/StatusNotifierItem");
  auto pixmaps = itemProxy->getProperty("IconPixmap")
                     .onInterface("org.kde.StatusNotifierItem")
                     .get<std::vector<Pixmap>>();
  ASSERT_FALSE(pixmaps.empty());
  EXPECT_EQ(pixmaps.back().get<0>(), 8);
  EXPECT_EQ(pixmaps[0].get<0>(), 64);
  EXPECT_EQ(std::vector<std::uint8_t>(pixmaps[0].get<2>().begin(), pixmaps[0].get<2>().begin() + 4),
            (std::vector<std::uint8_t>{255, 255, 0, 0}));

  // Hostile requests get an error or a bounded answer, and the item keeps working.
  EXPECT_THROW(layout(*menu, nullptr, 9999), sdbus::Error);
  EXPECT_EQ(labels(layout(*menu, nullptr, 0, 1 << 30)).size(), 4u);
  EXPECT_THROW(menu->callMethod("Event")
                   .onInterface(kMenuInterface)
                   .withArguments(std::int32_t{-7}, std::string("clicked"), sdbus::Variant(std::int32_t{0}),
                                  std::uint32_t{0}),
               sdbus::Error);

  menu->callMethod("Event")
      .onInterface(kMenuInterface)
      .withArguments(quit.get<0>(), std::string("clicked"), sdbus::Variant(std::int32_t{0}),
                     std::uint32_t{0});
  ASSERT_TRUE(waitFor([&] { return !chosen_.empty(); }));
  EXPECT_EQ(chosen_, std::vector<long>{3});

  // A changed row reaches the host with a new revision.
  quit_->setTitle("Leave");
  std::uint32_t later = 0;
  ASSERT_TRUE(waitFor([&] { return labels(layout(*menu, &later)).back() == "Leave"; }));
  EXPECT_GT(later, revision);
}

// A symbolic icon goes by name, from a folder the item names, beside the pixmaps; without one the host
// has the pixmaps alone.
TEST_F(TrayTest, ASymbolicIconIsOfferedByNameFromTheItemsFolder) {
  test::TempDir runtime;
  test::ScopedEnv env;
  env.set("XDG_RUNTIME_DIR", runtime.path());
  Watcher watcher(bus_.address());
  dbus::DBusStatusItem::install(connect());
  showItem();
  const ui::SymbolicIcon icon{"vellisto-test-symbolic", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>"};
  item_->setSymbolicIcon(icon);
  ASSERT_TRUE(waitFor([&] { return !watcher.items.empty(); }, {&watcher.peer}));
  Peer host(bus_.address());
  auto proxy = sdbus::createProxy(host.connection(), watcher.items[0].first, "/StatusNotifierItem");
  auto text = [&](const char* name) {
    return proxy->getProperty(name).onInterface("org.kde.StatusNotifierItem").get<std::string>();
  };
  EXPECT_EQ(text("IconName"), icon.name);
  const std::string folder = text("IconThemePath");
  EXPECT_EQ(folder, runtime.path() + "/vellisto-icons");
  for (const char* file :
       {"/vellisto-test-symbolic.svg", "/hicolor/scalable/apps/vellisto-test-symbolic.svg"})
    EXPECT_EQ(files::readFile(folder + file), icon.svg) << file;
  EXPECT_FALSE(proxy->getProperty("IconPixmap")
                   .onInterface("org.kde.StatusNotifierItem")
                   .get<std::vector<Pixmap>>()
                   .empty());

  item_->setSymbolicIcon(std::nullopt);
  EXPECT_TRUE(waitFor([&] { return text("IconName").empty(); }));
}

TEST_F(TrayTest, ItemRegistersWheneverAWatcherAppears) {
  auto item = dbus::DBusStatusItem::install(connect());
  int noHost = 0;  // where the program turns to an XEmbed tray
  item->setNoHostHandler([&] { ++noHost; });
  showItem();
  ASSERT_TRUE(waitFor([&] { return noHost == 1; }));

  auto watcher = std::make_unique<Watcher>(bus_.address());
  ASSERT_TRUE(waitFor([&] { return !watcher->items.empty(); }, {&watcher->peer}));
  watcher.reset();
  ASSERT_TRUE(waitFor([&] { return log_.contains("StatusNotifierWatcher went away"); }));
  watcher = std::make_unique<Watcher>(bus_.address());
  ASSERT_TRUE(waitFor([&] { return !watcher->items.empty(); }, {&watcher->peer}));
  EXPECT_EQ(watcher->items.size(), 1u);
}

TEST_F(SessionBusTest, PortalColorSchemeSetsTheSystemAppearance) {
  test::ScopedEnv env("VELLISTO_APPEARANCE", std::nullopt);
  int changes = 0;
  auto observer = ui::SystemAppearance::shared().center().observe(
      ui::SystemAppearance::kThemeChangedNotification, nullptr, [&](const auto&) { ++changes; });
  ui::SystemAppearance::shared().setDark(false);

  {  // No portal: the GTK theme decides.
    test::ScopedEnv gtk("GTK_THEME", "Adwaita:dark");
    dbus::followPortalAppearance(connect());
    ASSERT_TRUE(waitFor([] { return ui::SystemAppearance::shared().isDark(); }));
    connection_->close();
  }

  Peer portal(bus_.address(), "org.freedesktop.portal.Desktop");
  auto settings = sdbus::createObject(portal.connection(), "/org/freedesktop/portal/desktop");
  settings->registerMethod("ReadOne")
      .onInterface("org.freedesktop.portal.Settings")
      .implementedAs([](const std::string&, const std::string&) { return sdbus::Variant(std::uint32_t{2}); });
  settings->registerSignal("SettingChanged")
      .onInterface("org.freedesktop.portal.Settings")
      .withParameters<std::string, std::string, sdbus::Variant>();
  settings->finishRegistration();
  dbus::followPortalAppearance(connect());
  ASSERT_TRUE(waitFor([] { return !ui::SystemAppearance::shared().isDark(); }, {&portal}));

  // Other settings are not ours; the colour scheme changing is.
  const int before = changes;
  settings->emitSignal("SettingChanged")
      .onInterface("org.freedesktop.portal.Settings")
      .withArguments(std::string("org.gnome.desktop"), std::string("color-scheme"),
                     sdbus::Variant(std::uint32_t{1}));
  settings->emitSignal("SettingChanged")
      .onInterface("org.freedesktop.portal.Settings")
      .withArguments(std::string("org.freedesktop.appearance"), std::string("color-scheme"),
                     sdbus::Variant(std::uint32_t{1}));
  ASSERT_TRUE(waitFor([] { return ui::SystemAppearance::shared().isDark(); }, {&portal}));
  EXPECT_EQ(changes, before + 1);
}

TEST_F(SessionBusTest, NoticeReachesTheServerAndItsActionComesBack) {
  Peer server(bus_.address(), "org.freedesktop.Notifications");
  struct Shown {
    std::string summary, body;
    std::vector<std::string> actions;
  };
  std::vector<Shown> shown;
  auto object = sdbus::createObject(server.connection(), "/org/freedesktop/Notifications");
  object->registerMethod("Notify")
      .onInterface("org.freedesktop.Notifications")
      .implementedAs([&](const std::string&, std::uint32_t, const std::string&, const std::string& summary,
                         const std::string& body, const std::vector<std::string>& actions, const Properties&,
                         std::int32_t) {
        shown.push_back({summary, body, actions});
        return std::uint32_t{7};
      });
  object->registerSignal("ActionInvoked")
      .onInterface("org.freedesktop.Notifications")
      .withParameters<std::uint32_t, std::string>();
  object->finishRegistration();

  std::vector<std::string> activated;
  UserNotificationCenter::setActivationHandler(
      [&](const std::string& id, const std::string& action) { activated.push_back(id + "/" + action); });
  auto center = dbus::DBusUserNotificationCenter::install(connect());
  UserNotification notice;
  notice.identifier = "vellisto-sync-netowrk-1";
  notice.title = "Sync";
  notice.subtitle = "phone <connected>";
  center->deliverNotification(notice);
  ASSERT_TRUE(waitFor([&] { return !shown.empty(); }, {&server}));
  EXPECT_EQ(shown[0].summary, "Sync");
  EXPECT_EQ(shown[0].body, "phone &lt;connected&gt;");
  EXPECT_EQ(shown[0].actions, (std::vector<std::string>{"default", ""}));

  object->emitSignal("ActionInvoked")
      .onInterface("org.freedesktop.Notifications")
      .withArguments(std::uint32_t{99}, std::string("default"));
  object->emitSignal("ActionInvoked")
      .onInterface("org.freedesktop.Notifications")
      .withArguments(std::uint32_t{7}, std::string("default"));
  ASSERT_TRUE(waitFor([&] { return !activated.empty(); }, {&server}));
  EXPECT_EQ(activated, std::vector<std::string>{"vellisto-sync-netowrk-1/default"});
}

TEST_F(TrayTest, BusThatDiesOrIsMissingLeavesTheHeadlessTwins) {
  // The headless centre in the bus's place says no service answers, so nothing is said to be shown.
  auto headless = [] {
    auto notices =
        std::dynamic_pointer_cast<HeadlessUserNotificationCenter>(UserNotificationCenter::defaultCenter());
    return notices && !notices->serviceAnswers() && !ui::StatusBar::system().backend();
  };
  {  // Found through the environment, as the program finds it.
    test::ScopedEnv env("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vellisto-bus");
    ASSERT_TRUE(installSessionBusBackends());
    ASSERT_TRUE(waitFor(headless));
    EXPECT_TRUE(log_.contains("no session bus"));
  }

  Watcher watcher(bus_.address());
  ASSERT_TRUE(installSessionBusBackends(bus_.address()));
  EXPECT_FALSE(headless());
  showItem();
  ASSERT_TRUE(waitFor([&] { return !watcher.items.empty(); }, {&watcher.peer}));
  bus_.kill();
  ASSERT_TRUE(waitFor(headless));
  EXPECT_TRUE(log_.contains("the session bus went away"));
  // The toolkit's own item is back, and the program goes on.
  item_->button()->setImage(nullptr);
  UserNotificationCenter::defaultCenter()->deliverNotification(UserNotification{});
}

}  // namespace
}  // namespace vl

namespace vl {
namespace {

TEST_F(SessionBusTest, AFileIsShownByTheFileManagerElseItsFolderOpens) {
  auto workspace = std::make_shared<HeadlessWorkspace>();
  Workspace::install(workspace);
  auto revealer = dbus::DBusFileRevealer::install(connect());
  EXPECT_EQ(FileRevealer::shared(), revealer);

  // No file manager on the bus: the folder opens instead.
  revealer->reveal("/home/user/my notes/list.txt");
  ASSERT_TRUE(waitFor([&] { return !workspace->openedURLs().empty(); }));
  EXPECT_EQ(workspace->openedURLs(), std::vector<std::string>{"file:///home/user/my%20notes"});

  Peer manager(bus_.address(), "org.freedesktop.FileManager1");
  std::vector<std::string> shown;
  auto object = sdbus::createObject(manager.connection(), "/org/freedesktop/FileManager1");
  object->registerMethod("ShowItems")
      .onInterface("org.freedesktop.FileManager1")
      .implementedAs([&](const std::vector<std::string>& uris, const std::string&) { shown = uris; });
  object->finishRegistration();
  revealer->reveal("/home/user/my notes/list.txt");
  ASSERT_TRUE(waitFor([&] { return !shown.empty(); }, {&manager}));
  EXPECT_EQ(shown, std::vector<std::string>{"file:///home/user/my%20notes/list.txt"});
  EXPECT_EQ(workspace->openedURLs().size(), 1u);
  Workspace::install(nullptr);
}

}  // namespace
}  // namespace vl
