#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "SyncTestSupport.h"
#include "gRPC/Client/ClientMessages.h"
#include "gRPC/Common/SyncDictionary.h"
#include "gRPC/Server/ServerProvider.h"
#include "support/TestSupport.h"

namespace {

using vl::Json;
using vl::test::bytesOfSize;
using vl::test::FakeHandler;
using vl::test::record;

struct Provider : ::testing::Test {
  std::shared_ptr<FakeHandler> handler = std::make_shared<FakeHandler>();
  vl::ServerProvider provider{handler};

  void reply(Json value) {
    handler->setReplies([value](const std::string&, const Json&) { return value; });
  }
};

TEST_F(Provider, ImagesAreSlicedAtThreeMebibytes) {
  struct Case {
    std::size_t size;
    std::vector<std::size_t> slices;
  };
  const std::size_t S = 3145728;
  const Case cases[] = {{5, {5}}, {S, {S}}, {S + 1, {S, 1}}, {2 * S, {S, S}}, {7000000, {S, S, 708544}},
                        {0, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    reply(Json{{"status", {{"code", 200}, {"msg", "Succeed."}}}, {"data", bytesOfSize(c.size)}});
    syncnetwork::GetMediametaRequest request;
    request.set_chunk_sig("S1");
    const vl::MediametaStream stream = provider.getMediameta(request);
    ASSERT_EQ(stream.count(), c.slices.size());
    const Json wholeJson = bytesOfSize(c.size);
    const auto& whole = wholeJson.get_binary();
    std::size_t offset = 0;
    for (std::size_t i = 0; i < stream.count(); ++i) {
      const auto message = stream.message(i);
      EXPECT_EQ(message.data().size(), c.slices[i]);
      EXPECT_EQ(0, std::memcmp(message.data().data(), whole.data() + offset, c.slices[i]));
      offset += c.slices[i];
      EXPECT_EQ(message.total_packages(), static_cast<int>(c.slices.size()));
      EXPECT_EQ(message.end(), i + 1 == c.slices.size());
      EXPECT_EQ(message.chunk_sig(), "S1");
      EXPECT_EQ(message.status().code(), 200);
    }
  }
}

TEST_F(Provider, MalformedRepliesAnswer500) {
  const Json cases[] = {
      Json::object(),                                     // no status
      Json{{"status", {{"code", "200"}, {"msg", "x"}}}},  // code not a number
      Json{{"status", {{"code", 200}}}},                  // no msg
      Json{{"status", {{"code", 1e12}, {"msg", "x"}}}},   // code beyond 32 bits
      Json{{"status", {{"code", 200}, {"msg", "x"}}}, {"timestamp", "now"}},
      Json{{"status", {{"code", 200}, {"msg", "x"}}}, {"req_sigs", {1, 2}}},
      Json{{"status", {{"code", 200}, {"msg", "x"}}}, {"chunks", Json::array({Json{{"sig", "a"}}})}},
      Json{{"status", {{"code", 200}, {"msg", "x"}}},
           {"chunks", Json::array({Json{{"sig", "a"},
                                        {"timestamp", "1"},
                                        {"alias", ""},
                                        {"context", "c"},
                                        {"rich", ""},
                                        {"json", {{"k", 1}}}}})}},
      Json("not a dictionary"),
  };
  for (const auto& value : cases) {
    SCOPED_TRACE(value.dump());
    reply(value);
    const auto response = provider.getChunks(syncnetwork::GetChunksRequest());
    EXPECT_EQ(response.status().code(), 500);
    EXPECT_EQ(response.chunks_size(), 0);
    EXPECT_EQ(response.req_sigs_size(), 0);
  }
  reply(Json{{"status", {{"code", 200}, {"msg", "x"}}}, {"data", "text, not bytes"}});
  const auto stream = provider.getMediameta(syncnetwork::GetMediametaRequest());
  ASSERT_EQ(stream.count(), 1u);
  EXPECT_EQ(stream.message(0).status().code(), 500);
  EXPECT_TRUE(stream.message(0).end());

  handler->setReplies([](const std::string&, const Json&) -> Json { throw std::runtime_error("boom"); });
  EXPECT_EQ(provider.bye(syncnetwork::ByeRequest()).status().code(), 500);
  vl::ServerProvider withoutHandler(nullptr);
  EXPECT_EQ(withoutHandler.auth(syncnetwork::AuthRequest()).status().code(), 500);
}

TEST_F(Provider, OptionalReplyKeysMayBeAbsent) {
  syncnetwork::AuthRequest auth;
  auth.set_network_id("NET");
  // A 412 carries the status only; a stray non-text name is left out rather than failing the call.
  reply(Json{{"status", {{"code", 412}, {"msg", "wrong"}}}, {"netowrk_name", 5}});
  const auto authResponse = provider.auth(auth);
  EXPECT_EQ(authResponse.status().code(), 412);
  EXPECT_EQ(authResponse.netowrk_name(), "");

  reply(Json{{"status", {{"code", 200}, {"msg", "Succeed."}}}});
  syncnetwork::GetChunksRequest poll;
  poll.set_access_token("T");
  const auto pollResponse = provider.getChunks(poll);
  EXPECT_EQ(pollResponse.timestamp(), 0);
  EXPECT_EQ(handler->seen().back().request,
            (Json{{"access_token", "T"}, {"timestamp", 0.0}, {"chunks", Json::array()}}));

  reply(Json{{"status", {{"code", 600}, {"msg", "Server disconnect"}}}});
  syncnetwork::SendChunksRequest push;
  auto* chunk = push.add_chunks();
  chunk->set_sig("s");
  (*chunk->mutable_json())["type"] = "text";
  const auto pushResponse = provider.sendChunks(push);
  EXPECT_EQ(pushResponse.status().code(), 600);
  EXPECT_EQ(pushResponse.sigs_size(), 0);
  const Json pushed = handler->seen().back().request["chunks"][0];
  EXPECT_EQ(pushed["json"], (Json{{"type", "text"}}));
  EXPECT_EQ(pushed["timestamp"], "");
}

TEST_F(Provider, UploadEndsWithTheLastSignatureOrIsAbandoned) {
  // A line per slice is tracing: only a debug log shows it.
  {
    vl::test::ScopedLogThreshold info(vl::LogLevel::kInfo);
    testing::internal::CaptureStdout();
    auto quiet = provider.sendMediameta();
    syncnetwork::SendMediametaRequest slice;
    slice.set_chunk_sig("A");
    slice.set_total_packages(1);
    quiet->message(slice);
    EXPECT_EQ(quiet->finish().status().code(), 200);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  }
  vl::test::ScopedLogThreshold debug(vl::LogLevel::kDebug);
  testing::internal::CaptureStdout();
  auto upload = provider.sendMediameta();
  for (const char* sig : {"A", "B", "C"}) {
    syncnetwork::SendMediametaRequest slice;
    slice.set_chunk_sig(sig);
    slice.set_total_packages(3);
    slice.set_data("xy");
    upload->message(slice);
  }
  auto response = upload->finish();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "data received\ndata received\ndata received\n");
  EXPECT_EQ(response.chunk_sig(), "C");
  EXPECT_EQ(response.status().code(), 200);
  EXPECT_EQ(handler->seen().back().request, (Json{{"chunk_sig", "C"}, {"access_token", ""}, {"slices", 3}}));

  // A stream that stops after one of three slices is not a whole image.
  testing::internal::CaptureStdout();
  upload = provider.sendMediameta();
  syncnetwork::SendMediametaRequest slice;
  slice.set_chunk_sig("D");
  slice.set_total_packages(3);
  upload->message(slice);
  response = upload->finish();
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(response.status().code(), 500);
  EXPECT_EQ(handler->seen().back().operation, "sendMediametaAbort");
}

TEST(ClientMessages, RequestsAreCheckedBeforeAnythingIsSent) {
  namespace cm = vl::clientmessages;
  std::string error;
  syncnetwork::GetChunksRequest poll;
  Json missingJson = record("s", "c"), numberInJson = record("s", "c");
  missingJson.erase("json");
  numberInJson["json"]["n"] = 1;
  const Json badPolls[] = {
      Json{{"access_token", "T"}, {"timestamp", "0"}},
      Json{{"access_token", 3}, {"timestamp", 0}},
      Json{{"access_token", "T"}, {"timestamp", 0}, {"chunks", "x"}},
      Json{{"access_token", "T"}, {"timestamp", 0}, {"chunks", Json::array({missingJson})}},
      Json{{"access_token", "T"}, {"timestamp", 0}, {"chunks", Json::array({numberInJson})}},
      Json{{"access_token", "T"}},  // last, so the error below is its own
  };
  for (const Json& request : badPolls)
    EXPECT_FALSE(cm::getChunksRequest(request, &poll, &error)) << request.dump();
  EXPECT_NE(error.find("timestamp"), std::string::npos);

  // Without "chunks" or with an empty list the same empty record list goes out; extra keys are ignored.
  ASSERT_TRUE(
      cm::getChunksRequest(Json{{"access_token", "T"}, {"timestamp", 2.5}, {"other", 1}}, &poll, &error));
  const std::string absent = poll.SerializeAsString();
  ASSERT_TRUE(cm::getChunksRequest(Json{{"access_token", "T"}, {"timestamp", 2.5}, {"chunks", Json::array()}},
                                   &poll, &error));
  EXPECT_EQ(poll.SerializeAsString(), absent);

  syncnetwork::AuthRequest auth;
  EXPECT_FALSE(
      cm::authRequest(Json{{"network_id", "N"}, {"device_id", "D"}, {"device_name", "n"}}, &auth, &error));
  EXPECT_NE(error.find("password"), std::string::npos);

  cm::Upload upload;
  EXPECT_FALSE(
      cm::upload(Json{{"data", "text"}, {"access_token", "T"}, {"chunk_sig", "S"}}, &upload, &error));
  EXPECT_FALSE(cm::upload(Json{{"data", vl::test::bytes("x")}, {"access_token", "T"}}, &upload, &error));
  EXPECT_TRUE(cm::upload(Json{{"data", vl::test::bytes("")}}, &upload, &error));
}

TEST(ClientMessages, AResponseWithoutStatusReadsAsCodeZero) {
  const Json reply = vl::clientmessages::authReply(syncnetwork::AuthResponse());
  EXPECT_EQ(reply["status"], (Json{{"code", 0}, {"msg", ""}}));
  EXPECT_FALSE(reply.contains("netowrk_name"));
}

TEST(ClientMessages, TextThatIsNotUtf8IsRepairedNotRefused) {
  std::string error;
  syncnetwork::SendChunksRequest push;
  Json bad = record("s", std::string("a\xff") + "b");
  ASSERT_TRUE(vl::clientmessages::sendChunksRequest(
      Json{{"access_token", "T"}, {"chunks", Json::array({bad})}}, &push, &error));
  EXPECT_EQ(push.chunks(0).context(),
            "a\xEF\xBF\xBD"
            "b");
  syncnetwork::SendChunksRequest decoded;
  EXPECT_TRUE(decoded.ParseFromString(push.SerializeAsString()));
}

TEST(SyncPort, DefaultsTo21900AndTakesOnlyValidOverrides) {
  const struct {
    const char* value;
    int port;
  } cases[] = {{nullptr, 21900}, {"", 21900},      {"22000", 22000},
               {"0", 21900},     {"70000", 21900}, {"12ab", 21900}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    vl::test::ScopedEnv env("VELLISTO_SYNC_PORT",
                            c.value ? std::optional<std::string>(c.value) : std::nullopt);
    EXPECT_EQ(vl::syncwire::syncPort(), c.port);
  }
}

}  // namespace

TEST(PeerJson, DeepOrHugeTextIsRefusedWhileReading) {
  auto nested = [](std::size_t depth, const std::string& open, const std::string& close) {
    std::string text;
    for (std::size_t i = 0; i < depth; ++i) text += open;
    text += "1";
    for (std::size_t i = 0; i < depth; ++i) text += close;
    return text;
  };
  const std::string advert = R"({"ip": "127.0.0.1", "port": 21900, "network_id": "N", "network_name": "",
                                 "device_name": "Laptop"})";
  struct Case {
    std::string name;
    std::string text;
    bool parses;
  };
  const Case cases[] = {
      {"advert", advert, true},
      {"64 levels", nested(64, "[", "]"), true},
      {"65 levels", nested(65, "[", "]"), false},
      {"100000 arrays", nested(100000, "[", "]"), false},
      {"100000 objects", nested(100000, "{\"a\":", "}"), false},
      {"100000 open, never closed", std::string(100000, '['), false},
      {"over the size bound", "\"" + std::string(vl::syncwire::kMaxPeerJsonBytes, 'x') + "\"", false},
      {"not json", "{\"ip\": ", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    const std::optional<Json> value = vl::syncwire::parsePeerJson(c.text, &error);
    EXPECT_EQ(value.has_value(), c.parses) << error;
    EXPECT_EQ(error.empty(), c.parses);
  }
  EXPECT_EQ(vl::syncwire::parsePeerJson(advert)->at("port"), 21900);
}
