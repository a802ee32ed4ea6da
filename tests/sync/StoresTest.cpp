#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "SyncFixture.h"
#include "sync/server/SyncNetworkServerWrapper.h"
#include "sync/transfer/RecordImageReader.h"

namespace vl::test {
namespace {

using Stores = SyncStoreFixture;

ClientSyncNetworkBean joined(const std::string& id, const std::string& token = "") {
  ClientSyncNetworkBean bean =
      ClientSyncNetworkBean::ofCharacteristic(id, "Net " + id, "Server " + id, "10.0.0.2", 21900);
  bean.accessToken = token;
  return bean;
}

TEST_F(Stores, JoinedNetworksKeepTheirTokenAndTheirLimitFlag) {
  JoinDataSyncStore& store = JoinDataSyncStore::shared();
  std::vector<std::string> renewed;
  JoinDataSyncStore::setSessionRenewer([&](const std::string& token) { renewed.push_back(token); });

  store.addOrUpdate(joined("A", "TOKEN-A"));
  ClientSyncNetworkBean moved = joined("A");  // no token: the stored one stays
  moved.ip = "10.0.0.9";
  store.addOrUpdate(moved);
  EXPECT_EQ(store.getBeanWithIdentifier("A")->accessToken, "TOKEN-A");
  EXPECT_EQ(store.getBeanWithIdentifier("A")->ip, "10.0.0.9");
  store.addOrUpdate(joined("A", "TOKEN-A2"));
  EXPECT_EQ(store.getBeanWithIdentifier("A")->accessToken, "TOKEN-A2");

  const std::vector<ClientSyncNetworkBean> found = {joined("NEW"), joined("A")};
  EXPECT_EQ(store.autoJoin(found), 1);
  store.setCanNotAutoJoinByLimitReached("A", true);
  EXPECT_EQ(store.autoJoin(found), -1);
  EXPECT_FALSE(store.canAutoJoin(joined("A")));
  store.restoreCanNotAutoJoinByLimitReachedFlag();
  EXPECT_TRUE(store.canAutoJoin(joined("A")));

  store.setAttempJoin(*store.getBeanWithIdentifier("A"));
  EXPECT_EQ(store.attempJoin()->accessToken, "");  // an attempt remembers no token
  store.setCurrentJoin(store.getBeanWithIdentifier("A"));
  EXPECT_EQ(renewed, std::vector<std::string>{"TOKEN-A2"});
  EXPECT_FALSE(store.attempJoin());
  JoinDataSyncStore::setSessionRenewer(nullptr);
}

// Any machine on the network can advertise a remembered network's identifier: the remembered token is
// offered only where the network was joined, at its address and port; anywhere else the password is asked.
TEST_F(Stores, ARememberedTokenGoesOnlyWhereTheNetworkWasJoined) {
  JoinDataSyncStore& store = JoinDataSyncStore::shared();
  store.addOrUpdate(joined("A", "TOKEN-A"));
  store.addOrUpdate(joined("NO-TOKEN"));
  struct Case {
    const char* what;
    ClientSyncNetworkBean found;
    bool joinsByItself;
  };
  const auto at = [](const std::string& id, const std::string& ip, std::int64_t port) {
    return ClientSyncNetworkBean::ofCharacteristic(id, "Net " + id, "Server " + id, ip, port);
  };
  const Case cases[] = {
      {"where it was joined", at("A", "10.0.0.2", 21900), true},
      {"another address", at("A", "10.0.0.66", 21900), false},
      {"another port", at("A", "10.0.0.2", 21901), false},
      {"never joined", at("B", "10.0.0.2", 21900), false},
      {"remembered without a token", at("NO-TOKEN", "10.0.0.2", 21900), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(store.canAutoJoin(c.found), c.joinsByItself);
    EXPECT_EQ(store.autoJoin({at("OTHER", "10.0.0.3", 21900), c.found}), c.joinsByItself ? 1 : -1);
  }
}

// Reading a network whose stored table lists far more devices than are kept (a file edited by hand or
// damaged) keeps the newest, in about the time the entries take to read, not a scan of the table for
// each one dropped.
TEST_F(Stores, AHugeStoredTableIsCutInOnePass) {
  constexpr int kEntries = 30000;
  Json table = Json::object();
  for (int i = 0; i < kEntries; ++i) {
    AuthorizedBean entry;
    entry.deviceId = "device " + std::to_string(i);
    entry.deviceName = "Device " + std::to_string(i);
    entry.accessToken = "TOKEN-" + std::to_string(i);
    entry.authTime = 1.7e9 + (i * 7919) % kEntries;  // the newest are spread through the table
    table[entry.accessToken] = entry.toJson();
  }
  Json stored = ServerSyncNetworkBean::ofName("Home", "pw")->toJson();
  stored["authorizedDict"] = table;

  // What reading the entries costs at least: each one read once.
  const auto start = std::chrono::steady_clock::now();
  std::size_t readable = 0;
  for (const auto& [token, value] : table.items()) readable += AuthorizedBean::fromJson(value) ? 1 : 0;
  const auto baseline = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(readable, static_cast<std::size_t>(kEntries));

  const auto read = std::chrono::steady_clock::now();
  std::shared_ptr<ServerSyncNetworkBean> network = ServerSyncNetworkBean::fromJson(stored);
  const auto took = std::chrono::steady_clock::now() - read;
  ASSERT_NE(network, nullptr);
  const std::vector<AuthorizedBean> kept = network->authorizedDevices();
  ASSERT_EQ(kept.size(), ServerSyncNetworkBean::kMaxAuthorized);
  for (const AuthorizedBean& device : kept) {
    EXPECT_GE(device.authTime, 1.7e9 + kEntries - static_cast<double>(ServerSyncNetworkBean::kMaxAuthorized));
    EXPECT_FALSE(device.connected);
  }
  // Scanning the table once for each entry dropped takes hundreds of times longer.
  EXPECT_LT(took, baseline * 20 + std::chrono::milliseconds(50))
      << std::chrono::duration<double, std::milli>(took).count() << " ms against "
      << std::chrono::duration<double, std::milli>(baseline).count() << " ms";
}

TEST_F(Stores, CreatedNetworksChangeInMemoryUntilSaved) {
  CreatedDataSyncStore& store = CreatedDataSyncStore::shared();
  auto older = ServerSyncNetworkBean::ofName("Office", "one");
  clock_->advanceMs(1000);
  auto newer = ServerSyncNetworkBean::ofName("Home", "two");
  store.setProviderList({older, newer});
  ASSERT_TRUE(store.save());

  clock_->advanceMs(1000);
  store.updateWithIdentifier(older->identifier(), "", "three");
  EXPECT_EQ(older->name(), "Office");
  EXPECT_EQ(older->password(), "three");
  EXPECT_DOUBLE_EQ(older->updateTime(), clock_->now());

  store.resetForTesting();  // unsaved: the stored list, newest first
  const auto list = store.providerList();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->name(), "Home");
  EXPECT_EQ(list[1]->password(), "one");
}

TEST_F(Stores, TheAuthorisedTableIsCapped) {
  auto network = ServerSyncNetworkBean::ofName("Home", "pw");
  for (std::size_t i = 0; i < ServerSyncNetworkBean::kMaxAuthorized + 10; ++i) {
    clock_->advanceMs(1000);
    auto device =
        network->authorize("device " + std::to_string(i), std::string(5000, 'n'), 100, clock_->monotonicMs());
    ASSERT_TRUE(device);
    network->disconnect(device->accessToken);
  }
  const auto devices = network->authorizedDevices();
  EXPECT_EQ(devices.size(), ServerSyncNetworkBean::kMaxAuthorized);
  for (const auto& device : devices)
    EXPECT_EQ(device.deviceName.size(), AuthorizedBean::kMaxDeviceNameLength);
  // The ones admitted longest ago made room.
  auto survived = [&](const std::string& id) {
    return std::any_of(devices.begin(), devices.end(), [&](const auto& d) { return d.deviceId == id; });
  };
  EXPECT_FALSE(survived("device 0"));
  EXPECT_TRUE(survived("device " + std::to_string(ServerSyncNetworkBean::kMaxAuthorized + 9)));
}

TEST_F(Stores, ImagesAreReadOnlyFromInsideTheApplicationsFolders) {
  const std::string inside = home() + "/allowed", outside = home() + "/private";
  ASSERT_TRUE(files::createDirectories(inside) && files::createDirectories(outside));
  const std::string png = "\x89PNG\r\n\x1a\nimage";
  ASSERT_TRUE(files::atomicWrite(inside + "/ok.png", png));
  ASSERT_TRUE(files::atomicWrite(outside + "/secret.png", png));
  ASSERT_EQ(::symlink((outside + "/secret.png").c_str(), (inside + "/link.png").c_str()), 0);
  ASSERT_EQ(::symlink("/dev/zero", (inside + "/zero.png").c_str()), 0);
  ASSERT_EQ(::mkfifo((inside + "/fifo.png").c_str(), 0600), 0);
  struct Row {
    std::string value;
    bool served;
  };
  const Row rows[] = {
      {inside + "/ok.png", true},
      {inside + "/../private/secret.png", false},
      {inside + "/..%2Fprivate%2Fsecret.png", false},
      {outside + "/secret.png", false},
      {inside + "/link.png", false},
      {inside + "/zero.png", false},
      {inside + "/fifo.png", false},
      {"/etc/hostname", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    auto read = RecordImageReader::pngOf(Json{{"forever_image", row.value}}, {inside});
    EXPECT_EQ(read.has_value(), row.served);
    if (row.served) {
      EXPECT_EQ(std::string(read->begin(), read->end()), png);
    }
  }
}

int freePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

TEST_F(Stores, TheServerStartsOnlyWhereThereIsAnAddress) {
  SyncNetworkServerWrapper& wrapper = SyncNetworkServerWrapper::shared();
  std::string why;
  {
    ScopedEnv env("VELLISTO_SYNC_IFACE", "vl-no-such-if");
    EXPECT_FALSE(wrapper.start(&why));
    EXPECT_NE(why.find("vl-no-such-if"), std::string::npos) << why;
    EXPECT_FALSE(wrapper.isServing());
  }
  const int port = freePort();
  ScopedEnv env("VELLISTO_SYNC_IFACE", "lo");
  env.set("VELLISTO_SYNC_PORT", std::to_string(port));
  ASSERT_TRUE(wrapper.start(&why)) << why;
  EXPECT_EQ(wrapper.boundPort(), port);
  wrapper.close();
  EXPECT_FALSE(wrapper.isServing());
}

}  // namespace
}  // namespace vl::test
