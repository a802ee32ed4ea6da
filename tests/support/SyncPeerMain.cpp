// vl-sync-peer: a serving device for the sync client's tests, in a process (and HOME) of its own so
// that its record store is really apart from the test's. It serves a network with the real request
// handlers on 127.0.0.1, writes {"port", "network_id"} to descriptor 3 and then answers there one JSON
// line per command line on its standard input (SyncPeer.h lists them). VL_PEER_CLOCK_OFFSET moves its clock
// by that many seconds, as a machine whose clock is off would be.
#include <signal.h>
#include <unistd.h>

#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "VLEngine/VLEngine.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/record/JsonDataHelper.h"
#include "core/VLConstants.h"
#include "gRPC/Server/SyncNetworkServer.h"
#include "pins/PinManager.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Crypto.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/NotificationCenter.h"
#include "sync/SyncWindowHooks.h"
#include "sync/server/ServerResponseMaker.h"
#include "sync/store/CreatedDataSyncStore.h"
#include "sync/transfer/FileTransferCenter.h"
#include "sync/transfer/FileTransferEntity.h"

namespace {

using namespace vl;

class OffsetClock final : public Clock {
 public:
  explicit OffsetClock(double seconds) : offset_(seconds) {}
  double now() const override { return system_.now() + offset_; }
  double monotonicMs() const override { return system_.monotonicMs(); }

 private:
  SystemClock system_;
  double offset_;
};

// Something happened that a waiting command may be waiting for.
class Events {
 public:
  void poke() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++count_;
    }
    changed_.notify_all();
  }
  // The condition is checked outside the lock, after each event, until it holds or time runs out.
  bool waitUntil(const std::function<bool()>& condition, double ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double, std::milli>(ms);
    for (;;) {
      std::uint64_t seen;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        seen = count_;
      }
      if (condition()) return true;
      std::unique_lock<std::mutex> lock(mutex_);
      if (!changed_.wait_until(lock, deadline, [&] { return count_ != seen; })) {
        lock.unlock();
        return condition();
      }
    }
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t count_ = 0;
};

Events& events() {
  static Events e;
  return e;
}

// The real handlers, watched, with a few turns a test can ask for.
class PeerHandler : public ServerResponseMaker {
 public:
  Json getChunks(const Json& request) override {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      ++polls_;
      if (stall_) {
        stalled_ = true;
        events().poke();
        released_.wait_for(lock, std::chrono::seconds(30), [this] { return !stall_; });
        stalled_ = false;
      }
      if (hostile_) {
        Json reply = std::move(*hostile_);
        hostile_.reset();
        ++answered_;
        return reply;
      }
    }
    Json reply = ServerResponseMaker::getChunks(request);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++answered_;
    }
    events().poke();
    return reply;
  }

  Json getMediameta(const Json& request) override {
    const std::string sig = jsonString(request, "chunk_sig");
    {
      std::lock_guard<std::mutex> lock(mutex_);
      // As if this image were still on its way from another device.
      if (auto it = later_.find(sig); it != later_.end()) {
        if (--it->second == 0) later_.erase(it);
        ++laterAnswers_;
        events().poke();
        return Json{{"status", code(601, "Get mediameta later.")}};
      }
    }
    return ServerResponseMaker::getMediameta(request);
  }

  void sendMediametaSlice(MediaSlice slice) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++uploads_[slice.chunkSig];
    }
    ServerResponseMaker::sendMediametaSlice(std::move(slice));
    events().poke();
  }

  Json sendMediametaEnd(const Json& request) override {
    const std::string sig = jsonString(request, "chunk_sig");
    bool refuse = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      refuse = refuseUploads_ > 0;
      refuseUploads_ -= refuse ? 1 : 0;
    }
    // As if other images had filled the room for arriving ones meanwhile.
    if (refuse) {
      if (auto entity = FileTransferCenter::defaultCenter().getEntity(sig))
        entity->fail("too many images arriving at once");
    }
    return ServerResponseMaker::sendMediametaEnd(request);
  }

  void refuseUploads(int times) {
    std::lock_guard<std::mutex> lock(mutex_);
    refuseUploads_ = times;
  }
  void answerLater(const std::string& sig, int times) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (times > 0) later_[sig] = times;
  }
  void setHostile(Json reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    hostile_ = std::move(reply);
  }
  void setStall(bool stall) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stall_ = stall;
    }
    released_.notify_all();
  }
  Json counts() {
    std::lock_guard<std::mutex> lock(mutex_);
    return Json{{"polls", polls_},
                {"answered", answered_},
                {"later", laterAnswers_},
                {"stalled", stalled_},
                {"uploads", uploads_}};
  }

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  std::map<std::string, int> later_;
  std::optional<Json> hostile_;
  std::map<std::string, int> uploads_;
  int polls_ = 0, answered_ = 0, laterAnswers_ = 0, refuseUploads_ = 0;
  bool stall_ = false, stalled_ = false;
};

const char* const kClip = kClipboardPinTabId;

// The record a command names by "sig", else by "text" (a record without json).
std::shared_ptr<Vellisto_Chunk> recordOf(const Json& command) {
  const std::string sig = jsonString(command, "sig");
  if (!sig.empty()) return VLEngine::shared().getChunkBySig(sig, kClip);
  return VLEngine::shared().getChunkByContext(jsonString(command, "text"), std::nullopt, kClip);
}

// A record of `text` and json, as a copy on this device would make it: stored and at the head of the
// recent list, which keeps its length as the history list's listings leave it.
std::shared_ptr<Vellisto_Chunk> copy(const std::string& text, const Json& json) {
  VLEngine& engine = VLEngine::shared();
  std::shared_ptr<Vellisto_Chunk> chunk = engine.append(text, std::nullopt, json, kClip);
  if (!chunk) return nullptr;
  RecursiveMutexLock lock(VLEngine::storeMutex());
  auto table = engine.tabDirectory()->clipboardTab()->sortedTable();
  table->remove(chunk);
  if (table->isEmpty()) {
    table->append({chunk});
  } else {
    table->head(chunk);
  }
  table->cutIfNeeded();
  return chunk;
}

Json describe(const std::shared_ptr<Vellisto_Chunk>& chunk) {
  if (!chunk) return Json{{"found", false}};
  const Json json = chunk->json().value_or(Json::object());
  const std::string timestamp = chunk->timestamp();
  Json out{{"found", true}, {"sig", chunk->sig()}, {"json", json}, {"timestamp", timestamp}};
  if (std::optional<std::string> image = JsonDataHelper::stringOf(json, "forever_image")) {
    if (std::optional<std::string> bytes = files::readFile(*image)) {
      out["image_bytes"] = bytes->size();
      out["image_md5"] = md5Hex(*bytes);
    }
  }
  return out;
}

Json run(const Json& command, PeerHandler& handler, const std::shared_ptr<ServerSyncNetworkBean>& network) {
  const std::string cmd = jsonString(command, "cmd");
  const double ms = jsonDouble(command, "ms", 10000);
  const std::string text = jsonString(command, "text");
  if (cmd == "copy") {
    auto chunk = copy(text, command.value("json", Json::object()));
    return Json{{"ok", chunk != nullptr}, {"sig", chunk ? chunk->sig() : ""}};
  }
  if (cmd == "image") {
    // The image file goes into this device's own file folder, as a copied image would.
    const std::string folder = files::joinPath(VLEngine::shared().filePath(), "2024-01-01");
    if (!files::createDirectories(folder)) return Json{{"ok", false}};
    const std::string path = files::joinPath(folder, jsonString(command, "name", "peer.png"));
    std::optional<std::string> bytes = files::readFile(jsonString(command, "from"));
    if (!bytes || !files::atomicWrite(path, *bytes)) return Json{{"ok", false}};
    auto chunk = copy(text, Json{{"image", path}});
    if (chunk) handler.answerLater(chunk->sig(), static_cast<int>(jsonInteger(command, "later")));
    return Json{{"ok", chunk != nullptr}, {"sig", chunk ? chunk->sig() : ""}};
  }
  if (cmd == "record") return describe(recordOf(command));
  if (cmd == "wait_text") {
    return Json{{"ok", events().waitUntil([&] { return recordOf(command) != nullptr; }, ms)}};
  }
  if (cmd == "wait_image") {
    bool stored = events().waitUntil([&] { return describe(recordOf(command)).contains("image_md5"); }, ms);
    Json out = describe(recordOf(command));
    out["ok"] = stored;
    return out;
  }
  if (cmd == "wait_devices") {
    const std::size_t count = jsonInteger(command, "count");
    return Json{
        {"ok", events().waitUntil([&] { return network->connectedAndAuthorized().size() == count; }, ms)}};
  }
  if (cmd == "wait_stalled") {
    return Json{{"ok", events().waitUntil([&] { return handler.counts()["stalled"].get<bool>(); }, ms)}};
  }
  if (cmd == "wait_upload") {
    const std::string sig = jsonString(command, "sig");
    return Json{{"ok", events().waitUntil([&] { return handler.counts()["uploads"].contains(sig); }, ms)}};
  }
  if (cmd == "disconnect_all") {
    for (const AuthorizedBean& device : network->connectedAndAuthorized())
      network->setTryDisconnect(device.accessToken);
    return Json{{"ok", true}};
  }
  if (cmd == "hostile") {
    Json reply = command.value("reply", Json::object());
    if (reply.value("timestamp", Json()) == "nan") reply["timestamp"] = std::nan("");
    handler.setHostile(std::move(reply));
    return Json{{"ok", true}};
  }
  if (cmd == "stall" || cmd == "release") {
    handler.setStall(cmd == "stall");
    return Json{{"ok", true}};
  }
  if (cmd == "refuse_uploads") {
    handler.refuseUploads(static_cast<int>(jsonInteger(command, "times")));
    return Json{{"ok", true}};
  }
  if (cmd == "counts") return handler.counts();
  return Json{{"ok", false}, {"error", "unknown command " + cmd}};
}

}  // namespace

int main() {
  ::signal(SIGPIPE, SIG_IGN);
  dispatch::MainLoop::adoptCurrentThread();
  if (const char* offset = std::getenv("VL_PEER_CLOCK_OFFSET"))
    Clock::install(std::make_shared<OffsetClock>(std::atof(offset)));

  VLEngine& engine = VLEngine::shared();
  engine.setTabDirectory(PinManager::tabDirectory());
  engine.setFolders(files::homeDirectory());
  engine.load();
  PinManager::shared().load();
  PinManager::shared().activeTabOfId(kClip);

  auto network = ServerSyncNetworkBean::ofName(
      std::getenv("VL_PEER_NETWORK") ? std::getenv("VL_PEER_NETWORK") : "Peer network", "peer password");
  CreatedDataSyncStore::shared().add(network);
  CreatedDataSyncStore::shared().setCurrentProvider(network);
  SyncWindowHooks::setRefreshHistoryList([] { events().poke(); });
  SyncWindowHooks::setReloadSyncBar([] { events().poke(); });
  Observation ended = NotificationCenter::defaultCenter().observe(
      FileTransferEntity::kEndProcess, nullptr, [](const Notification&) { events().poke(); });

  auto handler = std::make_shared<PeerHandler>();
  auto server = std::make_unique<SyncNetworkServer>(handler);
  server->startWithIp("127.0.0.1", 0);
  if (!server->isServing()) {
    std::fprintf(stderr, "vl-sync-peer: could not serve\n");
    return 1;
  }
  // Answers go to descriptor 3: the server prints its own diagnostics on standard output.
  std::mutex out;
  auto say = [&out](const Json& line) {
    const std::string text = line.dump() + "\n";
    std::lock_guard<std::mutex> lock(out);
    for (std::size_t at = 0; at < text.size();) {
      const ssize_t n = ::write(3, text.data() + at, text.size() - at);
      if (n <= 0) return;
      at += static_cast<std::size_t>(n);
    }
  };
  say(Json{{"port", server->boundPort()}, {"network_id", network->identifier()}});

  std::thread reader([&] {
    std::string line;
    while (std::getline(std::cin, line)) {
      std::optional<Json> command = parseJson(line, "peer command");
      if (!command || jsonString(*command, "cmd") == "quit") break;
      say(run(*command, *handler, network));
    }
    dispatch::Queue::main()->async([] { dispatch::MainLoop::stop(); });
  });
  dispatch::MainLoop::run();
  handler->setStall(false);
  server->close();
  Vellisto_BigDoc::waitForPendingWrites();
  reader.detach();
  std::_Exit(0);
}
