#include "sync/server/ServerResponseMaker.h"

#include <cmath>
#include <memory>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "core/VLConstants.h"
#include "core/notify/VLUserNotificationCenter.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "sync/SyncRecordMerger.h"
#include "sync/SyncWindowHooks.h"
#include "sync/store/CreatedDataSyncStore.h"
#include "sync/transfer/FileTransferCenter.h"
#include "sync/transfer/RecordImageReader.h"

namespace vl {

namespace {

using Network = CreatedDataSyncStore::Network;

const char* const kSucceed = "Succeed.";

Json reply(int code, const std::string& msg) {
  return Json{{"status", ServerResponseMaker::code(code, msg)}};
}

std::string text(const Json& request, const char* key) { return jsonString(request, key); }

double monotonicNow() { return Clock::current().monotonicMs(); }

// Peers choose these texts: what reaches the log is short and printable.
std::string printable(const std::string& value) {
  std::string out = value.substr(0, 64);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return out;
}

void onMain(std::function<void()> block) { dispatch::Queue::main()->async(std::move(block)); }

void deviceConnected(const std::string& name) {
  onMain([name] {
    VLUserNotificationCenter::deliverDeviceConnected(name);
    SyncWindowHooks::reloadSyncBar();
  });
}

void devicesLeft(const std::vector<std::string>& names) {
  if (names.empty()) return;
  onMain([names] {
    for (const std::string& name : names) VLUserNotificationCenter::deliverDeviceDisconnected(name);
    SyncWindowHooks::reloadSyncBar();
  });
}

// The served network, after devices that went silent stopped counting.
Network servedNetwork() {
  Network network = CreatedDataSyncStore::shared().currentProvider();
  if (network) devicesLeft(network->expireSilent(monotonicNow(), ServerResponseMaker::kSilentMs));
  return network;
}

Json notAdmitted(const Network& network) {
  const bool full = network && network->connectedAndAuthorized().size() >= ServerResponseMaker::kDeviceLimit;
  return full ? reply(602, localized("data.sync.reachedUpLimit")) : reply(401, "Unauthorized");
}

// The list reloads on the main thread; the reply waits for it (bounded, so a main thread that is busy
// for long, or gone, never holds the server's loop).
void refreshHistoryAndWait() {
  auto done = std::make_shared<dispatch::Group>();
  done->enter();
  onMain([done] {
    SyncWindowHooks::refreshHistoryList();
    done->leave();
  });
  if (!done->wait(ServerResponseMaker::kRefreshWaitMs))
    logWarning("sync server: the history list did not refresh in time");
}

Json recordList(const std::vector<Json>& records) {
  Json list = Json::array();
  for (const Json& record : records) list.push_back(record);
  return list;
}

}  // namespace

Json ServerResponseMaker::code(int code, const std::string& msg) {
  return Json{{"code", code}, {"msg", msg}};
}

bool ServerResponseMaker::authorizedCheck(const Json& request) {
  Network network = servedNetwork();
  if (!network) return false;
  ServerSyncNetworkBean::TokenCheck check =
      network->checkToken(text(request, "access_token"), kDeviceLimit, monotonicNow());
  if (check.outcome == ServerSyncNetworkBean::TokenCheck::NewlyConnected) deviceConnected(check.deviceName);
  return check.outcome == ServerSyncNetworkBean::TokenCheck::Admitted ||
         check.outcome == ServerSyncNetworkBean::TokenCheck::NewlyConnected;
}

void ServerResponseMaker::expireSilentDevices() {
  // Reading the served network expires its silent devices, and says so.
  (void)servedNetwork();
}

bool ServerResponseMaker::serverDisconnect(const Json& request) {
  Network network = CreatedDataSyncStore::shared().currentProvider();
  return network && network->isTryToDisconnect(text(request, "access_token"));
}

Json ServerResponseMaker::auth(const Json& request) {
  const std::string networkId = text(request, "network_id");
  const std::string peer = text(request, "peer");
  // Which network was asked for, and from where; never the password.
  logDebugf("get auth request %s from %s", printable(networkId).c_str(), printable(peer).c_str());
  Network network = servedNetwork();
  const std::string name = network ? network->name() : std::string();
  const double now = monotonicNow();
  if (throttle_.isLockedOut(peer, now)) {
    lockedOut_.refused(printable(AuthThrottle::hostOfPeer(peer)), now);
    return reply(412, localizedFormat("data.sync.auth.error.wrongPassword", name));
  }
  if (!network || network->identifier() != networkId) {
    return reply(412, localizedFormat("data.sync.auth.error", name));
  }
  if (!network->passwordMatches(text(request, "password"))) {
    throttle_.recordFailure(peer, now);
    return reply(412, localizedFormat("data.sync.auth.error.wrongPassword", name));
  }
  throttle_.recordSuccess(peer);
  std::optional<AuthorizedBean> device =
      network->authorize(text(request, "device_id"), text(request, "device_name"), kDeviceLimit, now);
  if (!device) return reply(602, localized("data.sync.reachedUpLimit"));
  if (!CreatedDataSyncStore::shared().save()) logError("sync server: the admitted device is not saved");
  deviceConnected(device->deviceName);
  Json answer = reply(200, kSucceed);
  answer["access_token"] = device->accessToken;
  answer["network_id"] = network->identifier();
  answer["netowrk_name"] = name;
  return answer;
}

Json ServerResponseMaker::getChunks(const Json& request) {
  if (!authorizedCheck(request)) return notAdmitted(servedNetwork());
  if (serverDisconnect(request)) return reply(600, "Server disconnect");
  const double timestamp = jsonDouble(request, "timestamp");
  if (!std::isfinite(timestamp)) return reply(500, localized("data.sync.server.badTimestamp"));
  const std::string token = text(request, "access_token");
  VLEngine& engine = VLEngine::shared();
  Json answer = reply(200, kSucceed);
  std::vector<std::string> requested;
  std::vector<Json> records;
  if (timestamp != 0) {
    // Most records are older than the poll: unless something arrived since, none of them can count
    // from a later arrival, and the docs are not asked for their signatures.
    DataSyncPage page = engine.getSinceTimestampForDataSync(
        timestamp,
        {kPollPageRecords, kPollPageBytes, SyncRecordMerger::kMaxRecordsPerCall - kPollPageRecords},
        DataSyncTimeOf{
            [&](const std::string& sig, double stamp) { return arrivals_.timeOf(sig, stamp, token); },
            arrivals_.anySince(timestamp)});
    records = std::move(page.records);
    answer["timestamp"] = page.next.value_or(page.readAt);
    if (page.next) logDebugf("sync server: %zu records sent; more follow from the next poll", records.size());
  } else {
    // A first sync: the newest records go back, and the device's own newest come in.
    double readAt = 0;
    {
      RecursiveMutexLock lock(VLEngine::storeMutex());
      readAt = Clock::current().now();
    }
    records = engine.getLatestForDataSync(static_cast<std::int64_t>(kLatestForFirstSync));
    std::string why;
    const Json incoming = request.contains("chunks") ? request["chunks"] : Json::array();
    std::optional<SyncRecordMerger::Outcome> merged =
        SyncRecordMerger::merge(incoming, SyncRecordMerger::Mode::Sync, &why);
    if (!merged) return reply(500, localizedFormat("data.sync.server.badRecords", why));
    noteArrivals(*merged, token);
    requested = merged->imageSigs;
    if (!records.empty() || merged->merged()) onMain([] { SyncWindowHooks::refreshHistoryList(); });
    answer["timestamp"] = readAt - kFirstSyncMarginSeconds;
  }
  answer["chunks"] = recordList(records);
  answer["req_sigs"] = requested;
  return answer;
}

void ServerResponseMaker::noteArrivals(const SyncRecordMerger::Outcome& outcome, const std::string& token) {
  std::vector<RecordArrivals::Record> arrived;
  arrived.reserve(outcome.mergedRecords.size());
  for (const SyncRecordMerger::Outcome::Merged& record : outcome.mergedRecords)
    arrived.push_back({record.sig, record.stamp});
  arrivals_.note(arrived, Clock::current().now(), token);
}

Json ServerResponseMaker::sendChunks(const Json& request) {
  if (!authorizedCheck(request)) return notAdmitted(servedNetwork());
  if (serverDisconnect(request)) return reply(600, "Server disconnect");
  std::string why;
  const Json incoming = request.contains("chunks") ? request["chunks"] : Json::array();
  std::optional<SyncRecordMerger::Outcome> merged =
      SyncRecordMerger::merge(incoming, SyncRecordMerger::Mode::Push, &why);
  if (!merged) return reply(500, localizedFormat("data.sync.server.badRecords", why));
  noteArrivals(*merged, text(request, "access_token"));
  refreshHistoryAndWait();
  Json answer = reply(200, kSucceed);
  answer["sigs"] = merged->imageSigs;
  return answer;
}

Json ServerResponseMaker::getMediameta(const Json& request) {
  if (!authorizedCheck(request)) return notAdmitted(servedNetwork());
  const std::string sig = text(request, "chunk_sig");
  std::shared_ptr<Vellisto_Chunk> chunk = VLEngine::shared().getChunkBySig(sig, kClipboardPinTabId);
  if (!chunk) return reply(200, kSucceed);
  const std::optional<Json> json = chunk->json();
  std::optional<RecordImageReader::Bytes> png = RecordImageReader::pngOf(json);
  if (!png && FileTransferCenter::defaultCenter().getEntity(sig)) return reply(601, "Get mediameta later.");
  Json answer = reply(200, kSucceed);
  answer["data"] = Json::binary(png ? std::move(*png) : RecordImageReader::Bytes());
  return answer;
}

void ServerResponseMaker::sendMediametaMessage(const Json& request) {
  auto data = request.find("data");
  if (data == request.end() || !data->is_binary()) return;
  const auto& bytes = data->get_binary();
  sendMediametaSlice(MediaSlice{text(request, "access_token"), text(request, "chunk_sig"),
                                static_cast<std::int32_t>(jsonInteger(request, "total_packages")),
                                std::string(bytes.begin(), bytes.end())});
}

void ServerResponseMaker::sendMediametaSlice(MediaSlice slice) {
  // Only a device that is in may fill the registry; the end of its stream says so in the log.
  Network network = CreatedDataSyncStore::shared().currentProvider();
  if (!network || !network->isConnected(slice.accessToken)) return;
  // A slice refused fails the transfer; the end of the stream tells the sender to try again.
  (void)FileTransferCenter::defaultCenter().takeSlice(slice.chunkSig, slice.totalPackages,
                                                      std::move(slice.data));
}

namespace {

// What the sender is told when its image was not stored: it sends the image again a while later. Only an
// image this device asked for (`wanted`) is waited for again, unless its record went meanwhile; a sig it
// never asked for stays unwanted, so no peer can put an image under a record of its choosing.
Json sendAgainLater(const std::string& sig, bool wanted, const char* why) {
  logWarningf("sync server: upload of %s not stored (%s); the sender is asked to try again",
              printable(sig).c_str(), why);
  if (wanted && !sig.empty() && VLEngine::shared().getChunkBySig(sig, kClipboardPinTabId))
    FileTransferCenter::defaultCenter().registerChunkSig(sig);
  Json answer = reply(601, "Send mediameta later.");
  answer["chunk_sig"] = sig;
  return answer;
}

}  // namespace

Json ServerResponseMaker::sendMediametaEnd(const Json& request) {
  const std::string sig = text(request, "chunk_sig");
  // A stream without slices is how a device sends an image it could not read: nothing to store, and
  // nothing to hold against it (it carries no token, as no message did).
  if (jsonInteger(request, "slices") == 0 && text(request, "access_token").empty()) {
    Json answer = reply(200, kSucceed);
    answer["chunk_sig"] = "";
    return answer;
  }
  Network network = CreatedDataSyncStore::shared().currentProvider();
  if (!network || !network->isConnected(text(request, "access_token"))) {
    logWarningf("sync server: an upload of %s without an admitted token was dropped", printable(sig).c_str());
    return reply(401, "Unauthorized");
  }
  switch (FileTransferCenter::defaultCenter().end(sig)) {
    case FileTransferCenter::Ended::Stored: {
      Json answer = reply(200, kSucceed);
      answer["chunk_sig"] = sig;
      return answer;
    }
    case FileTransferCenter::Ended::NotRegistered:
      return sendAgainLater(sig, false, "not asked for, or no longer");
    case FileTransferCenter::Ended::NotStored:
      break;
  }
  return sendAgainLater(sig, true, "its slices were refused or could not be written");
}

Json ServerResponseMaker::sendMediametaAbort(const Json& request) {
  const std::string sig = text(request, "chunk_sig");
  Network network = CreatedDataSyncStore::shared().currentProvider();
  if (!network || !network->isConnected(text(request, "access_token"))) return reply(401, "Unauthorized");
  const bool wanted = FileTransferCenter::defaultCenter().abandon(sig);
  return sendAgainLater(sig, wanted, "the stream ended short of its slices");
}

Json ServerResponseMaker::bye(const Json& request) {
  if (!authorizedCheck(request)) return notAdmitted(servedNetwork());
  const std::string token = text(request, "access_token");
  Network network = CreatedDataSyncStore::shared().currentProvider();
  if (network) {
    const std::string name = network->getDeviceNameWithAccessToken(token);
    network->disconnect(token);
    devicesLeft({name});
  }
  return reply(200, kSucceed);
}

}  // namespace vl
