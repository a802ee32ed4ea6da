#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "core/VLConfig.h"
#include "core/VLConstants.h"
#include "gRPC/Client/SyncNetworkClient.h"
#include "gRPC/Server/SyncNetworkServer.h"
#include "pins/PinManager.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/UserDefaults.h"
#include "support/TestSupport.h"
#include "sync/SyncWindowHooks.h"
#include "sync/server/ServerResponseMaker.h"
#include "sync/store/CreatedDataSyncStore.h"
#include "sync/store/JoinDataSyncStore.h"
#include "sync/transfer/FileTransferCenter.h"

namespace vl::test {

inline constexpr const char* kClip = kClipboardPinTabId;
inline constexpr const char* kNetworkName = "Living room";
inline constexpr const char* kPassword = "correct horse";

// A record dictionary as a peer sends it.
inline Json wireRecord(const std::string& context, const std::string& timestamp, Json json = Json::object(),
                       const std::string& rich = "") {
  return Json{{"sig", "from-the-peer"}, {"timestamp", timestamp}, {"alias", ""},
              {"context", context},     {"rich", rich},           {"json", std::move(json)}};
}

// A private HOME with a loaded record store and pin tabs, a manual clock, and empty sync stores and
// transfer registry: what every sync test starts from.
class SyncStoreFixture : public ::testing::Test {
 public:
  void SetUp() override {
    home_.emplace("vl-sync");
    ASSERT_FALSE(home_->path().empty());
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    dispatch::MainLoop::adoptCurrentThread();
    clock_ = std::make_shared<ManualClock>(1.7e9);
    Clock::install(clock_);
    engine().setTabDirectory(PinManager::tabDirectory());
    VLEngine::resetForTesting();
    engine().setFolders(home_->path());
    engine().load();
    PinManager::shared().load();
    PinManager::shared().activeTabOfId(kClip);
    CreatedDataSyncStore::shared().resetForTesting();
    JoinDataSyncStore::shared().resetForTesting();
    FileTransferCenter::defaultCenter().resetForTesting();
    SyncWindowHooks::reset();
  }

  void TearDown() override {
    dispatch::MainLoop::runUntilIdle();
    FileTransferCenter::defaultCenter().resetForTesting();
    CreatedDataSyncStore::shared().resetForTesting();
    JoinDataSyncStore::shared().resetForTesting();
    Vellisto_BigDoc::waitForPendingWrites();
    VLEngine::resetForTesting();
    engine().setTabDirectory(nullptr);
    Clock::install(nullptr);
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    home_.reset();
  }

  static VLEngine& engine() { return VLEngine::shared(); }
  std::string forever() const { return engine().foreverPath(); }
  std::string inForever(const std::string& name) const { return files::joinPath(forever(), name); }
  std::string home() const { return home_->path(); }

  static std::shared_ptr<Vellisto_Chunk> stored(const std::string& context,
                                                const std::optional<Json>& json = {}) {
    return engine().getChunkByContext(context, json, kClip);
  }
  static std::shared_ptr<ChunkSortedWeakTable> recentList() {
    return engine().tabDirectory()->clipboardTab()->sortedTable();
  }
  static std::vector<std::string> recentContexts() {
    std::vector<std::string> out;
    for (const auto& chunk : recentList()->liveChunks()) out.push_back(chunk->context());
    return out;
  }
  static std::size_t recordCount() {
    std::size_t count = 0;
    for (auto doc = engine().headDoc(); doc; doc = doc->next()) {
      for (const auto& chunk : doc->chunks()) count += chunk && !chunk->isLogicallyDeleted() ? 1 : 0;
    }
    return count;
  }

 protected:
  std::optional<PrivateHome> home_;
  std::shared_ptr<ManualClock> clock_;
};

// The real handlers behind a SyncNetworkServer on 127.0.0.1 and the project's client talking to it;
// the served network is "Living room".
class SyncServerFixture : public SyncStoreFixture {
 public:
  void SetUp() override {
    SyncStoreFixture::SetUp();
    if (HasFatalFailure()) return;
    network = ServerSyncNetworkBean::ofName(kNetworkName, kPassword);
    CreatedDataSyncStore::shared().add(network);
    CreatedDataSyncStore::shared().setCurrentProvider(network);
    server = std::make_unique<SyncNetworkServer>(handler);
    server->startWithIp("127.0.0.1", 0);
    ASSERT_GT(server->boundPort(), 0);
    client.setMediaHandler([media = media](const Json& message) {
      std::lock_guard<std::mutex> lock(media->mutex);
      media->messages.push_back(message);
    });
    client.connectWithIp("127.0.0.1", server->boundPort());
  }

  void TearDown() override {
    client.close();
    server.reset();
    SyncStoreFixture::TearDown();
  }

  // Waits for the call's reply on the main thread, which keeps running main-queue work meanwhile (the
  // handlers post their notices and refreshes there).
  template <class Start>
  Json await(Start start) {
    auto reply = std::make_shared<Json>();
    auto done = std::make_shared<dispatch::Group>();
    done->enter();
    start([reply, done](Json answer) {
      *reply = std::move(answer);
      done->leave();
    });
    EXPECT_TRUE(done->wait(20000)) << "no reply";
    dispatch::MainLoop::runUntilIdle();
    return *reply;
  }

  Json auth(const std::string& deviceId, const std::string& password = kPassword,
            std::optional<std::string> networkId = std::nullopt) {
    Json request{{"network_id", networkId.value_or(network->identifier())},
                 {"device_id", deviceId},
                 {"device_name", "Device " + deviceId},
                 {"password", password}};
    return await([&](auto callback) { client.authWithRequest(request, callback); });
  }
  // The token of a device that got in.
  std::string join(const std::string& deviceId) {
    Json reply = auth(deviceId);
    EXPECT_EQ(code(reply), 200) << reply.dump();
    return jsonString(reply, "access_token");
  }
  Json getChunks(const std::string& token, double timestamp, Json records = Json::array()) {
    Json request{{"access_token", token}, {"timestamp", timestamp}, {"chunks", std::move(records)}};
    return await([&](auto callback) { client.getChunksWithRequest(request, callback); });
  }
  Json sendChunks(const std::string& token, Json records) {
    Json request{{"access_token", token}, {"chunks", std::move(records)}};
    return await([&](auto callback) { client.sendChunksWithRequest(request, callback); });
  }
  Json upload(const std::string& token, const std::string& sig, const std::string& data) {
    Json request{{"access_token", token},
                 {"chunk_sig", sig},
                 {"data", Json::binary(std::vector<std::uint8_t>(data.begin(), data.end()))}};
    return await([&](auto callback) { client.sendMediametaWithRequest(request, callback); });
  }
  struct Downloaded {
    int code = -1;
    std::string data;
  };
  // The streamed messages of one GetMediameta, joined.
  Downloaded download(const std::string& token, const std::string& sig) {
    {
      std::lock_guard<std::mutex> lock(media->mutex);
      media->messages.clear();
    }
    client.getMediametaWithRequest(Json{{"access_token", token}, {"chunk_sig", sig}});
    std::lock_guard<std::mutex> lock(media->mutex);
    Downloaded out;
    for (const Json& message : media->messages) {
      out.code = message.value("code", -1);
      const auto& bytes = message["data"].get_binary();
      out.data.append(bytes.begin(), bytes.end());
    }
    return out;
  }
  Json bye(const std::string& token) {
    return await([&](auto callback) { client.byeWithRequest(Json{{"access_token", token}}, callback); });
  }

  static int code(const Json& reply) {
    return reply.is_object() && reply.contains("status") ? reply["status"].value("code", -1) : -1;
  }
  static std::string message(const Json& reply) {
    return reply.is_object() && reply.contains("status") ? reply["status"].value("msg", "") : "";
  }

  struct Media {
    std::mutex mutex;
    std::vector<Json> messages;
  };
  std::shared_ptr<Media> media = std::make_shared<Media>();
  std::shared_ptr<ServerResponseMaker> handler = std::make_shared<ServerResponseMaker>();
  std::unique_ptr<SyncNetworkServer> server;
  SyncNetworkClient client{SyncNetworkClient::Options{.closeWaitSeconds = 2}};
  CreatedDataSyncStore::Network network;
};

}  // namespace vl::test
