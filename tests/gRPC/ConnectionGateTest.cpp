#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "NetTestSupport.h"
#include "SyncTestSupport.h"
#include "gRPC/Client/SyncNetworkClient.h"
#include "gRPC/Server/ConnectionGate.h"
#include "gRPC/Server/SyncNetworkServer.h"
#include "sync_network.grpc.pb.h"

namespace {

using vl::Json;
using vl::SyncNetworkClient;
using vl::SyncNetworkServer;
using vl::test::code;
using vl::test::FakeHandler;
using vl::test::Replies;
using Steady = std::chrono::steady_clock;

const Json kDeviceAuth =
    Json{{"network_id", "N"}, {"device_id", "D"}, {"device_name", "d"}, {"password", "p"}};

// The folder is opened with open(), which ThreadSanitizer follows: gRPC closes the connections it was
// handed inside its own library, unseen by it, and a directory opened on such a number by opendir(),
// which it does not follow, would look like a race with the gate's accept when closed.
std::size_t openDescriptors() {
  const int fd = ::open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* folder = fd >= 0 ? ::fdopendir(fd) : nullptr;
  if (!folder) {
    if (fd >= 0) ::close(fd);
    return 0;
  }
  std::size_t count = 0;
  while (const dirent* entry = ::readdir(folder)) count += entry->d_name[0] != '.';
  ::closedir(folder);
  return count;
}

// A peer on the LAN that opens a connection to the sync port and says nothing.
class Stranger {
 public:
  // Without `connectNow` the socket is made and connects only on connect().
  explicit Stranger(int port, bool connectNow = true) : fd_(::socket(AF_INET, SOCK_STREAM, 0)), port_(port) {
    if (connectNow) connect();
  }
  void connect() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port_));
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~Stranger() { ::close(fd_); }
  Stranger(const Stranger&) = delete;
  Stranger& operator=(const Stranger&) = delete;
  bool connected() const { return connected_; }
  // Whether the server has closed the connection (end of stream or reset), without waiting.
  bool closedByServer() {
    if (closed_) return true;
    pollfd watched{fd_, POLLIN | POLLRDHUP, 0};
    if (::poll(&watched, 1, 0) <= 0) return false;
    char byte = 0;
    const ssize_t n = ::recv(fd_, &byte, 1, MSG_DONTWAIT);
    closed_ = n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    return closed_;
  }

 private:
  int fd_;
  int port_;
  bool connected_ = false;
  bool closed_ = false;
};

struct ConnectionGateTest : ::testing::Test {
  static SyncNetworkServer::Options gateOptions() {
    SyncNetworkServer::Options options;
    options.gate.maxConnections = 4;
    options.gate.untrustedIdleMs = 1000;
    options.gate.sweepMs = 20;
    return options;
  }
  std::shared_ptr<FakeHandler> handler = std::make_shared<FakeHandler>();
  SyncNetworkServer server{handler, gateOptions()};
  SyncNetworkClient client;
  Replies replies;

  void SetUp() override {
    server.startWithIp("127.0.0.1", 0);
    ASSERT_GT(server.boundPort(), 0);
    client.connectWithIp("127.0.0.1", server.boundPort());
  }
  // The address the handler heard the last Auth come from: one per TCP connection.
  std::string lastAuthPeer() const {
    std::string peer;
    for (const auto& seen : handler->seen()) {
      if (seen.operation == "auth") peer = seen.request.value("peer", "");
    }
    return peer;
  }
};

TEST_F(ConnectionGateTest, StrangersAreClosedWithinSecondsAndNeverHoldMoreThanTheCap) {
  client.authWithRequest(kDeviceAuth, replies.callback());
  ASSERT_EQ(code(replies.next()), 200);
  const std::string device = lastAuthPeer();
  ASSERT_EQ(device.rfind("ipv4:127.0.0.1:", 0), 0u) << device;

  const std::size_t before = openDescriptors();
  constexpr std::size_t kStrangers = 40;
  std::vector<std::unique_ptr<Stranger>> strangers;
  for (std::size_t i = 0; i < kStrangers; ++i) {
    strangers.push_back(std::make_unique<Stranger>(server.boundPort()));
    ASSERT_TRUE(strangers.back()->connected());
  }
  // The server's side of them: what the process holds beyond the strangers' own ends.
  std::size_t mostHeld = 0;
  const auto deadline = Steady::now() + std::chrono::seconds(20);
  std::size_t closed = 0;
  while (Steady::now() < deadline) {
    const std::size_t now = openDescriptors();
    mostHeld = std::max(mostHeld, now > before + kStrangers ? now - before - kStrangers : 0);
    closed = 0;
    for (auto& stranger : strangers) closed += stranger->closedByServer() ? 1 : 0;
    if (closed == kStrangers) break;
    ::poll(nullptr, 0, 10);
  }
  EXPECT_EQ(closed, kStrangers) << "connections that said nothing stayed open";
  // At most one and a half times the cap, two descriptors each (gRPC's and the gate's own).
  EXPECT_LE(mostHeld, 2u * 6u + 2u);

  // The device that got in kept its connection through it all, and is still answered on it.
  client.authWithRequest(kDeviceAuth, replies.callback());
  EXPECT_EQ(code(replies.next()), 200);
  EXPECT_EQ(lastAuthPeer(), device);
}

TEST_F(ConnectionGateTest, AConnectionClosedForNeverGettingInIsOpenedAgainByTheNextCall) {
  handler->setReplies([](const std::string&, const Json&) {
    return Json{{"status", {{"code", 401}, {"msg", "Unauthorized"}}}};
  });
  auto channel = vl::test::rawChannel(server.boundPort());
  auto stub = syncnetwork::SyncNetworkService::NewStub(channel);
  auto bye = [&] {
    grpc::ClientContext context;
    context.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(10));
    syncnetwork::ByeRequest request;
    syncnetwork::ByeResponse response;
    const grpc::Status status = stub->Bye(&context, request, &response);
    return status.ok() ? response.status().code() : -static_cast<int>(status.error_code());
  };
  ASSERT_EQ(bye(), 401);
  // Closed by the gate a moment later; the channel hears it.
  EXPECT_TRUE(channel->WaitForStateChange(GRPC_CHANNEL_READY,
                                          std::chrono::system_clock::now() + std::chrono::seconds(10)));
  EXPECT_EQ(bye(), 401);
}

// The gate on its own, with the test standing where gRPC would: it keeps the descriptors handed over.
struct BareGateTest : ::testing::Test {
  ~BareGateTest() override {
    if (gate) gate->stop();
    for (const int fd : takeAll()) ::close(fd);
  }
  // Strangers are closed after 300 ms, admitted connections stay, and the sweep looks every 20 ms.
  void startQuickSweeping() {
    vl::ConnectionGate::Options options;
    options.untrustedIdleMs = 300;
    options.trustedIdleMs = 600000;
    options.sweepMs = 20;
    start(options);
  }
  void start(vl::ConnectionGate::Options options) {
    gate = std::make_unique<vl::ConnectionGate>(options);
    ASSERT_TRUE(gate->listen("127.0.0.1", 0));
    gate->start([this](int fd) {
      std::lock_guard<std::mutex> lock(mutex);
      handed.push_back(fd);
      handedOver.notify_all();
    });
  }
  // The descriptor gRPC would be given for the next connection.
  int nextHandedOver() {
    std::unique_lock<std::mutex> lock(mutex);
    handedOver.wait_for(lock, std::chrono::seconds(30), [&] { return !handed.empty(); });
    if (handed.empty()) return -1;
    const int fd = handed.front();
    handed.erase(handed.begin());
    return fd;
  }
  std::vector<int> takeAll() {
    std::lock_guard<std::mutex> lock(mutex);
    return std::exchange(handed, {});
  }
  std::unique_ptr<vl::ConnectionGate> gate;
  std::mutex mutex;
  std::condition_variable handedOver;
  std::vector<int> handed;
};

TEST_F(BareGateTest, ACallAnsweredAfterItsConnectionWentNeverSpeaksForWhatNowHoldsItsNumber) {
  startQuickSweeping();
  Stranger device(gate->port());
  ASSERT_TRUE(device.connected());
  const int fd = nextHandedOver();
  ASSERT_GE(fd, 0);
  const std::string peer = "fd:" + std::to_string(fd);
  const std::string deviceAddress = gate->addressOf(peer);
  ASSERT_EQ(deviceAddress.rfind("ipv4:127.0.0.1:", 0), 0u) << deviceAddress;
  const vl::ConnectionGate::Caller caller = gate->caller(peer);

  // gRPC lets the device's connection go, and the number goes to a descriptor that is no connection of
  // the gate's before the sweep hears of it.
  int pair[2] = {-1, -1};
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
  ASSERT_EQ(::dup2(pair[0], fd), fd);
  EXPECT_EQ(gate->addressOf(peer), peer) << "a stranger's descriptor was charged to the device's address";
  gate->noteCall(peer, true);

  // Now a stranger's connection through the gate gets the number; the device's call, answered late,
  // admits nothing of it, and the stranger is closed as one that never got in.
  Stranger stranger(gate->port(), false);
  ::close(fd);
  ::close(pair[0]);
  ::close(pair[1]);
  stranger.connect();
  ASSERT_TRUE(stranger.connected());
  ASSERT_EQ(nextHandedOver(), fd);
  gate->noteCall(caller, true);
  const auto deadline = Steady::now() + std::chrono::seconds(20);
  while (!stranger.closedByServer() && Steady::now() < deadline) ::poll(nullptr, 0, 10);
  EXPECT_TRUE(stranger.closedByServer()) << "the stranger was let in on the device's call";
  EXPECT_NE(gate->caller(peer).address, deviceAddress);
}

TEST_F(BareGateTest, ADeviceKeepsAFewAdmittedConnectionsAndTheRestAreClosedAsStrangers) {
  startQuickSweeping();
  auto admit = [&](const std::string& device) {
    auto connection = std::make_unique<Stranger>(gate->port());
    EXPECT_TRUE(connection->connected());
    gate->noteCall(gate->caller("fd:" + std::to_string(nextHandedOver())), true, device);
    return connection;
  };
  std::vector<std::unique_ptr<Stranger>> mine;
  for (int i = 0; i < 10; ++i) mine.push_back(admit("token:A"));
  auto other = admit("token:B");
  const auto closedCount = [&] {
    std::size_t closed = 0;
    for (auto& connection : mine) closed += connection->closedByServer() ? 1 : 0;
    return closed;
  };
  const std::size_t cap = vl::ConnectionGate::Options{}.admittedPerDevice;
  const auto deadline = Steady::now() + std::chrono::seconds(20);
  while (closedCount() < 10 - cap && Steady::now() < deadline) ::poll(nullptr, 0, 10);
  EXPECT_EQ(closedCount(), 10 - cap);
  EXPECT_FALSE(other->closedByServer()) << "another device lost its connection";
}

}  // namespace
