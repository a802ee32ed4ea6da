#include "sync/client/ClientSession.h"

#include <chrono>
#include <cmath>
#include <future>
#include <set>
#include <utility>

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/record/JsonDataHelper.h"
#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "capture/CaptureHooks.h"
#include "core/VLConstants.h"
#include "core/VLDevice.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "sync/SyncRecordMerger.h"
#include "sync/SyncWindowHooks.h"
#include "sync/client/SyncNetworkClientWrapper.h"
#include "sync/store/JoinDataSyncStore.h"
#include "sync/transfer/FileTransferCenter.h"
#include "sync/transfer/RecordImageReader.h"

namespace vl {

namespace {

using Lock = MutexLock;

// One more try of the image `sig`, counted in `tries`; past `most` its count is forgotten. Sigs come from
// the serving device, so the table is bounded like everything else it sends.
int countTry(std::map<std::string, int>& tries, const std::string& sig, int most) {
  if (tries.size() >= ClientSession::kMaxSigsPerReply && !tries.count(sig)) tries.clear();
  const int count = ++tries[sig];
  if (count > most) tries.erase(sig);
  return count;
}

std::atomic<ClientSession*> made{nullptr};

SyncNetworkClientWrapper& wrapper() { return SyncNetworkClientWrapper::shared(); }

// Sigs the serving device names reach the log short and printable.
std::string printable(const std::string& value) {
  std::string out = value.substr(0, 64);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return out;
}

int codeOf(const Json& reply) {
  if (!reply.is_object()) return -1;
  auto status = reply.find("status");
  if (status == reply.end() || !status->is_object()) return -1;
  auto code = status->find("code");
  return code != status->end() && code->is_number_integer() ? code->get<int>() : -1;
}

// The texts of a reply's list, each once, at most kMaxSigsPerReply of them.
std::vector<std::string> sigList(const Json& reply, const char* key) {
  std::vector<std::string> sigs;
  auto list = reply.is_object() ? reply.find(key) : reply.end();
  if (!reply.is_object() || list == reply.end() || !list->is_array()) return sigs;
  std::set<std::string> seen;
  for (const Json& item : *list) {
    if (!item.is_string() || item.get_ref<const std::string&>().empty()) continue;
    if (!seen.insert(item.get<std::string>()).second) continue;
    if (sigs.size() == ClientSession::kMaxSigsPerReply) {
      logWarningf("sync client: %zu sigs asked for in one reply; the first %zu taken", list->size(),
                  sigs.size());
      break;
    }
    sigs.push_back(item.get<std::string>());
  }
  return sigs;
}

// The wire carries a record's json as text values only; anything else would refuse the whole call.
Json wireJson(const Json& json) {
  Json out = Json::object();
  if (!json.is_object()) return out;
  for (auto it = json.begin(); it != json.end(); ++it) {
    if (it->is_string()) out[it.key()] = *it;
  }
  return out;
}

Json wireRecord(Json dictionary) {
  dictionary["json"] = wireJson(dictionary.value("json", Json::object()));
  return dictionary;
}

bool hasValidTimestamp(const Json& record) {
  if (!record.is_object()) return false;
  auto it = record.find("timestamp");
  return it != record.end() && it->is_string() &&
         SyncRecordMerger::parseTimestamp(it->get_ref<const std::string&>()).has_value();
}

std::string joined(const std::vector<std::string>& parts) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) out += SyncRecordMerger::kMergingCopySeparator;
    out += parts[i];
  }
  return out;
}

Json copyJson(const std::shared_ptr<Vellisto_Chunk>& chunk, Json* dictionary) {
  if (dictionary) *dictionary = chunk->toDictionary();
  std::optional<Json> json = chunk->json();
  return json && json->is_object() ? std::move(*json) : Json::object();
}

}  // namespace

ClientSession::ClientSession()
    : getChunksQueue_(dispatch::Queue::serial("app.vellisto.grpc.client-get-chunks")),
      sendMediametaQueue_(dispatch::Queue::serial("app.vellisto.grpc.client-send-mediameta")),
      getMediametaQueue_(dispatch::Queue::serial("app.vellisto.grpc.client-get-mediameta")),
      gcdTimer_(dispatch::TimerSource::create(getChunksQueue_)),
      ping_(this) {
  gcdTimer_->setHandler([this] { tick(); });
}

ClientSession& ClientSession::shared() {
  // Never destroyed: its queues and timer may still hold blocks while the process exits.
  static ClientSession* session = [] {
    auto* made_ = new ClientSession();
    made = made_;
    return made_;
  }();
  return *session;
}

ClientSession* ClientSession::currentSession() {
  ClientSession* session = made;
  return session && session->timestamp_ != -1 ? session : nullptr;
}

ClientSession& ClientSession::renew(const std::string& accessToken) {
  ClientSession& session = shared();
  session.ping_.setTimeoutMs(session.timing().probeTimeoutMs);
  session.ping_.readyForWork();
  session.stopPolling();
  {
    Lock lock(session.mutex_);
    session.accessToken_ = accessToken;
    ++session.generation_;
    session.timestamp_ = 0;
    session.firstMergeDone_ = false;
    session.laterRetries_.clear();
    session.uploadRetries_.clear();
  }
  session.outstanding_ = 0;
  session.failedPollsInARow_ = 0;
  session.notifyState();
  session.firstSync();
  return session;
}

void ClientSession::invalidate() {
  ClientSession& session = shared();
  {
    Lock lock(session.mutex_);
    session.timestamp_ = -1;
    ++session.generation_;
    session.laterRetries_.clear();
    session.uploadRetries_.clear();
  }
  session.stopPolling();
  session.outstanding_ = 0;
  session.notifyState();
}

void ClientSession::installHooks() {
  CaptureHooks::setSyncChunk([](const std::shared_ptr<Vellisto_Chunk>& chunk) {
    if (ClientSession* session = currentSession()) session->syncChunk(chunk);
  });
  CaptureHooks::setSyncMergingCopy(
      [](const std::shared_ptr<Vellisto_Chunk>& chunk, const std::vector<std::string>& replacedTexts) {
        if (ClientSession* session = currentSession()) session->syncChunk(chunk, replacedTexts);
      });
  JoinDataSyncStore::setSessionRenewer([](const std::string& token) { renew(token); });
}

void ClientSession::uninstallHooks() {
  CaptureHooks::setSyncChunk(nullptr);
  CaptureHooks::setSyncMergingCopy(nullptr);
  JoinDataSyncStore::setSessionRenewer(nullptr);
}

ClientSession::Timing ClientSession::timing() const {
  Lock lock(mutex_);
  return timing_;
}

bool ClientSession::current(std::string* token, std::uint64_t* generation) const {
  Lock lock(mutex_);
  if (timestamp_ == -1) return false;
  *token = accessToken_;
  *generation = generation_;
  return true;
}

bool ClientSession::isGeneration(std::uint64_t generation) const {
  Lock lock(mutex_);
  return timestamp_ != -1 && generation_ == generation;
}

ClientSession::State ClientSession::state() const {
  Lock lock(mutex_);
  if (timestamp_ == -1) return State::None;
  return firstMergeDone_ ? State::Polling : State::FirstSync;
}

bool ClientSession::isPolling() const {
  Lock lock(mutex_);
  return polling_;
}

ClientSession::PollStats ClientSession::pollStats() const {
  return {pollsSent_, pollsSkipped_, pollsFailed_};
}

void ClientSession::notifyState() {
  dispatch::Queue::main()->async([] {
    const State state = shared().state();
    SyncNetworkClientWrapper::screens().sessionStateChanged(state);
  });
}

// ---- polling ----

void ClientSession::startPolling() {
  const Timing times = timing();
  Lock lock(mutex_);
  if (polling_) return;
  polling_ = true;
  gcdTimer_->schedule(times.pollIntervalMs, times.pollIntervalMs, times.pollLeewayMs);
  gcdTimer_->resume();
}

void ClientSession::stopPolling() {
  Lock lock(mutex_);
  if (!polling_) return;
  polling_ = false;
  gcdTimer_->suspend();
}

void ClientSession::firstSync() {
  std::string token;
  std::uint64_t generation = 0;
  if (!current(&token, &generation)) return;
  logDebug("first sync start");
  sendFirstSync(generation, token);
}

void ClientSession::sendFirstSync(std::uint64_t generation, const std::string& token) {
  Json chunks = Json::array();
  for (Json& record :
       VLEngine::shared().getLatestForDataSync(static_cast<std::int64_t>(kLatestForFirstSync))) {
    chunks.push_back(wireRecord(std::move(record)));
  }
  outstanding_ = generation;
  ++pollsSent_;
  wrapper().client().getChunksWithRequest(
      Json{{"access_token", token}, {"timestamp", 0.0}, {"chunks", std::move(chunks)}},
      [generation](Json reply) { shared().pollDidReply(generation, true, reply); });
}

void ClientSession::sendPoll(std::uint64_t generation, const std::string& token, double since) {
  outstanding_ = generation;
  ++pollsSent_;
  wrapper().client().getChunksWithRequest(
      Json{{"access_token", token}, {"timestamp", since}},
      [generation](Json reply) { shared().pollDidReply(generation, false, reply); });
}

void ClientSession::tick() {
  std::string token;
  std::uint64_t generation = 0;
  if (!current(&token, &generation)) return;
  ping_.tryConnect();
  if (!isGeneration(generation)) return;
  if (outstanding_ == generation) {
    ++pollsSkipped_;
    return;
  }
  // A first sync that failed is made again before anything is asked from a time.
  const double since = timestamp_;
  if (since == 0) {
    sendFirstSync(generation, token);
  } else {
    sendPoll(generation, token, since);
  }
}

void ClientSession::pollDidReply(std::uint64_t generation, bool firstSync, const Json& reply) {
  std::uint64_t expected = generation;
  outstanding_.compare_exchange_strong(expected, 0);
  if (!isGeneration(generation)) return;
  const int code = codeOf(reply);
  if (code == 408 || code == 500) {
    // The reply never came (time limit, lost connection): one failed poll. Whether the serving device is
    // gone is the probe's to say; only a long run of failures closes the network from here.
    if (++failedPollsInARow_ < timing().maxFailedPolls) {
      ++pollsFailed_;
      logWarningf("sync client: a poll failed (%d); %d in a row", code, failedPollsInARow_.load());
      if (firstSync) startPolling();
      return;
    }
  }
  failedPollsInARow_ = 0;
  std::optional<Json> passed = SyncNetworkClientWrapper::gatewway(reply, "getChunks");
  if (!passed) return;
  deal(generation, firstSync, *passed);
  if (!firstSync) return;
  bool changed = false;
  {
    Lock lock(mutex_);
    if (generation_ == generation && timestamp_ != -1 && !firstMergeDone_) changed = firstMergeDone_ = true;
  }
  if (changed) notifyState();
  startPolling();
  logDebug("first sync end");
}

bool ClientSession::dealGetChunkResponse(const Json& reply) {
  std::uint64_t generation = 0;
  {
    Lock lock(mutex_);
    generation = generation_;
  }
  return deal(generation, false, reply);
}

bool ClientSession::deal(std::uint64_t generation, bool firstSync, const Json& reply) {
  if (!reply.is_object()) return false;
  // The serving device registered these transfers and answers 601 until they arrive, whether or not
  // records came with them.
  if (std::vector<std::string> wanted = sigList(reply, "req_sigs"); !wanted.empty())
    sendMediametaWithSigs(wanted);

  auto chunks = reply.find("chunks");
  const bool hasRecords = chunks != reply.end() && chunks->is_array() && !chunks->empty();
  if (hasRecords) {
    Json usable = Json::array();
    for (const Json& record : *chunks) {
      if (hasValidTimestamp(record)) usable.push_back(record);
    }
    if (usable.size() != chunks->size())
      logWarningf("sync client: %zu received records without a valid timestamp ignored",
                  chunks->size() - usable.size());
    std::string why;
    if (std::optional<SyncRecordMerger::Outcome> outcome =
            SyncRecordMerger::merge(usable, SyncRecordMerger::Mode::Sync, &why)) {
      if (outcome->merged()) {
        dispatch::Queue::main()->async([] { SyncWindowHooks::refreshHistoryList(); });
      }
      getMediametaWithSigs(outcome->imageSigs);
    }
  }
  // The first sync always moves on from 0; later polls only when records came, as an empty reply says
  // nothing new happened since the time already held.
  if (firstSync || hasRecords) {
    auto stamp = reply.find("timestamp");
    const double value = stamp != reply.end() && stamp->is_number() ? stamp->get<double>() : NAN;
    if (std::isfinite(value) && value > 0) {
      setTimestamp(generation, value);
    } else {
      logWarning("sync client: a reply without a valid time; the next poll asks from the same time");
    }
  }
  return true;
}

void ClientSession::setTimestamp(std::uint64_t generation, double value) {
  Lock lock(mutex_);
  if (generation_ == generation && timestamp_ != -1) timestamp_ = value;
}

// ---- pushing ----

void ClientSession::syncChunk(const std::shared_ptr<Vellisto_Chunk>& chunk) { push(chunk, nullptr); }

void ClientSession::syncChunk(const std::shared_ptr<Vellisto_Chunk>& chunk,
                              const std::vector<std::string>& replacedTexts) {
  push(chunk, &replacedTexts);
}

void ClientSession::push(const std::shared_ptr<Vellisto_Chunk>& chunk,
                         const std::vector<std::string>* replacedTexts) {
  std::string token;
  std::uint64_t generation = 0;
  if (!chunk || !current(&token, &generation)) return;
  Json dictionary;
  Json json = copyJson(chunk, &dictionary);
  if (JsonDataHelper::skipSync(json)) return;
  if (!json.contains("sync_device_id")) {
    json["sync_device_name"] = VLDevice::name();
    json["sync_device_id"] = VLDevice::uuid();
    chunk->editJson([&](Json& stored) {
      if (stored.contains("sync_device_id")) return false;
      stored["sync_device_name"] = json["sync_device_name"];
      stored["sync_device_id"] = json["sync_device_id"];
      return true;
    });
  }
  if (replacedTexts) json["merging_copy"] = joined(*replacedTexts);
  dictionary["json"] = wireJson(json);
  logDebugf("sync client: push %s (%zu bytes)", chunk->sig().c_str(), chunk->context().size());
  const bool merged = replacedTexts != nullptr;
  wrapper().sendChunks(Json{{"access_token", token}, {"chunks", Json::array({std::move(dictionary)})}},
                       [generation, merged](Json reply) {
                         ClientSession& session = shared();
                         if (merged || !session.isGeneration(generation)) return;
                         session.sendMediametaWithSigs(sigList(reply, "sigs"));
                       });
}

// ---- images ----

void ClientSession::sendMediametaWithSigs(const std::vector<std::string>& sigs) {
  std::string token;
  std::uint64_t generation = 0;
  if (sigs.empty() || !current(&token, &generation)) return;
  for (const std::string& sig : sigs) {
    sendMediametaQueue_->async([this, generation, token, sig] { upload(generation, token, sig); });
  }
}

void ClientSession::upload(std::uint64_t generation, const std::string& token, const std::string& sig) {
  if (!isGeneration(generation)) return;
  std::shared_ptr<Vellisto_Chunk> chunk = VLEngine::shared().getChunkBySig(sig, kClipboardPinTabId);
  if (!chunk) {
    logWarningf("sync client: image %s asked for, but no such record", printable(sig).c_str());
    return;
  }
  // The serving device names the sig; what is read is only ever a file of our own folders.
  std::optional<RecordImageReader::Bytes> png = RecordImageReader::pngOf(copyJson(chunk, nullptr));
  if (!png) {
    logWarningf("sync client: image %s not uploaded: no image of it inside the application's folders",
                sig.c_str());
    return;
  }
  logDebugf("sync client: upload %s (%zu bytes)", sig.c_str(), png->size());
  // One upload at a time: the next image is read only once this one has been answered.
  auto answered = std::make_shared<std::promise<void>>();
  std::future<void> done = answered->get_future();
  wrapper().client().sendMediametaWithRequest(
      Json{{"access_token", token}, {"chunk_sig", sig}, {"data", Json::binary(std::move(*png))}},
      [answered, generation, sig](Json reply) {
        ClientSession& session = shared();
        if (session.isGeneration(generation)) {
          // 601: the serving device did not store the image (too many arriving at once, a stream cut
          // short...) and asks for it again.
          std::optional<Json> passed = SyncNetworkClientWrapper::gatewway(reply, "sendMediameta");
          if (passed && codeOf(*passed) == 601) {
            session.sendMediametaWithSigForAWhile(sig);
          } else if (passed && codeOf(*passed) == 200) {
            Lock lock(session.mutex_);
            session.uploadRetries_.erase(sig);
          }
        }
        answered->set_value();
      });
  png.reset();
  // The client's own time limit answers first; this only keeps a lost callback from stopping uploads.
  if (done.wait_for(std::chrono::seconds(90)) != std::future_status::ready)
    logWarningf("sync client: upload of %s not answered; going on", sig.c_str());
}

void ClientSession::sendMediametaWithSigForAWhile(const std::string& sig) {
  std::string token;
  std::uint64_t generation = 0;
  if (!current(&token, &generation)) return;
  const Timing times = timing();
  int tries = 0;
  {
    Lock lock(mutex_);
    tries = countTry(uploadRetries_, sig, times.maxUploadRetries);
  }
  if (tries > times.maxUploadRetries) {
    logWarningf("sync client: image %s still not taken after %d uploads; given up", printable(sig).c_str(),
                tries);
    return;
  }
  dispatch::after(times.laterRetryMs, sendMediametaQueue_,
                  [this, generation, token, sig] { upload(generation, token, sig); });
}

void ClientSession::getMediametaWithSigs(const std::vector<std::string>& sigs) {
  std::string token;
  std::uint64_t generation = 0;
  if (sigs.empty() || !current(&token, &generation)) return;
  for (const std::string& sig : sigs) {
    getMediametaQueue_->async([this, generation, token, sig] { download(generation, token, sig); });
  }
}

void ClientSession::download(std::uint64_t generation, const std::string& token, const std::string& sig) {
  if (!isGeneration(generation)) return;
  wrapper().getMediameta(Json{{"access_token", token}, {"chunk_sig", sig}});
}

void ClientSession::getMediametaWithSigForAWhile(const std::string& sig) {
  std::string token;
  std::uint64_t generation = 0;
  if (!current(&token, &generation)) return;
  const Timing times = timing();
  int tries = 0;
  {
    Lock lock(mutex_);
    tries = countTry(laterRetries_, sig, times.maxLaterRetries);
  }
  if (tries > times.maxLaterRetries) {
    logWarningf("sync client: image %s still not ready after %d tries; given up", printable(sig).c_str(),
                times.maxLaterRetries);
    FileTransferCenter::defaultCenter().abandon(sig);
    return;
  }
  dispatch::after(times.laterRetryMs, getMediametaQueue_,
                  [this, generation, token, sig] { download(generation, token, sig); });
}

void ClientSession::imageDidArrive(const std::string& sig) {
  Lock lock(mutex_);
  laterRetries_.erase(sig);
}

// ---- leaving ----

void ClientSession::bye(Completion completion) {
  std::string token;
  {
    Lock lock(mutex_);
    token = accessToken_;
  }
  invalidate();
  const std::optional<ClientSyncNetworkBean> network = JoinDataSyncStore::shared().currentJoin();
  const double probeMs = timing().probeTimeoutMs;
  // The clean-up and the completion happen once, on the main thread, whatever the serving device does.
  auto finish = std::make_shared<std::once_flag>();
  auto done = [finish, completion = std::move(completion)] {
    std::call_once(*finish, [&] {
      dispatch::Queue::main()->async([completion] {
        wrapper().close();
        JoinDataSyncStore::shared().setCurrentJoin(std::nullopt);
        if (completion) completion();
      });
    });
  };
  getChunksQueue_->async([network, token, probeMs, done] {
    if (!network || !Ping::oneTake(network->ip, network->port, probeMs)) {
      log("sync client: leaving; the serving device is out of reach, so no goodbye");
      done();
      return;
    }
    wrapper().bye(Json{{"access_token", token}}, [done](Json reply) {
      logDebugf("sync client: goodbye answered %d", codeOf(reply));
      done();
    });
  });
}

void ClientSession::byeOneSided() {
  invalidate();
  wrapper().close();
  JoinDataSyncStore::shared().setCurrentJoin(std::nullopt);
}

void ClientSession::syncBye() {
  std::string token;
  {
    Lock lock(mutex_);
    token = accessToken_;
  }
  invalidate();
  const Timing times = timing();
  const auto start = std::chrono::steady_clock::now();
  const std::optional<ClientSyncNetworkBean> network = JoinDataSyncStore::shared().currentJoin();
  if (network &&
      Ping::oneTake(network->ip, network->port, std::min(times.probeTimeoutMs, times.byeAtQuitMs))) {
    auto answered = std::make_shared<std::promise<void>>();
    std::future<void> done = answered->get_future();
    wrapper().bye(Json{{"access_token", token}}, [answered](Json) { answered->set_value(); });
    const std::chrono::duration<double, std::milli> left =
        std::chrono::duration<double, std::milli>(times.byeAtQuitMs) -
        (std::chrono::steady_clock::now() - start);
    if (done.wait_for(std::max(left, std::chrono::duration<double, std::milli>(0))) ==
        std::future_status::ready) {
      logDebug("sync client: goodbye said");
    } else {
      logWarningf("sync client: no goodbye reply within %.0f ms; quitting anyway", times.byeAtQuitMs);
    }
  }
  wrapper().close();
}

// ---- the probe ----

std::string ClientSession::pingFetchIP() {
  std::optional<ClientSyncNetworkBean> network = JoinDataSyncStore::shared().currentJoin();
  return network ? network->ip : std::string();
}

std::int64_t ClientSession::pingFetchPort() {
  std::optional<ClientSyncNetworkBean> network = JoinDataSyncStore::shared().currentJoin();
  return network ? network->port : 0;
}

void ClientSession::pingDidFailed(Ping&) {
  std::optional<ClientSyncNetworkBean> network = JoinDataSyncStore::shared().currentJoin();
  logWarningf("sync client: the serving device missed %d probes in a row", pingRetryTimes());
  SyncNetworkClientWrapper::closeSyncNetworkWithoutBye(
      localizedFormat("data.sync.network.serverWillClose", network ? network->networkName : std::string()));
}

// ---- tests ----

void ClientSession::setTimingForTesting(const Timing& timing) {
  ClientSession& session = shared();
  Lock lock(session.mutex_);
  session.timing_ = timing;
}

void ClientSession::resetForTesting() {
  ClientSession& session = shared();
  invalidate();
  wrapper().close();
  for (const auto& queue : {session.getChunksQueue_, session.sendMediametaQueue_, session.getMediametaQueue_})
    queue->sync([] {});
  {
    Lock lock(session.mutex_);
    session.laterRetries_.clear();
    session.uploadRetries_.clear();
    session.timing_ = Timing{};
  }
  session.ping_.clear();
  session.failedPollsInARow_ = 0;
  session.pollsSent_ = 0;
  session.pollsSkipped_ = 0;
  session.pollsFailed_ = 0;
}

}  // namespace vl
