#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "NetTestSupport.h"
#include "SyncTestSupport.h"
#include "gRPC/Client/SyncNetworkClient.h"
#include "gRPC/Server/ConnectionGate.h"
#include "gRPC/Server/SyncNetworkServer.h"
#include "support/TestSupport.h"
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
  int fd() const { return fd_; }
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

// HTTP/2 as a hostile peer speaks it: the preface, its SETTINGS, then one header block that never
// ends. Its headers are `headerBytes` long each (one name, a value of all 'a'), sent frame by frame in
// CONTINUATION frames as fast as the server takes them, one after the other, until the server closes
// the connection or the flooder is dropped.
class Flooder {
 public:
  // With `acknowledge` it first takes the server's settings, its limits among them, as a client would.
  Flooder(int port, std::size_t headerBytes, bool acknowledge = false)
      : stranger_(port), headerBytes_(headerBytes), acknowledge_(acknowledge) {
    if (stranger_.connected()) thread_ = std::thread([this] { flood(); });
  }
  ~Flooder() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  Flooder(const Flooder&) = delete;
  Flooder& operator=(const Flooder&) = delete;
  bool connected() const { return stranger_.connected(); }
  std::size_t sent() const { return sent_; }
  // The server refused more (a reset, a broken pipe, or the end of its stream).
  bool closedByServer() const { return closed_; }

  // A frame's nine bytes of head.
  static std::string frameHead(std::size_t length, std::uint8_t type, std::uint8_t flags,
                               std::uint32_t stream) {
    const std::uint8_t head[9] = {static_cast<std::uint8_t>(length >> 16),
                                  static_cast<std::uint8_t>(length >> 8),
                                  static_cast<std::uint8_t>(length),
                                  type,
                                  flags,
                                  static_cast<std::uint8_t>(stream >> 24),
                                  static_cast<std::uint8_t>(stream >> 16),
                                  static_cast<std::uint8_t>(stream >> 8),
                                  static_cast<std::uint8_t>(stream)};
    return std::string(reinterpret_cast<const char*>(head), sizeof head);
  }
  static constexpr std::uint8_t kHeaders = 1, kSettings = 4, kContinuation = 9;

 private:
  // A literal header, never indexed by name, whose value is `length` bytes long: what follows is the value.
  static std::string headerStart(std::size_t length) {
    std::string start = std::string("\x00\x07x-flood", 9) + "\x7f";
    for (length -= 127; length >= 128; length >>= 7) start += static_cast<char>(0x80 | (length & 0x7f));
    return start + static_cast<char>(length);
  }
  bool send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size() && !stop_) {
      const ssize_t n =
          ::send(stranger_.fd(), bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        sent_ += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
      // Whatever the server says is read and dropped, so that its writes never hold up its reading; its
      // end of stream ends the flood.
      pollfd watched{stranger_.fd(), POLLIN | POLLOUT, 0};
      ::poll(&watched, 1, 50);
      char sink[4096];
      const ssize_t got = ::recv(stranger_.fd(), sink, sizeof sink, MSG_DONTWAIT);
      if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) return false;
    }
    return done == bytes.size();
  }
  // Reads frames up to the server's SETTINGS and acknowledges them.
  bool acknowledge() {
    const auto deadline = Steady::now() + std::chrono::seconds(20);
    std::string bytes;
    while (Steady::now() < deadline) {
      for (std::size_t at = 0; bytes.size() - at >= 9;) {
        const auto* head = reinterpret_cast<const std::uint8_t*>(bytes.data() + at);
        const std::size_t length = std::size_t{head[0]} << 16 | std::size_t{head[1]} << 8 | head[2];
        if (head[3] == kSettings && (head[4] & 1) == 0) return send(frameHead(0, kSettings, 1, 0));
        if (bytes.size() - at - 9 < length) break;
        at += 9 + length;
        bytes.erase(0, at);
        at = 0;
      }
      pollfd watched{stranger_.fd(), POLLIN, 0};
      if (::poll(&watched, 1, 10) <= 0) continue;
      char chunk[4096];
      const ssize_t n = ::recv(stranger_.fd(), chunk, sizeof chunk, MSG_DONTWAIT);
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) return false;
      if (n > 0) bytes.append(chunk, static_cast<std::size_t>(n));
    }
    return false;
  }
  void flood() {
    constexpr std::size_t kFrame = 16384;  // the largest frame a server takes before it says otherwise
    std::string opening = std::string("PRI * HTTP/2.0\r\n\r\nSM\r\n\r\n") + frameHead(0, kSettings, 0, 0);
    bool open = send(opening) && (!acknowledge_ || acknowledge());
    const std::string first = headerStart(headerBytes_);
    open = open && send(frameHead(first.size(), kHeaders, 0, 1) + first);
    std::size_t left = headerBytes_;
    while (open && !stop_) {
      std::string payload;
      while (payload.size() < kFrame) {
        if (left == 0) {
          payload += headerStart(headerBytes_);
          left = headerBytes_;
        }
        const std::size_t take = std::min(left, kFrame - payload.size());
        payload.append(take, 'a');
        left -= take;
      }
      open = send(frameHead(payload.size(), kContinuation, 0, 1) + payload);
    }
    closed_ = !open;
  }

  Stranger stranger_;
  const std::size_t headerBytes_;
  const bool acknowledge_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> closed_{false};
  std::atomic<std::size_t> sent_{0};
  std::thread thread_;
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

// A first call whose answer takes longer than a stranger may idle (the docs still loading after the
// program was killed) is answered on its connection, admitted or refused, rather than cut off by the
// sweep in the middle; a refused caller is closed as a stranger after that.
TEST_F(ConnectionGateTest, AFirstCallAnsweredSlowerThanAStrangerMayIdleIsAnsweredWhole) {
  for (const int answer : {200, 401}) {
    SCOPED_TRACE(answer);
    handler->setReplies([answer](const std::string&, const Json&) {
      ::poll(nullptr, 0, 1500);  // the stranger's time is one second
      return Json{{"status", {{"code", answer}, {"msg", "slow"}}}};
    });
    auto channel = vl::test::rawChannel(server.boundPort());
    auto stub = syncnetwork::SyncNetworkService::NewStub(channel);
    grpc::ClientContext context;
    context.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(20));
    syncnetwork::ByeRequest request;
    syncnetwork::ByeResponse response;
    const grpc::Status status = stub->Bye(&context, request, &response);
    EXPECT_TRUE(status.ok()) << status.error_code() << " " << status.error_message();
    EXPECT_EQ(response.status().code(), answer);
    if (answer != 200) {
      EXPECT_TRUE(channel->WaitForStateChange(GRPC_CHANNEL_READY,
                                              std::chrono::system_clock::now() + std::chrono::seconds(10)))
          << "a refused caller kept its connection";
    }
  }
}

// Whether `stranger`, having said it speaks HTTP/2, hears the server's SETTINGS within `seconds`.
bool answered(Stranger& stranger, double seconds) {
  const std::string hello =
      std::string("PRI * HTTP/2.0\r\n\r\nSM\r\n\r\n") + Flooder::frameHead(0, Flooder::kSettings, 0, 0);
  if (::send(stranger.fd(), hello.data(), hello.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(hello.size()))
    return false;
  const auto deadline = Steady::now() + std::chrono::duration<double>(seconds);
  std::size_t got = 0;
  while (got < 9 && Steady::now() < deadline) {
    pollfd watched{stranger.fd(), POLLIN, 0};
    if (::poll(&watched, 1, 10) <= 0) continue;
    char head[9];
    const ssize_t n = ::recv(stranger.fd(), head, sizeof head - got, MSG_DONTWAIT);
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return got >= 9;
}

template <typename Done>
bool within(double seconds, Done done) {
  const auto deadline = Steady::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (Steady::now() >= deadline) return false;
    ::poll(nullptr, 0, 10);
  }
  return true;
}

TEST_F(ConnectionGateTest, AHeaderFloodHoldsUpNeitherOtherConnectionsNorTheQuit) {
  std::vector<std::unique_ptr<Flooder>> flooders;
  for (const std::size_t headerBytes : {std::size_t{1} << 20, std::size_t{16} << 20}) {
    flooders.push_back(std::make_unique<Flooder>(server.boundPort(), headerBytes));
    ASSERT_TRUE(flooders.back()->connected());
  }
  // The floods are under way, or already refused.
  for (auto& flooder : flooders) {
    EXPECT_TRUE(within(20, [&] { return flooder->sent() > (256u << 10) || flooder->closedByServer(); }));
  }

  // Meanwhile a newcomer is answered, one that says nothing is closed, and a device is served.
  const auto newcomersCame = Steady::now();
  Stranger speaker(server.boundPort());
  Stranger silent(server.boundPort());
  ASSERT_TRUE(speaker.connected() && silent.connected());
  EXPECT_TRUE(answered(speaker, 5)) << "a new connection waited for the flood";
  EXPECT_TRUE(within(5, [&] { return silent.closedByServer(); }))
      << "a stranger was not closed during the flood";
  // On a connection of its own, opened now: the fixture client's has been idle longer than a stranger's
  // may be.
  auto channel = vl::test::rawChannel(server.boundPort());
  grpc::ClientContext context;
  context.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(5));
  syncnetwork::ByeRequest request;
  syncnetwork::ByeResponse response;
  const grpc::Status status =
      syncnetwork::SyncNetworkService::NewStub(channel)->Bye(&context, request, &response);
  EXPECT_TRUE(status.ok()) << status.error_message();
  EXPECT_EQ(response.status().code(), 200);
  EXPECT_LT(Steady::now() - newcomersCame, std::chrono::seconds(10));

  // The flooders, who never got in, are closed too.
  for (auto& flooder : flooders) EXPECT_TRUE(within(10, [&] { return flooder->closedByServer(); }));

  // Quitting while a flood goes on takes no longer than quitting does.
  Flooder last(server.boundPort(), std::size_t{16} << 20);
  ASSERT_TRUE(within(20, [&] { return last.sent() > (64u << 10) || last.closedByServer(); }));
  const auto quit = Steady::now();
  server.close();
  EXPECT_LT(Steady::now() - quit, std::chrono::seconds(3));
}

TEST(ConnectionGateFloodTest, gRPCClosesAConnectionWhoseHeadersPassTheLimit) {
  // The gate would close a stranger only after a minute: whatever closes the flood is gRPC.
  SyncNetworkServer::Options options;
  options.gate.untrustedIdleMs = 60000;
  SyncNetworkServer server(std::make_shared<FakeHandler>(), options);
  server.startWithIp("127.0.0.1", 0);
  ASSERT_GT(server.boundPort(), 0);
  // A peer that took the server's settings; one that never does is held only to gRPC's own limit,
  // which is the gate's to bound (above).
  for (const std::size_t headerBytes : {std::size_t{16} << 10, std::size_t{1} << 20}) {
    SCOPED_TRACE(headerBytes);
    Flooder flooder(server.boundPort(), headerBytes, true);
    ASSERT_TRUE(flooder.connected());
    EXPECT_TRUE(within(10, [&] { return flooder.closedByServer(); })) << "sent " << flooder.sent();
    EXPECT_LT(flooder.sent(), std::size_t{64} << 20);
  }
}

// How many threads of this process are named `name`. Read with open(), as openDescriptors() is.
std::size_t threadsNamed(const std::string& name) {
  const int fd = ::open("/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* folder = fd >= 0 ? ::fdopendir(fd) : nullptr;
  if (!folder) {
    if (fd >= 0) ::close(fd);
    return 0;
  }
  std::size_t count = 0;
  while (const dirent* entry = ::readdir(folder)) {
    if (entry->d_name[0] == '.') continue;
    const std::string path = std::string("/proc/self/task/") + entry->d_name + "/comm";
    const int comm = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (comm < 0) continue;
    char text[32] = {};
    const ssize_t n = ::read(comm, text, sizeof text - 1);
    ::close(comm);
    count += n > 0 && std::string(text, static_cast<std::size_t>(n)) == name + "\n" ? 1 : 0;
  }
  ::closedir(folder);
  return count;
}

TEST(ConnectionGateFloodTest, AServerClosedWhileAFloodHoldsAHandOverInsideGRPCLeavesNothingRunning) {
  // The gate would close the flood only after a minute: the close must end it.
  SyncNetworkServer::Options options;
  options.gate.untrustedIdleMs = 60000;
  auto server = std::make_unique<SyncNetworkServer>(std::make_shared<FakeHandler>(), options);
  server->startWithIp("127.0.0.1", 0);
  ASSERT_GT(server->boundPort(), 0);
  Flooder flooder(server->boundPort(), std::size_t{1} << 20);
  ASSERT_TRUE(flooder.connected());
  ASSERT_TRUE(within(20, [&] { return flooder.sent() > (1u << 20) || flooder.closedByServer(); }));
  ASSERT_FALSE(flooder.closedByServer()) << "gRPC ended the flood itself";

  const auto quit = Steady::now();
  server->close();
  EXPECT_LT(Steady::now() - quit, std::chrono::seconds(3));
  // A thread that was joined may stay listed for a moment while the kernel takes it away.
  EXPECT_TRUE(within(2, [] { return threadsNamed("vl-sync-handovr") == 0; }))
      << "a hand-over outlived the server's close";
  EXPECT_TRUE(within(10, [&] { return flooder.closedByServer(); }));
  server.reset();
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
  // The kernel gives a new connection the lowest free number, and any thread may take a number first:
  // should the stranger below not get the device's number, the scene is set again.
  bool sceneSet = false;
  for (int attempt = 0; attempt < 10 && !sceneSet; ++attempt) {
    SCOPED_TRACE(attempt);
    Stranger device(gate->port());
    ASSERT_TRUE(device.connected());
    const int fd = nextHandedOver();
    ASSERT_GE(fd, 0);
    const std::string peer = "fd:" + std::to_string(fd);
    const std::string deviceAddress = gate->addressOf(peer);
    ASSERT_EQ(deviceAddress.rfind("ipv4:127.0.0.1:", 0), 0u) << deviceAddress;
    const vl::ConnectionGate::Caller caller = gate->caller(peer);

    // gRPC lets the device's connection go, and the number goes to a descriptor that is no connection
    // of the gate's before the sweep hears of it.
    int pair[2] = {-1, -1};
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    ASSERT_EQ(::dup2(pair[0], fd), fd);
    EXPECT_EQ(gate->addressOf(peer), peer) << "a stranger's descriptor was charged to the device's address";
    gate->noteCall(peer, true);

    // Now a stranger's connection through the gate is to get the number: every lower one is taken
    // meanwhile, so that the number is the lowest free. The stranger's own end is made first.
    Stranger stranger(gate->port(), false);
    ::close(pair[0]);
    std::vector<int> below;
    for (int taken; (taken = ::fcntl(pair[1], F_DUPFD_CLOEXEC, 0)) >= 0;) {
      if (taken > fd) {
        ::close(taken);
        break;
      }
      below.push_back(taken);
    }
    ::close(pair[1]);
    ::close(fd);
    stranger.connect();
    ASSERT_TRUE(stranger.connected());
    const int strangers = nextHandedOver();
    for (const int taken : below) ::close(taken);
    ASSERT_GE(strangers, 0);
    if (strangers != fd) {
      ::close(strangers);
      continue;
    }
    sceneSet = true;
    // The device's call, answered late, admits nothing of the stranger, who is closed as one that
    // never got in.
    gate->noteCall(caller, true);
    EXPECT_TRUE(within(20, [&] { return stranger.closedByServer(); }))
        << "the stranger was let in on the device's call";
    EXPECT_NE(gate->caller(peer).address, deviceAddress);
    ::close(strangers);
  }
  EXPECT_TRUE(sceneSet) << "no new connection got the number of one gRPC let go of";
}

TEST_F(BareGateTest, ALineAboutConnectionsCountsTheLinesLeftOutSinceTheLineBefore) {
  vl::test::LogCapture capture;
  startQuickSweeping();
  const auto linesAboutConnections = [] {
    std::vector<std::string> lines;
    for (const std::string& line : vl::test::LogCapture::take()) {
      if (line.rfind("sync server: connection from ", 0) == 0) lines.push_back(line);
    }
    return lines;
  };
  // Two strangers closed together: one line, the other left out. Should the two closes come more
  // than a second apart, both are written and the pair is tried again.
  std::vector<std::string> lines;
  for (int attempt = 0; attempt < 5 && lines.size() != 1; ++attempt) {
    const auto quiet = Steady::now() + std::chrono::milliseconds(1500);
    ASSERT_TRUE(within(10, [&] { return Steady::now() >= quiet; }));
    vl::test::LogCapture::clear();
    Stranger first(gate->port()), second(gate->port());
    ASSERT_TRUE(first.connected() && second.connected());
    ASSERT_TRUE(within(10, [&] { return first.closedByServer() && second.closedByServer(); }));
    lines = linesAboutConnections();
  }
  ASSERT_EQ(lines.size(), 1u) << "two closes together were never left to one line";

  // The next line, well past a second later, counts the one left out, however long ago that was.
  const auto quiet = Steady::now() + std::chrono::milliseconds(1500);
  ASSERT_TRUE(within(10, [&] { return Steady::now() >= quiet; }));
  Stranger third(gate->port());
  ASSERT_TRUE(third.connected());
  ASSERT_TRUE(within(10, [&] { return linesAboutConnections().size() == 2; }));
  const std::string last = linesAboutConnections().back();
  const std::string count = " (and 1 more about connections left out since the line before)";
  ASSERT_GE(last.size(), count.size());
  EXPECT_EQ(last.substr(last.size() - count.size()), count) << last;
}

TEST_F(BareGateTest, ADeviceKeepsAFewAdmittedConnectionsAndTheRestAreClosedAsStrangers) {
  // Strangers get two seconds: each connection below is surely admitted before its time is up.
  vl::ConnectionGate::Options options;
  options.untrustedIdleMs = 2000;
  options.trustedIdleMs = 600000;
  options.sweepMs = 20;
  start(options);
  auto admit = [&](const std::string& device) {
    auto connection = std::make_unique<Stranger>(gate->port());
    EXPECT_TRUE(connection->connected());
    gate->noteCall(gate->caller("fd:" + std::to_string(nextHandedOver())), true, device);
    return connection;
  };
  std::vector<std::unique_ptr<Stranger>> mine;
  for (int i = 0; i < 10; ++i) mine.push_back(admit("token:A"));
  auto other = admit("token:B");
  // Never admitted, and the last to come: once it is closed, so is any connection above that the gate
  // took for a stranger's.
  Stranger witness(gate->port());
  ASSERT_TRUE(witness.connected());
  const std::size_t cap = vl::ConnectionGate::Options{}.admittedPerDevice;
  EXPECT_TRUE(within(30, [&] {
    for (std::size_t i = cap; i < mine.size(); ++i) {
      if (!mine[i]->closedByServer()) return false;
    }
    return witness.closedByServer();
  })) << "connections past the device's few were kept";
  // A sweep runs before each connection is handed over: this one's comes after every close the
  // witness's came with.
  Stranger barrier(gate->port());
  ASSERT_TRUE(barrier.connected());
  ASSERT_GE(nextHandedOver(), 0);
  for (std::size_t i = 0; i < cap; ++i)
    EXPECT_FALSE(mine[i]->closedByServer()) << "admitted connection " << i;
  EXPECT_FALSE(other->closedByServer()) << "another device lost its connection";
}

TEST_F(BareGateTest, AHandOverStuckInsideGRPCHoldsUpNeitherTheSweepNorTheStopAndEndsWithTheStop) {
  // Each hand-over does what gRPC does with a peer that keeps sending: it reads the connection until the
  // connection ends, then closes it. A peer that says 'a' is admitted on the way, as a device's call
  // would make it. The state outlives the test, in case a hand-over outlives the gate.
  struct Stall {
    std::mutex mutex;
    std::condition_variable changed;
    int entered = 0, inside = 0, admitted = 0;
  };
  auto stall = std::make_shared<Stall>();
  vl::ConnectionGate::Options options;
  options.untrustedIdleMs = 300;
  options.sweepMs = 20;
  gate = std::make_unique<vl::ConnectionGate>(options);
  ASSERT_TRUE(gate->listen("127.0.0.1", 0));
  gate->start([stall, gate = gate.get()](int fd) {
    {
      std::lock_guard<std::mutex> lock(stall->mutex);
      ++stall->entered;
      ++stall->inside;
      stall->changed.notify_all();
    }
    for (;;) {
      pollfd watched{fd, POLLIN, 0};
      if (::poll(&watched, 1, 1000) < 0 && errno != EINTR) break;
      char byte = 0;
      const ssize_t n = ::recv(fd, &byte, 1, MSG_DONTWAIT);
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) break;
      if (n == 1 && byte == 'a') {
        gate->noteCall(gate->caller("fd:" + std::to_string(fd)), true, "token:A");
        std::lock_guard<std::mutex> lock(stall->mutex);
        ++stall->admitted;
        stall->changed.notify_all();
      }
    }
    ::close(fd);
    std::lock_guard<std::mutex> lock(stall->mutex);
    --stall->inside;
    stall->changed.notify_all();
  });
  const auto waitFor = [&](auto done) {
    std::unique_lock<std::mutex> lock(stall->mutex);
    return stall->changed.wait_for(lock, std::chrono::seconds(30), [&] { return done(*stall); });
  };
  Stranger first(gate->port());
  ASSERT_TRUE(first.connected());
  ASSERT_TRUE(waitFor([](const Stall& state) { return state.entered == 1; }));
  Stranger second(gate->port());
  ASSERT_TRUE(second.connected());
  EXPECT_TRUE(within(10, [&] { return second.closedByServer(); })) << "the gate waited for a hand-over";
  EXPECT_TRUE(within(10, [&] { return first.closedByServer(); })) << "the stuck connection was never closed";
  EXPECT_TRUE(waitFor([](const Stall& state) { return state.inside == 0; }))
      << "closing its connection did not end a hand-over";

  // A device's connection, admitted inside its hand-over, which the sweep leaves alone: the stop ends it.
  Stranger device(gate->port());
  ASSERT_TRUE(device.connected());
  ASSERT_EQ(::send(device.fd(), "a", 1, MSG_NOSIGNAL), 1);
  ASSERT_TRUE(waitFor([](const Stall& state) { return state.admitted == 1 && state.inside == 1; }));
  const auto stopping = Steady::now();
  gate->stop();
  EXPECT_LT(Steady::now() - stopping, std::chrono::seconds(3));
  {
    std::lock_guard<std::mutex> lock(stall->mutex);
    EXPECT_EQ(stall->inside, 0) << "a hand-over was still running after the stop";
  }
  EXPECT_TRUE(within(10, [&] { return device.closedByServer(); }));
}

TEST_F(BareGateTest, AConnectionNeverWaitsForTheNextWhenTheSystemRefusesAHandOverThread) {
  struct Case {
    const char* name;
    int refusals;
    double untrustedIdleMs;
  };
  // Refused once, the thread is asked for again and the connection handed over; refused for good, the
  // connection is closed once a stranger's time is up, and its descriptor let go of.
  for (const Case& c : {Case{"refused once", 1, 60000}, Case{"refused always", 1 << 30, 300}}) {
    SCOPED_TRACE(c.name);
    auto refusals = std::make_shared<std::atomic<int>>(c.refusals);
    vl::ConnectionGate::Options options;
    options.untrustedIdleMs = c.untrustedIdleMs;
    options.sweepMs = 20;
    options.handoverThreadStarting = [refusals] {
      if (refusals->fetch_sub(1) > 0)
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again), "refused");
    };
    start(options);
    Stranger device(gate->port());
    ASSERT_TRUE(device.connected());
    if (c.refusals == 1) {
      EXPECT_GE(nextHandedOver(), 0) << "the connection waited for another to arrive";
    } else {
      EXPECT_TRUE(within(10, [&] { return device.closedByServer(); }));
      EXPECT_TRUE(within(10, [&] { return gate->openConnections() == 0; }))
          << "a connection no thread took kept its descriptor";
    }
    gate->stop();
    gate.reset();
    for (const int fd : takeAll()) ::close(fd);
  }
}

}  // namespace
