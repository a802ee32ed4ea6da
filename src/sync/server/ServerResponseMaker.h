#pragma once

#include <cstddef>
#include <string>

#include "gRPC/Server/ServerRequestHandler.h"
#include "platform/foundation/Json.h"
#include "sync/SyncRecordMerger.h"
#include "sync/server/AuthThrottle.h"
#include "sync/server/RecordArrivals.h"
#include "sync/server/RefusalLog.h"
#include "sync/store/ServerSyncNetworkBean.h"

namespace vl {

// The serving device's request handlers: every call of the sync service arrives here as a dictionary,
// on the server's loop thread, one at a time. They check the caller's access token against the served
// network (CreatedDataSyncStore::currentProvider), merge pushed records into the clipboard history
// (SyncRecordMerger), answer with records and images, and feed uploaded images to the
// FileTransferCenter.
//
// Status codes ("status" = {"code", "msg"}):
//   200 "Succeed."              success
//   401 "Unauthorized"          GetChunks, SendChunks, GetMediameta, Bye, an upload's end: the token is
//                               not admitted while fewer than kDeviceLimit devices are connected (an
//                               upload stream without slices carries no token and is answered 200)
//   412 (localised)             Auth: "data.sync.auth.error" (another network) or
//                               "data.sync.auth.error.wrongPassword" (wrong password, or an address
//                               locked out after too many), filled with the served network's name
//   500 (text)                  records that cannot be taken: not a list, too many, a timestamp that is
//                               not a finite number
//   600 "Server disconnect"     GetChunks, SendChunks: the serving user disconnected this device
//   601 "Get mediameta later."  GetMediameta: the image is still arriving from its owner
//   601 "Send mediameta later." an upload's end: the image was not stored (not asked for, too many
//                               arriving at once, slices past what it announced or may have, a stream
//                               cut short); the sender sends it again later
//   602 (localised)             "data.sync.reachedUpLimit": Auth and every token check while
//                               kDeviceLimit devices are connected
//
// Beyond the wire contract: wrong passwords are limited per peer address and over all addresses
// (AuthThrottle), compared in constant time, and never logged; a device that authenticates again
// replaces its own entry; a device silent for kSilentMs stops counting toward the limit; uploads need an
// admitted token; downloads read only the application's own image folders (RecordImageReader).
//
// A poll ("timestamp" not 0) is answered from the docs, not only the recent list: every record newer than
// its time, oldest first, in pages (kPollPageRecords); the reply's "timestamp" is where the next poll goes
// on, and after the last page the time the records were read at. Records merged from joined devices
// count from when they arrived here (RecordArrivals).
//
// Device notices and sync bar reloads are posted to the main thread; after pushed records the handler
// waits (at most kRefreshWaitMs) until the main thread has reloaded the history list.
class ServerResponseMaker : public ServerRequestHandler {
 public:
  static constexpr std::size_t kDeviceLimit = 2;
  static constexpr double kSilentMs = 30000;
  static constexpr double kRefreshWaitMs = 2000;
  static constexpr std::size_t kLatestForFirstSync = 20;
  // A poll is answered in pages of about this many records; the reply's time stamp says where the next
  // poll goes on.
  static constexpr std::size_t kPollPageRecords = 200;
  static constexpr std::size_t kPollPageBytes = std::size_t{8} << 20;
  // A first sync reads the recent list, which a copy joins a moment after it is stored: the poll after it
  // asks from this much earlier, so such a copy is not passed by (merging the others again changes
  // nothing).
  static constexpr double kFirstSyncMarginSeconds = 5;

  ServerResponseMaker() = default;
  explicit ServerResponseMaker(AuthThrottle::Policy policy) : throttle_(policy) {}

  Json auth(const Json& request) override;
  Json getChunks(const Json& request) override;
  Json sendChunks(const Json& request) override;
  Json getMediameta(const Json& request) override;
  void sendMediametaMessage(const Json& request) override;
  void sendMediametaSlice(MediaSlice slice) override;
  Json sendMediametaEnd(const Json& request) override;
  Json bye(const Json& request) override;
  Json sendMediametaAbort(const Json& request) override;

  // {"code": code, "msg": msg}
  static Json code(int code, const std::string& msg);
  // Whether the request's "access_token" is admitted to the served network (connecting it again when
  // there is room); posts the device-connected notice when it was not connected.
  static bool authorizedCheck(const Json& request);
  // Whether the serving user asked to drop the request's token.
  static bool serverDisconnect(const Json& request);
  // Devices silent for kSilentMs no longer count as connected; the devices that left are told on the
  // main thread (notices, the sync bar and the devices screen). The server's timer calls it.
  static void expireSilentDevices();

  RecordArrivals& arrivals() { return arrivals_; }

 private:
  void noteArrivals(const SyncRecordMerger::Outcome& outcome, const std::string& token);

  AuthThrottle throttle_;
  // A peer that keeps guessing while locked out is told once per address and period, with a count.
  RefusalLog lockedOut_{"auth", "too many wrong passwords"};
  RecordArrivals arrivals_;
};

}  // namespace vl
