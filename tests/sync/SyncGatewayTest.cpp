#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ClientFixture.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/NotificationCenter.h"

namespace vl::test {
namespace {

using Gateway = ClientFixture;

Json replyWith(int code, const std::string& msg = "why") {
  return Json{{"status", {{"code", code}, {"msg", msg}}}};
}

TEST_F(Gateway, EachStatusCodeDoesWhatItMeansForTheJoinedDevice) {
  ClientSession::Timing slow = fastTiming();
  slow.pollIntervalMs = 1e9;
  const ClientSyncNetworkBean network =
      ClientSyncNetworkBean::ofCharacteristic("NET", "Peer network", "peer", "127.0.0.1", 1);
  struct Row {
    const char* api;
    int code;
    bool session;
    bool passes;
    std::vector<std::string> calls;
    std::string alert;
  };
  const std::string disconnect = localized("data.sync.network.serverDisconnect");
  const std::string limit = localized("data.sync.reachedUpLimit");
  const std::string signInAgain = localized("data.sync.network.signInAgain");
  const std::vector<Row> rows = {
      {"getChunks", 200, false, false, {}, ""},
      {"auth", 200, false, true, {}, ""},
      {"getChunks", 200, true, true, {}, ""},
      // The joined network no longer takes the token (its password changed): it closes and says so,
      // rather than showing it joined while nothing syncs.
      {"sendChunks", 401, true, false, {"closeSyncBar", "alert"}, signInAgain},
      {"auth", 412, false, false, {"reenterPassword Peer network"}, ""},
      {"getChunks", 408, true, false, {}, ""},
      {"sendMediameta", 500, true, false, {"closeSyncBar", "alert"}, "why"},
      {"getChunks", 600, true, false, {"closeSyncBar", "alert"}, disconnect},
      {"auth", 602, true, true, {"alert"}, limit},
      // Leaving is never sent back to the password or closed again, whatever the answer.
      {"bye", 401, false, true, {}, ""},
      {"bye", 500, true, true, {}, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.api) + " " + std::to_string(row.code));
    ClientSession::resetForTesting();
    ClientSession::setTimingForTesting(slow);
    dispatch::MainLoop::runUntilIdle();
    JoinDataSyncStore::shared().resetForTesting();
    JoinDataSyncStore::shared().addOrUpdate(network);
    JoinDataSyncStore::shared().setAttempJoin(network);
    if (row.session) JoinDataSyncStore::shared().setCurrentJoin(network);
    ASSERT_EQ(ClientSession::currentSession() != nullptr, row.session);
    clearScreenCalls();
    int refreshJoin = 0;
    Observation observed = NotificationCenter::defaultCenter().observe(
        "kNotificationSyncNetworkRefreshJoin", nullptr, [&](const Notification&) { ++refreshJoin; });

    EXPECT_EQ(SyncNetworkClientWrapper::gatewway(replyWith(row.code), row.api).has_value(), row.passes);
    dispatch::MainLoop::runUntilIdle();
    EXPECT_EQ(screenCalls(), row.calls);
    EXPECT_EQ(alerts(), row.alert.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.alert});
    if (row.code == 602) {
      // The device limit: left one-sidedly, not joined again automatically, the join page told.
      EXPECT_EQ(ClientSession::currentSession(), nullptr);
      EXPECT_FALSE(JoinDataSyncStore::shared().currentJoin());
      EXPECT_TRUE(JoinDataSyncStore::shared().getBeanWithIdentifier("NET")->canNotAutoJoinByLimitReached);
      EXPECT_EQ(refreshJoin, 1);
    }
  }
  ClientSession::resetForTesting();
  dispatch::MainLoop::runUntilIdle();
}

// A TCP listener on a free loopback port, and a port where nothing listens.
class Listener {
 public:
  Listener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(fd_, 16) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      port_ = ntohs(address.sin_port);
    }
  }
  ~Listener() { ::close(fd_); }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

class ProbedDevice : public PingDelegate {
 public:
  std::string pingFetchIP() override { return "127.0.0.1"; }
  std::int64_t pingFetchPort() override { return port; }
  void pingDidFailed(Ping&) override { ++failures; }
  std::int64_t port = 0;
  int failures = 0;
};

TEST(Ping, OnlyFailuresInARowReport) {
  Listener up;
  int down = 0;
  {
    Listener gone;
    down = gone.port();
  }
  ASSERT_GT(up.port(), 0);
  struct Row {
    const char* probes;  // u: the device answers, d: it does not
    int reports;
    int countAfter;
  };
  const std::vector<Row> rows = {
      {"d", 0, 1},
      {"dd", 1, 0},
      // Two short outages far apart are not one long one.
      {"dudud", 0, 1},
      {"duddd", 1, 0},  // after reporting, the probe rests until it is made ready again
      {"", 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.probes);
    ProbedDevice device;
    Ping ping(&device, 1000);
    ping.readyForWork();
    for (const char* p = row.probes; *p; ++p) {
      device.port = *p == 'u' ? up.port() : down;
      ping.tryConnect();
    }
    EXPECT_EQ(device.failures, row.reports);
    EXPECT_EQ(ping.failedCount(), row.countAfter);
  }
  // A probe that is not ready connects nowhere and counts nothing.
  ProbedDevice idle;
  idle.port = down;
  Ping resting(&idle);
  resting.tryConnect();
  EXPECT_EQ(resting.failedCount(), 0);
}

TEST(Ping, OneTakeConnectsOnlyToAnIPv4AddressAndAValidPort) {
  Listener up;
  EXPECT_TRUE(Ping::oneTake("127.0.0.1", up.port()));
  for (auto [ip, port] : std::vector<std::pair<std::string, std::int64_t>>{{"", up.port()},
                                                                           {"::1", up.port()},
                                                                           {"127.0.0.256", up.port()},
                                                                           {"localhost", up.port()},
                                                                           {"127.0.0.1", 0},
                                                                           {"127.0.0.1", 65536},
                                                                           {"127.0.0.1", -1}}) {
    EXPECT_FALSE(Ping::oneTake(ip, port)) << ip << ":" << port;
  }
}

}  // namespace
}  // namespace vl::test
