#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/system/net/DictClient.h"
#include "platform/system/net/DictServerDictionary.h"
#include "support/TestSupport.h"

namespace vl {
namespace {

// A dictionary server on a loopback port that answers each connection with a script, one at a time.
class FakeDictServer {
 public:
  using Script = std::function<void(FakeDictServer&, int fd)>;

  explicit FakeDictServer(Script script) : script_(std::move(script)) {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listen_, reinterpret_cast<sockaddr*>(&address), length);
    ::listen(listen_, 8);
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    if (::pipe(stop_) != 0) stop_[0] = stop_[1] = -1;
    thread_ = std::thread([this] { serve(); });
  }
  ~FakeDictServer() {
    if (::write(stop_[1], "x", 1) < 0) {
    }
    thread_.join();
    ::close(listen_);
    ::close(stop_[0]);
    ::close(stop_[1]);
  }

  DictEndpoint endpoint() const { return {"127.0.0.1", port_}; }
  int connections() const { return connections_.load(); }
  std::string received() {
    std::lock_guard lock(mutex_);
    return received_;
  }

  static void send(int fd, const std::string& text) {
    if (::send(fd, text.data(), text.size(), MSG_NOSIGNAL) < 0) {
    }
  }
  // One line from the client (CRLF kept), or "" once it closed or after 5 s.
  std::string readLine(int fd) {
    std::string line;
    char c = 0;
    while (line.empty() || line.back() != '\n') {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 5000) != 1 || ::recv(fd, &c, 1, 0) != 1) break;
      line.push_back(c);
    }
    std::lock_guard lock(mutex_);
    received_ += line;
    return line;
  }
  // Waits (at most 5 s) until the client hangs up.
  void untilClosed(int fd) {
    while (!readLine(fd).empty()) {
    }
  }

 private:
  void serve() {
    for (;;) {
      pollfd p[2] = {{listen_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
      if (::poll(p, 2, -1) < 0 || (p[1].revents & POLLIN)) return;
      const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      ++connections_;
      script_(*this, fd);
      ::close(fd);
    }
  }

  Script script_;
  int listen_ = -1;
  int stop_[2] = {-1, -1};
  std::uint16_t port_ = 0;
  std::atomic<int> connections_{0};
  std::mutex mutex_;
  std::string received_;
  std::thread thread_;
};

const char* kBanner = "220 dict.test dictd <auth.mime> <1.2@dict.test>\r\n";

// Answers a DEFINE with one definition of two lines, the second starting with a (doubled) dot.
void defines(FakeDictServer& server, int fd) {
  FakeDictServer::send(fd, kBanner);
  server.readLine(fd);
  FakeDictServer::send(fd,
                       "150 1 definitions retrieved\r\n"
                       "151 \"apple\" wn \"WordNet\"\r\n"
                       "apple\r\n"
                       "    n 1: fruit with red or yellow skin\r\n"
                       "..and a line that starts with a dot\r\n"
                       ".\r\n"
                       "250 ok\r\n");
  server.untilClosed(fd);
}

double elapsedMs(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

TEST(DictClientTest, AnswersAsADictionaryServerSendsThem) {
  struct Case {
    const char* what;
    FakeDictServer::Script script;
    DictStatus status;
  };
  const Case cases[] = {
      {"a definition", defines, DictStatus::Found},
      {"no match",
       [](FakeDictServer& s, int fd) {
         FakeDictServer::send(fd, kBanner);
         s.readLine(fd);
         FakeDictServer::send(fd, "552 no match\r\n");
         s.untilClosed(fd);
       },
       DictStatus::NoMatch},
      {"not a dictionary server",
       [](FakeDictServer&, int fd) { FakeDictServer::send(fd, "HTTP/1.1 400 Bad Request\r\n\r\n"); },
       DictStatus::Failed},
      {"an answer past the byte limit",
       [](FakeDictServer& s, int fd) {
         FakeDictServer::send(fd, kBanner);
         s.readLine(fd);
         FakeDictServer::send(fd, "150 1 definitions retrieved\r\n151 \"apple\" wn \"WordNet\"\r\n");
         FakeDictServer::send(fd, std::string(8192, 'x') + "\r\n");
         s.untilClosed(fd);
       },
       DictStatus::Failed},
      {"a server that never speaks", [](FakeDictServer& s, int fd) { s.untilClosed(fd); },
       DictStatus::Unreachable},
  };
  DictLimits limits;
  limits.maxBytes = 4096;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDictServer server(c.script);
    const auto start = std::chrono::steady_clock::now();
    const DictReply reply = dictDefine(server.endpoint(), "apple", limits);
    EXPECT_EQ(reply.status, c.status);
    // The whole exchange stays near its 300 ms, whatever the server does.
    EXPECT_LT(elapsedMs(start), 3000);
    if (c.status == DictStatus::Found) {
      EXPECT_EQ(reply.definition,
                "apple\n    n 1: fruit with red or yellow skin\n.and a line that starts with a dot");
      EXPECT_EQ(server.received().substr(0, 18), "DEFINE ! \"apple\"\r\n");
    }
  }
}

TEST(DictClientTest, WordsThatCouldBreakTheCommandNeverGoOut) {
  FakeDictServer server(defines);
  const std::string words[] = {"apple\r\nQUIT",
                               "apple\n",
                               "a\"b",
                               "a\\b",
                               std::string("a\0b", 3),
                               "",
                               std::string("\xff\xfe"),
                               "line\xe2\x80\xa8sep",
                               std::string(300, 'a')};
  for (const std::string& word : words) {
    SCOPED_TRACE(word);
    EXPECT_FALSE(dictWordIsSafe(word));
    EXPECT_EQ(dictDefine(server.endpoint(), word).status, DictStatus::Failed);
  }
  EXPECT_EQ(server.connections(), 0);
  EXPECT_TRUE(dictWordIsSafe("naïve"));
  EXPECT_TRUE(dictWordIsSafe("a|b"));
}

TEST(DictClientTest, EndpointsFromTheEnvironment) {
  EXPECT_EQ(DictEndpoint::parse("dict.example.org"), (DictEndpoint{"dict.example.org", 2628}));
  EXPECT_EQ(DictEndpoint::parse("10.0.0.2:2629"), (DictEndpoint{"10.0.0.2", 2629}));
  EXPECT_EQ(DictEndpoint::parse("[::1]:7000"), (DictEndpoint{"::1", 7000}));
  for (const char* bad : {"", ":2628", "host:0", "host:70000", "host:x", "::1", "[::1", "a b:1"}) {
    EXPECT_FALSE(DictEndpoint::parse(bad)) << bad;
  }
  test::ScopedEnv env("VELLISTO_DICT_SERVER", "not a host:port");
  EXPECT_EQ(DictEndpoint::fromEnvironment(), DictEndpoint());
}

// A resolver that answers nothing until released (20 s at most), as one waiting on a DNS server that
// went away does; it counts the names it is asked.
class StalledResolver {
 public:
  ~StalledResolver() { release(); }
  DictResolver resolver() const {
    return [state = state_](const std::string&, std::uint16_t) {
      std::unique_lock lock(state->mutex);
      ++state->asked;
      state->released.wait_for(lock, std::chrono::seconds(20), [&] { return state->release; });
      return std::vector<DictAddress>{};
    };
  }
  void release() {
    std::lock_guard lock(state_->mutex);
    state_->release = true;
    state_->released.notify_all();
  }
  int asked() const {
    std::lock_guard lock(state_->mutex);
    return state_->asked;
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    int asked = 0;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

class DictServerDictionaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dispatch::MainLoop::adoptCurrentThread();
    clock_ = std::make_shared<ManualClock>();
    Clock::install(clock_);
  }
  void TearDown() override {
    dispatch::MainLoop::runUntilIdle();
    Clock::install(nullptr);
  }
  std::shared_ptr<ManualClock> clock_;
};

TEST_F(DictServerDictionaryTest, AskingNeverWaitsAndEachWordIsAskedOnce) {
  // The server answers once both lookups were made, so the second surely finds the first under way.
  std::promise<void> bothAsked;
  FakeDictServer server([asked = bothAsked.get_future().share()](FakeDictServer& s, int fd) {
    asked.wait_for(std::chrono::seconds(20));
    defines(s, fd);
  });
  DictServerDictionary dictionary(server.endpoint());
  int arrived = 0;
  EXPECT_EQ(dictionary.lookUp("apple", [&] { ++arrived; }).state, DictionaryAnswer::State::Pending);
  EXPECT_EQ(dictionary.lookUp("apple", [&] { ++arrived; }).state, DictionaryAnswer::State::Pending);
  bothAsked.set_value();
  dictionary.waitUntilIdle();
  dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(arrived, 2);
  const DictionaryAnswer answer = dictionary.lookUp("apple");
  EXPECT_EQ(answer.state, DictionaryAnswer::State::Found);
  EXPECT_EQ(answer.definition.substr(0, 6), "apple\n");
  EXPECT_EQ(dictionary.questionsAsked(), 1u);
  EXPECT_EQ(server.connections(), 1);
}

TEST_F(DictServerDictionaryTest, ASilentServerIsLeftAloneForThirtySeconds) {
  DictLimits limits;
  limits.answerMs = 100;
  FakeDictServer server([](FakeDictServer& s, int fd) { s.untilClosed(fd); });
  DictServerDictionary dictionary(server.endpoint(), limits);
  int arrived = 0;
  EXPECT_EQ(dictionary.lookUp("apple", [&] { ++arrived; }).state, DictionaryAnswer::State::Pending);
  // Queued behind the first: dropped once that one failed, instead of costing the limits again.
  EXPECT_EQ(dictionary.lookUp("plum", [&] { ++arrived; }).state, DictionaryAnswer::State::Pending);
  dictionary.waitUntilIdle();
  EXPECT_EQ(server.connections(), 1);
  // Meanwhile every word has no definition, at once and without a question.
  EXPECT_EQ(dictionary.lookUp("apple").state, DictionaryAnswer::State::NotFound);
  EXPECT_EQ(dictionary.lookUp("pear").state, DictionaryAnswer::State::NotFound);
  clock_->advanceMs(29000);
  EXPECT_EQ(dictionary.lookUp("pear").state, DictionaryAnswer::State::NotFound);
  EXPECT_EQ(dictionary.questionsAsked(), 1u);
  clock_->advanceMs(2000);
  EXPECT_EQ(dictionary.lookUp("pear").state, DictionaryAnswer::State::Pending);
  dictionary.waitUntilIdle();
  EXPECT_EQ(dictionary.questionsAsked(), 2u);
  dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(arrived, 0);
}

// A server name that never resolves costs one question's limit, and the words queued behind it are
// dropped while the server is left alone, instead of each waiting for the resolver in turn.
TEST_F(DictServerDictionaryTest, AServerNameThatNeverResolvesCostsOneBoundedQuestion) {
  StalledResolver dns;
  DictServerDictionary dictionary({"dict.example.org", 2628}, {}, dns.resolver());
  const auto start = std::chrono::steady_clock::now();
  for (const char* word : {"apple", "pear", "plum"})
    EXPECT_EQ(dictionary.lookUp(word).state, DictionaryAnswer::State::Pending) << word;
  dictionary.waitUntilIdle();
  EXPECT_LT(elapsedMs(start), 3000);
  EXPECT_EQ(dns.asked(), 1);
  EXPECT_EQ(dictionary.questionsAsked(), 1u);
  EXPECT_EQ(dictionary.lookUp("pear").state, DictionaryAnswer::State::NotFound);
  clock_->advanceMs(DictServerDictionary::kQuietSeconds * 1000 + 1000);
  EXPECT_EQ(dictionary.lookUp("pear").state, DictionaryAnswer::State::Pending);
  dictionary.waitUntilIdle();
  EXPECT_EQ(dns.asked(), 2);
}

}  // namespace
}  // namespace vl
