#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "NetTestSupport.h"
#include "SyncTestSupport.h"
#include "gRPC/Client/SyncNetworkClient.h"
#include "gRPC/Server/SyncNetworkServer.h"
#include "platform/dispatch/Dispatch.h"
#include "sync_network.grpc.pb.h"

namespace {

using vl::Json;
using vl::SyncNetworkClient;
using vl::SyncNetworkServer;
using vl::test::bytes;
using vl::test::bytesOfSize;
using vl::test::code;
using vl::test::FakeHandler;
using vl::test::record;
using vl::test::Replies;

constexpr std::size_t kSlice = 3145728;
const Json kToken = Json{{"access_token", "T"}};
const Json kAuth = Json{{"network_id", "N"}, {"device_id", "D"}, {"device_name", "d"}, {"password", "p"}};

struct ClientServer : ::testing::Test {
  std::shared_ptr<FakeHandler> handler = std::make_shared<FakeHandler>();
  SyncNetworkServer server{handler};
  SyncNetworkClient client{SyncNetworkClient::Options{.closeWaitSeconds = 2}};
  Replies replies;
  int port = 0;

  void SetUp() override {
    server.startWithIp("127.0.0.1", 0);  // a free port of its own for every test
    port = server.boundPort();
    ASSERT_GT(port, 0);
    client.connectWithIp("127.0.0.1", port);
  }

  // Replies from the client arrive on its loop thread, and nowhere else.
  SyncNetworkClient::Callback onLoop() {
    auto inner = replies.callback();
    return [this, inner](Json reply) {
      if (!client.isLoopThread()) reply["off_loop"] = true;
      inner(std::move(reply));
    };
  }
};

TEST_F(ClientServer, UnaryCallsCarryDictionariesBothWays) {
  handler->setReplies([](const std::string& operation, const Json&) -> Json {
    Json reply = vl::test::succeed();
    if (operation == "auth") {
      reply["access_token"] = "TOKEN";
      reply["network_id"] = "NET";
      reply["netowrk_name"] = "Living room";
    } else if (operation == "getChunks") {
      reply["timestamp"] = 1700000123.25;
      reply["chunks"] = Json::array({record("s9", "from server")});
      reply["req_sigs"] = Json::array({"s1"});
    } else if (operation == "sendChunks") {
      reply["sigs"] = Json::array({"s2", "s3"});
    }
    return reply;
  });

  client.authWithRequest(
      Json{{"network_id", "NET"}, {"device_id", "D1"}, {"device_name", "Laptop"}, {"password", "pw"}},
      onLoop());
  Json reply = replies.next();
  EXPECT_EQ(reply, (Json{{"status", {{"code", 200}, {"msg", "Succeed."}}},
                         {"access_token", "TOKEN"},
                         {"network_id", "NET"},
                         {"network_name", "Living room"}}));

  client.getChunksWithRequest(
      Json{{"access_token", "TOKEN"}, {"timestamp", 0}, {"chunks", Json::array({record("s1", "mine")})}},
      onLoop());
  reply = replies.next();
  EXPECT_EQ(code(reply), 200);
  EXPECT_EQ(reply["timestamp"], 1700000123.25);
  EXPECT_EQ(reply["chunks"], Json::array({record("s9", "from server")}));
  EXPECT_EQ(reply["req_sigs"], Json::array({"s1"}));

  client.sendChunksWithRequest(Json{{"access_token", "TOKEN"}, {"chunks", Json::array({record("s2", "x")})}},
                               onLoop());
  reply = replies.next();
  EXPECT_EQ(reply["sigs"], Json::array({"s2", "s3"}));

  client.byeWithRequest(Json{{"access_token", "TOKEN"}}, onLoop());
  EXPECT_EQ(replies.next(), vl::test::succeed());

  auto seen = handler->seen();
  ASSERT_EQ(seen.size(), 4u);
  // Auth also learns where the call came from, for limiting failed attempts per address.
  EXPECT_EQ(seen[0].request["peer"].get<std::string>().rfind("ipv4:127.0.0.1:", 0), 0u);
  seen[0].request.erase("peer");
  EXPECT_EQ(
      seen[0].request,
      (Json{{"device_id", "D1"}, {"network_id", "NET"}, {"device_name", "Laptop"}, {"password", "pw"}}));
  EXPECT_EQ(
      seen[1].request,
      (Json{{"access_token", "TOKEN"}, {"timestamp", 0.0}, {"chunks", Json::array({record("s1", "mine")})}}));
  EXPECT_EQ(seen[2].request["chunks"], Json::array({record("s2", "x")}));
  EXPECT_EQ(seen[3].request, (Json{{"access_token", "TOKEN"}}));
  // Every handler ran on the one server loop thread.
  const auto threads = handler->threads();
  for (const auto& id : threads) EXPECT_EQ(id, threads.front());
  EXPECT_NE(threads.front(), std::this_thread::get_id());
}

TEST_F(ClientServer, UploadGoesInThreeSlicesAndEnds) {
  const Json data = bytesOfSize(7000000);
  client.sendMediametaWithRequest(Json{{"data", data}, {"access_token", "T"}, {"chunk_sig", "IMG"}},
                                  onLoop());
  EXPECT_EQ(replies.next(), vl::test::succeed());  // the response's chunk_sig is not passed on

  const auto seen = handler->seen();
  ASSERT_EQ(seen.size(), 4u);
  const std::size_t sizes[] = {kSlice, kSlice, 708544};
  std::vector<std::uint8_t> joined;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(seen[i].operation, "sendMediametaMessage");
    EXPECT_EQ(seen[i].request["total_packages"], 3);
    EXPECT_EQ(seen[i].request["access_token"], "T");
    const auto& slice = seen[i].request["data"].get_binary();
    EXPECT_EQ(slice.size(), sizes[i]);
    joined.insert(joined.end(), slice.begin(), slice.end());
  }
  EXPECT_TRUE(joined == static_cast<const std::vector<std::uint8_t>&>(data.get_binary()));
  EXPECT_EQ(seen[3].operation, "sendMediametaEnd");
  // The end carries the stream's token, so the handler can tell whose upload it finishes.
  EXPECT_EQ(seen[3].request, (Json{{"chunk_sig", "IMG"}, {"access_token", "T"}, {"slices", 3}}));

  // An empty image: no slice at all, the stream ends at once and the end handler still answers.
  client.sendMediametaWithRequest(Json{{"data", bytes("")}}, onLoop());
  EXPECT_EQ(code(replies.next()), 200);
  EXPECT_EQ(handler->seen().back().request, (Json{{"chunk_sig", ""}, {"access_token", ""}, {"slices", 0}}));
}

TEST_F(ClientServer, DownloadHandsEachSliceToTheMediaHandlerInOrder) {
  const Json image = bytesOfSize(2 * kSlice + 5);
  // The image is the handler's own: the server's loop reads it, and the test meets that thread only
  // through gRPC, so a reference to the test's copy would outlive its reads in no order ThreadSanitizer sees.
  handler->setReplies([image](const std::string&, const Json& request) -> Json {
    if (request.at("chunk_sig").get<std::string>() == "later")
      return Json{{"status", {{"code", 601}, {"msg", "Get mediameta later."}}}};
    Json reply = vl::test::succeed();
    reply["data"] = image;
    return reply;
  });
  std::mutex mutex;
  std::vector<Json> messages;
  std::atomic<bool> offLoop{false};
  client.setMediaHandler([&](const Json& message) {
    if (!client.isLoopThread()) offLoop = true;
    std::lock_guard<std::mutex> lock(mutex);
    messages.push_back(message);
  });

  Json reply = client.getMediametaWithRequest(Json{{"access_token", "T"}, {"chunk_sig", "IMG"}});
  EXPECT_EQ(reply, (Json{{"status", {{"code", 200}, {"msg", "Succeed"}}}}));
  {
    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_EQ(messages.size(), 3u);
    std::vector<std::uint8_t> joined;
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(messages[i]["code"], 200);
      EXPECT_EQ(messages[i]["chunk_sig"], "IMG");
      EXPECT_EQ(messages[i]["total_packages"], 3);
      EXPECT_EQ(messages[i]["end"].get<bool>(), i == 2);
      EXPECT_FALSE(messages[i].contains("status"));
      const auto& slice = messages[i]["data"].get_binary();
      joined.insert(joined.end(), slice.begin(), slice.end());
    }
    EXPECT_TRUE(joined == static_cast<const std::vector<std::uint8_t>&>(image.get_binary()));
    messages.clear();
  }
  EXPECT_FALSE(offLoop);

  reply = client.getMediametaWithRequest(Json{{"access_token", "T"}, {"chunk_sig", "later"}});
  EXPECT_EQ(code(reply), 200);
  std::lock_guard<std::mutex> lock(mutex);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(
      messages[0],
      (Json{
          {"code", 601}, {"chunk_sig", "later"}, {"data", bytes("")}, {"total_packages", 0}, {"end", true}}));
}

TEST_F(ClientServer, RefusedAndFailedCallsAnswer500OnTheLoop) {
  // A request missing a required key makes no call.
  client.getChunksWithRequest(kToken, onLoop());
  Json reply = replies.next();
  EXPECT_EQ(code(reply), 500);
  EXPECT_FALSE(reply.contains("off_loop"));
  EXPECT_EQ(reply.size(), 1u);

  // After close every call fails with 500 until the next connect, on the loop thread.
  client.close();
  EXPECT_EQ(client.state(), SyncNetworkClient::State::Closed);
  client.byeWithRequest(kToken, onLoop());
  reply = replies.next();
  EXPECT_EQ(code(reply), 500);
  EXPECT_FALSE(reply.contains("off_loop"));
  EXPECT_EQ(code(client.getMediametaWithRequest(Json{{"access_token", "T"}, {"chunk_sig", "S"}})), 500);
  client.syncByeWithRequest(kToken);  // fails quietly and returns

  client.connectWithIp("127.0.0.1", port);
  client.byeWithRequest(kToken, onLoop());
  EXPECT_EQ(code(replies.next()), 200);
  EXPECT_EQ(handler->operations(), std::vector<std::string>{"bye"});  // nothing refused reached the server
}

TEST(Client, UnconnectedCallsStillComeBackOnTheLoop) {
  SyncNetworkClient client;
  Replies replies;
  std::atomic<bool> onLoop{false};
  auto inner = replies.callback();
  client.authWithRequest(kAuth, [&](Json reply) {
    onLoop = client.isLoopThread();
    inner(std::move(reply));
  });
  EXPECT_EQ(code(replies.next()), 500);
  EXPECT_TRUE(onLoop);
  EXPECT_EQ(client.state(), SyncNetworkClient::State::Unconnected);
}

TEST(Client, AServerThatNeverAnswersGives408) {
  vl::test::SilentSocket silent;
  SyncNetworkClient::Options options;
  options.unaryTimeLimitSeconds = 0.3;
  options.uploadTimeLimitSeconds = 0.3;
  options.downloadTimeLimitSeconds = 0.3;
  SyncNetworkClient client(options);
  client.connectWithIp("127.0.0.1", silent.port());
  Replies replies;
  client.getChunksWithRequest(Json{{"access_token", "T"}, {"timestamp", 0}}, replies.callback());
  Json reply = replies.next();
  EXPECT_EQ(code(reply), 408);
  EXPECT_EQ(reply.size(), 1u);
  client.sendMediametaWithRequest(Json{{"data", bytes("abc")}, {"access_token", "T"}, {"chunk_sig", "S"}},
                                  replies.callback());
  EXPECT_EQ(code(replies.next()), 408);
  // The download's final status is not examined; what matters is that it returns.
  EXPECT_EQ(code(client.getMediametaWithRequest(Json{{"access_token", "T"}, {"chunk_sig", "S"}})), 200);
}

TEST(Server, FirstCallsFromManyPeersAtOnceAndAStopDuringACall) {
  // A server that has answered nothing yet, asked by several peers at once on every unary method.
  auto handler = std::make_shared<FakeHandler>();
  SyncNetworkServer server(handler);
  server.startWithIp("127.0.0.1", 0);
  ASSERT_TRUE(server.isServing());
  constexpr int kPeers = 4;
  std::vector<std::unique_ptr<SyncNetworkClient>> peers;
  Replies replies;
  for (int i = 0; i < kPeers; ++i) {
    peers.push_back(std::make_unique<SyncNetworkClient>());
    peers.back()->connectWithIp("127.0.0.1", server.boundPort());
  }
  for (auto& peer : peers) {
    peer->authWithRequest(kAuth, replies.callback());
    peer->getChunksWithRequest(Json{{"access_token", "T"}, {"timestamp", 0}}, replies.callback());
    peer->sendChunksWithRequest(Json{{"access_token", "T"}, {"chunks", Json::array({record("s", "x")})}},
                                replies.callback());
    peer->byeWithRequest(kToken, replies.callback());
  }
  for (int i = 0; i < 4 * kPeers; ++i) EXPECT_EQ(code(replies.next()), 200);

  // A stop while a handler runs: the call in flight ends one way or the other, nothing is touched
  // after it is gone, and the server stops.
  std::mutex mutex;
  std::condition_variable released;
  bool release = false;
  handler->setReplies([&](const std::string&, const Json&) {
    std::unique_lock<std::mutex> lock(mutex);
    released.wait(lock, [&] { return release; });
    return vl::test::succeed();
  });
  const std::size_t before = handler->seen().size();
  peers[0]->byeWithRequest(kToken, replies.callback());
  peers[1]->authWithRequest(kAuth, replies.callback());
  ASSERT_TRUE(handler->waitFor(before + 1));
  std::thread stopper([&] { server.close(); });
  while (server.isServing()) std::this_thread::yield();
  {
    std::lock_guard<std::mutex> lock(mutex);
    release = true;
  }
  released.notify_all();
  stopper.join();
  for (int i = 0; i < 2; ++i) {
    const int answer = code(replies.next());
    EXPECT_TRUE(answer == 200 || answer == 500) << answer;
  }
}

TEST_F(ClientServer, DeeplyNestedPeerMessagesAreRefusedWithAStatus) {
  // Field 9 is unknown to the service; a peer nests groups under it 100,000 deep. The message is
  // refused while it is read, the call ends with a status, no handler runs and the server serves on.
  std::string nested;
  for (int i = 0; i < 100000; ++i) nested += '\x4b';  // start group, field 9
  for (int i = 0; i < 100000; ++i) nested += '\x4c';  // end group, field 9
  auto channel = vl::test::rawChannel(port);
  for (const char* method :
       {"/syncnetwork.SyncNetworkService/GetChunks", "/syncnetwork.SyncNetworkService/Bye"}) {
    SCOPED_TRACE(method);
    const grpc::Status status = vl::test::rawUnary(channel, method, nested);
    EXPECT_EQ(status.error_code(), grpc::StatusCode::INTERNAL);
    EXPECT_FALSE(status.error_message().empty());
  }
  EXPECT_TRUE(handler->seen().empty());
  client.byeWithRequest(kToken, onLoop());
  EXPECT_EQ(code(replies.next()), 200);
}

TEST_F(ClientServer, WrongMethodNamesAreUnimplemented) {
  auto channel = vl::test::rawChannel(port);
  for (const char* method : {"/syncnetwork.SyncNetworkService/auth", "/syncnetwork.SyncNetworkService/Nope",
                             "/other.Service/Auth"}) {
    SCOPED_TRACE(method);
    EXPECT_EQ(vl::test::rawUnary(channel, method, "").error_code(), grpc::StatusCode::UNIMPLEMENTED);
  }
  EXPECT_TRUE(vl::test::rawUnary(channel, "/syncnetwork.SyncNetworkService/Auth", "").ok());
}

TEST_F(ClientServer, BrokenAndForeignMessagesLeaveTheServerServing) {
  auto channel = vl::test::rawChannel(port, 100 * 1024 * 1024);
  // Bytes that are not an AuthRequest: the call fails, no handler runs.
  EXPECT_EQ(
      vl::test::rawUnary(channel, "/syncnetwork.SyncNetworkService/Auth", std::string("\x0a\x10\x61", 3))
          .error_code(),
      grpc::StatusCode::INTERNAL);
  EXPECT_TRUE(handler->seen().empty());

  // A newer peer's extra field 9 is ignored; the call goes through.
  EXPECT_TRUE(vl::test::rawUnary(channel, "/syncnetwork.SyncNetworkService/Bye",
                                 std::string("\x0a\x01T\x4a\x02hi", 7))
                  .ok());
  EXPECT_EQ(handler->seen().back().request, kToken);

  // A message above the 64 MiB limit is refused by the server...
  syncnetwork::SendChunksRequest huge;
  huge.add_chunks()->set_context(std::string(65 * 1024 * 1024, 'x'));
  EXPECT_EQ(
      vl::test::rawUnary(channel, "/syncnetwork.SyncNetworkService/SendChunks", huge.SerializeAsString())
          .error_code(),
      grpc::StatusCode::RESOURCE_EXHAUSTED);
  // ...and by our own client before it is sent.
  Json big = record("s", std::string(65 * 1024 * 1024, 'x'));
  client.sendChunksWithRequest(Json{{"access_token", "T"}, {"chunks", Json::array({big})}}, onLoop());
  EXPECT_EQ(code(replies.next()), 500);

  // A 10 MiB batch, well past gRPC's default 4 MiB, is within the limits of both ends.
  Json batch = Json::array();
  for (int i = 0; i < 10; ++i)
    batch.push_back(record("s" + std::to_string(i), std::string(1024 * 1024, 'y')));
  client.sendChunksWithRequest(Json{{"access_token", "T"}, {"chunks", batch}}, onLoop());
  EXPECT_EQ(code(replies.next()), 200);
  EXPECT_EQ(handler->seen().back().request["chunks"].size(), 10u);
}

TEST_F(ClientServer, PeersThatStopMidStreamOrNeverSpeakHarmNobody) {
  vl::test::SilentSocket silent(port);
  ASSERT_TRUE(silent.connected());

  auto stub = syncnetwork::SyncNetworkService::NewStub(vl::test::rawChannel(port));
  {
    // An upload that announces three slices, sends one and goes away.
    grpc::ClientContext context;
    syncnetwork::SendMediametaResponse response;
    auto writer = stub->SendMediameta(&context, &response);
    syncnetwork::SendMediametaRequest slice;
    slice.set_chunk_sig("HALF");
    slice.set_total_packages(3);
    slice.set_data("part");
    ASSERT_TRUE(writer->Write(slice));
    ASSERT_TRUE(handler->waitFor(1));
    context.TryCancel();
    writer->Finish();
  }
  ASSERT_TRUE(handler->waitFor(2));
  EXPECT_EQ(handler->operations(), (std::vector<std::string>{"sendMediametaMessage", "sendMediametaAbort"}));

  {
    // A download abandoned after its first slice.
    handler->setReplies([](const std::string&, const Json&) {
      Json reply = vl::test::succeed();
      reply["data"] = bytesOfSize(4 * kSlice);
      return reply;
    });
    grpc::ClientContext context;
    syncnetwork::GetMediametaRequest request;
    request.set_chunk_sig("BIG");
    auto reader = stub->GetMediameta(&context, request);
    syncnetwork::GetMediametaResponse first;
    ASSERT_TRUE(reader->Read(&first));
    EXPECT_FALSE(first.end());
    context.TryCancel();
    reader->Finish();
    handler->setReplies(nullptr);
  }

  // Others are still served, and the server closes promptly with the silent peer still connected.
  client.authWithRequest(kAuth, onLoop());
  EXPECT_EQ(code(replies.next()), 200);
  const auto before = std::chrono::steady_clock::now();
  server.close();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
  EXPECT_FALSE(server.isServing());
}

TEST_F(ClientServer, RestartingClosesTheOldServerAndReconnectingMovesCalls) {
  // Starting a server that already runs closes the old one first; the old port no longer answers.
  server.startWithIp("127.0.0.1", 0);
  ASSERT_TRUE(server.isServing());
  EXPECT_NE(server.boundPort(), port);
  client.byeWithRequest(kToken, onLoop());
  EXPECT_EQ(code(replies.next()), 500);
  client.connectWithIp("127.0.0.1", server.boundPort());
  client.byeWithRequest(kToken, onLoop());
  EXPECT_EQ(code(replies.next()), 200);
  EXPECT_EQ(handler->seen().size(), 1u);
}

TEST(Server, ReportsItsPortAndSurvivesAFailedBind) {
  auto handler = std::make_shared<FakeHandler>();
  SyncNetworkServer server(handler), second(handler);
  testing::internal::CaptureStdout();
  server.startWithIp("127.0.0.1", 0);
  const int port = server.boundPort();
  ASSERT_GT(port, 0);
  // The port is taken now: a second server binds nothing and prints nothing.
  second.startWithIp("127.0.0.1", port);
  EXPECT_FALSE(second.isServing());
  second.close();
  second.close();
  server.close();  // the line is printed from the loop, which close drains
  server.close();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "server started on port " + std::to_string(port) + "\n");
}

TEST_F(ClientServer, CloseFromItsOwnLoopDoesNotDeadlock) {
  handler->setReplies([this](const std::string&, const Json&) {
    server.close();  // e.g. a handler that ends the network
    return vl::test::succeed();
  });
  client.byeWithRequest(kToken, replies.callback());
  const Json reply = replies.next();
  EXPECT_TRUE(code(reply) == 200 || code(reply) == 500) << reply.dump();
  EXPECT_FALSE(server.isServing());
}

TEST_F(ClientServer, CloseOnTheMainThreadLetsAHandlerWaitingForItFinish) {
  vl::dispatch::MainLoop::adoptCurrentThread();
  std::atomic<bool> refreshed{false};
  handler->setReplies([&refreshed](const std::string&, const Json&) {
    // Like a push that waits for the history list to refresh on the main thread.
    vl::dispatch::Queue::main()->sync([&refreshed] { refreshed = true; });
    return vl::test::succeed();
  });
  client.sendChunksWithRequest(kToken, replies.callback());
  ASSERT_TRUE(handler->waitFor(1));
  server.close();
  EXPECT_TRUE(refreshed);
  EXPECT_EQ(code(replies.next()), 200);
}

}  // namespace
