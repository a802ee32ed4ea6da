#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

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
