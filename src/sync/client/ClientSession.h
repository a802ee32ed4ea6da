#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Mutex.h"
#include "sync/client/Ping.h"
#include "sync/client/SyncClientScreens.h"

namespace vl {

class Vellisto_Chunk;

// The joined device's session with the serving device: one per process, made by the first renew and
// reused by every later join. It holds the access token, makes the first sync, polls for newer records
// every second, pushes each new local record, uploads the images the serving device asks for, fetches
// the images it lacks, and says goodbye when the user leaves or the program quits.
//
// `timestamp` is -1 while there is no session, 0 until the first sync has been answered, and then the
// serving device's time of its last reply that carried records: the next poll asks from the serving
// device's own clock, so a clock that differs between the two machines loses nothing.
//
// Threads: the poll and the reachability probe run on "app.vellisto.grpc.client-get-chunks" (the
// timer's queue), uploads one at a time on "app.vellisto.grpc.client-send-mediameta", downloads and
// their retries one at a time on "app.vellisto.grpc.client-get-mediameta"; replies arrive on the gRPC
// client's loop thread. Every call carries the generation it was made in; a reply from an earlier
// generation (the session was invalidated or renewed since) is dropped. The lock guards the token, the
// generation, the timestamp, the polling flag and the retry counts, is held only to read or change them,
// and is never held while calling out.
class ClientSession : public PingDelegate {
 public:
  using State = SyncClientScreens::SessionState;
  using Completion = std::function<void()>;

  struct Timing {
    double pollIntervalMs = 1000;
    double pollLeewayMs = 100;
    // A 601 ("later") asks again after this long,
    double laterRetryMs = 5000;
    // at most this many times for one image (the serving device drops a silent transfer after two
    // minutes).
    int maxLaterRetries = 24;
    // An upload the serving device answers 601 is sent again laterRetryMs later, at most this many
    // times (each sends the whole image).
    int maxUploadRetries = 5;
    double probeTimeoutMs = Ping::kDefaultTimeoutMs;
    // The whole goodbye at quit: probe and Bye reply.
    double byeAtQuitMs = 1000;
    // Polls that fail in a row (time limit, lost connection) before the failure closes the network;
    // the probe usually decides first.
    int maxFailedPolls = 10;
  };

  static constexpr std::size_t kLatestForFirstSync = 20;
  // Sigs of one reply acted on; a reply asking for more is cut (and logged).
  static constexpr std::size_t kMaxSigsPerReply = 1000;

  // Makes the session if needed, readies its probe, stores the token, sets the timestamp to 0 and starts
  // the first sync. Called when a joined network becomes current (JoinDataSyncStore::setCurrentJoin).
  static ClientSession& renew(const std::string& accessToken);
  // The session while it is valid, else nullptr.
  static ClientSession* currentSession();
  // The one session, made on first use (valid or not).
  static ClientSession& shared();
  // timestamp -1, polling stopped, every reply still on its way dropped.
  static void invalidate();

  // The capture hooks (each new record, each merged copy) and the join store's renewer.
  static void installHooks();
  static void uninstallHooks();

  void startPolling();
  void stopPolling();
  void firstSync();
  // Merges a GetChunks reply; false only for no reply.
  bool dealGetChunkResponse(const Json& reply);

  // Pushes one new local record (capture queue).
  void syncChunk(const std::shared_ptr<Vellisto_Chunk>& chunk);
  // Pushes a record made by merging copies; `replacedTexts` travel joined by "__MERGING_COPY__".
  void syncChunk(const std::shared_ptr<Vellisto_Chunk>& chunk, const std::vector<std::string>& replacedTexts);

  void sendMediametaWithSigs(const std::vector<std::string>& sigs);
  void getMediametaWithSigs(const std::vector<std::string>& sigs);
  // The serving device answered 601: the same image again laterRetryMs from now (capped per image).
  void getMediametaWithSigForAWhile(const std::string& sig);
  // The serving device answered an upload 601: it is sent again laterRetryMs from now (capped per image).
  void sendMediametaWithSigForAWhile(const std::string& sig);

  // Leaves politely: invalidates, probes the serving device off the main thread and, when it answers,
  // says Bye; then, whatever the probe or the reply, closes the client and clears the current join on the
  // main thread and runs `completion` there.
  void bye(Completion completion);
  void bye() { bye(nullptr); }
  // Leaves without telling the serving device.
  void byeOneSided();
  // At quit, on the main thread: invalidates and, when the serving device answers the probe, says Bye
  // and waits for the reply, all within Timing::byeAtQuitMs; then closes the client. Never holds the quit
  // longer.
  void syncBye();

  // PingDelegate: the current joined network's address, two failures.
  std::string pingFetchIP() override;
  std::int64_t pingFetchPort() override;
  int pingRetryTimes() override { return 2; }
  void pingDidFailed(Ping& ping) override;

  double timestamp() const { return timestamp_; }
  State state() const;
  bool isPolling() const;
  Ping& ping() { return ping_; }
  // A streamed image ended: its 601 retries are forgotten.
  void imageDidArrive(const std::string& sig);

  struct PollStats {
    std::uint64_t sent = 0;
    std::uint64_t skipped = 0;
    std::uint64_t failed = 0;
  };
  PollStats pollStats() const;

  // Tests: short intervals in place of the seconds above.
  static void setTimingForTesting(const Timing& timing);
  // Invalidates, closes the client, waits for the three queues to run dry and forgets the counts.
  static void resetForTesting();

 private:
  ClientSession();

  // The token and generation of the current session; false when there is none.
  bool current(std::string* token, std::uint64_t* generation) const;
  bool isGeneration(std::uint64_t generation) const;
  void tick();
  void sendFirstSync(std::uint64_t generation, const std::string& token);
  void sendPoll(std::uint64_t generation, const std::string& token, double since);
  // A GetChunks reply of `generation`, first sync or poll.
  void pollDidReply(std::uint64_t generation, bool firstSync, const Json& reply);
  bool deal(std::uint64_t generation, bool firstSync, const Json& reply);
  void setTimestamp(std::uint64_t generation, double value);
  void push(const std::shared_ptr<Vellisto_Chunk>& chunk, const std::vector<std::string>* replacedTexts);
  void upload(std::uint64_t generation, const std::string& token, const std::string& sig);
  void download(std::uint64_t generation, const std::string& token, const std::string& sig);
  void notifyState();
  Timing timing() const;

  mutable Mutex mutex_;
  Timing timing_ VL_GUARDED_BY(mutex_);
  std::string accessToken_ VL_GUARDED_BY(mutex_);
  std::uint64_t generation_ VL_GUARDED_BY(mutex_) = 0;
  // Changed under the lock; read without it where a glance will do (tick, currentSession).
  std::atomic<double> timestamp_{-1};
  bool polling_ VL_GUARDED_BY(mutex_) = false;
  bool firstMergeDone_ VL_GUARDED_BY(mutex_) = false;
  std::map<std::string, int> laterRetries_ VL_GUARDED_BY(mutex_);
  std::map<std::string, int> uploadRetries_ VL_GUARDED_BY(mutex_);
  // The generation whose poll is on its way; 0 when none.
  std::atomic<std::uint64_t> outstanding_{0};
  std::atomic<int> failedPollsInARow_{0};
  std::atomic<std::uint64_t> pollsSent_{0}, pollsSkipped_{0}, pollsFailed_{0};

  std::shared_ptr<dispatch::Queue> getChunksQueue_;
  std::shared_ptr<dispatch::Queue> sendMediametaQueue_;
  std::shared_ptr<dispatch::Queue> getMediametaQueue_;
  std::shared_ptr<dispatch::TimerSource> gcdTimer_;
  Ping ping_;
};

}  // namespace vl
