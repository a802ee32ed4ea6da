// Sync transport over loopback: one GetChunks call carrying 10,000 records each way, and a 50 MB image
// uploaded and downloaded in 3 MiB slices, against copying the same data in memory. Then the same through
// the serving device's real handlers: as many new records as one SendChunks call carries, pushed and merged
// into a history of 100,000 (100 docs), against what the store's work for a copy costs (found absent,
// appended and journaled, one at a time as capture stores copies) over that history in the same run; and a
// 50 MB image uploaded, written to the forever folder and named in its record's json.
//
// Goals: images at 500 MB/s each way on the wire, and 300 MB/s for an upload stored through the
// handlers. Each figure comes with its ratio to a memcpy of the same 50 MB in the same run, and each part
// with the machine's load average, as other work on the machine moves the figures.
//
//   bench_grpc_sync [rounds] [wire|handlers]   (default 5 rounds and both parts; figures are medians)

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchCorpus.h"
#include "BenchHistory.h"
#include "BenchTiming.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"
#include "VLEngine/doc/memory/FreedMemory.h"
#include "gRPC/Client/SyncNetworkClient.h"
#include "gRPC/Server/ServerRequestHandler.h"
#include "gRPC/Server/SyncNetworkServer.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "sync/SyncRecordMerger.h"
#include "sync/server/ServerResponseMaker.h"
#include "sync/store/CreatedDataSyncStore.h"

namespace {

using vl::Json;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kRecords = 10000;
// Each record pushed is appended with a synced journal entry (a few milliseconds apiece on a disk), so a
// push of 10,000 would outlast the client's ten seconds for a call; one call carries at most this many.
constexpr std::size_t kPushedRecords = vl::SyncRecordMerger::kMaxRecordsPerCall;
constexpr double kWireGoalMBs = 500;
constexpr double kStoredGoalMBs = 300;
constexpr std::size_t kImageBytes = 50 * 1000 * 1000;
constexpr int kHistoryDocs = 100;
constexpr int kHistoryPerDoc = 1000;
// A merged record should cost the store no more than a copy does.
constexpr double kMergeGoal = 1.0;

Json succeed() { return Json{{"status", {{"code", 200}, {"msg", "Succeed."}}}}; }

// Echoes pushed records back, serves one stored image and swallows uploads.
class BenchHandler final : public vl::ServerRequestHandler {
 public:
  explicit BenchHandler(const Json& image) : image_(image) {}
  Json auth(const Json&) override { return succeed(); }
  Json getChunks(const Json& request) override {
    Json reply = succeed();
    reply["timestamp"] = 1.0;
    reply["chunks"] = request["chunks"];
    reply["req_sigs"] = Json::array();
    return reply;
  }
  Json sendChunks(const Json&) override { return succeed(); }
  Json getMediameta(const Json&) override {
    Json reply = succeed();
    reply["data"] = image_;
    return reply;
  }
  void sendMediametaMessage(const Json& request) override {
    uploaded_ += request["data"].get_binary().size();
  }
  // The real handlers take each slice's bytes over, as this does.
  void sendMediametaSlice(MediaSlice slice) override { uploaded_ += slice.data.size(); }
  Json sendMediametaEnd(const Json&) override { return succeed(); }
  Json bye(const Json&) override { return succeed(); }
  std::size_t uploaded() const { return uploaded_; }

 private:
  const Json& image_;
  std::size_t uploaded_ = 0;
};

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::string loadAverage() {
  double load[3] = {0, 0, 0};
  if (::getloadavg(load, 3) != 3) return "unknown";
  char text[64];
  std::snprintf(text, sizeof text, "%.2f %.2f %.2f", load[0], load[1], load[2]);
  return text;
}

// The time of a memcpy of `bytes` into fresh memory, as the baseline of a round.
double memcpySeconds(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint8_t> target(bytes.size());
  const auto start = Clock::now();
  std::memcpy(target.data(), bytes.data(), bytes.size());
  const double taken = seconds(Clock::now() - start);
  vl::bench::require(target[bytes.size() / 2] == bytes[bytes.size() / 2], "the baseline copy");
  return taken;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

Json waitFor(const std::function<void(vl::SyncNetworkClient::Callback)>& call) {
  auto promise = std::make_shared<std::promise<Json>>();
  auto future = promise->get_future();
  call([promise](Json reply) { promise->set_value(std::move(reply)); });
  return future.get();
}

Json records() {
  Json list = Json::array();
  for (std::size_t i = 0; i < kRecords; ++i) {
    list.push_back(
        Json{{"sig", "d41d8cd98f00b204e9800998ecf8" + std::to_string(100000 + i)},
             {"timestamp", "1700000000.123456"},
             {"alias", ""},
             {"context", "Some copied text of ordinary length, number " + std::to_string(i) +
                             ", with a few more words so it looks like a clipboard entry."},
             {"rich", ""},
             {"json", Json{{"type", "text"}, {"app_name", "Terminal"}, {"sync_device_id", "A1B2"}}}});
  }
  return list;
}

// The real handlers wait for the main thread to refresh the list, so the main thread waits for replies
// with a group, which keeps running main-queue work.
Json waitOnMain(const std::function<void(vl::SyncNetworkClient::Callback)>& call) {
  auto reply = std::make_shared<Json>();
  auto done = std::make_shared<vl::dispatch::Group>();
  done->enter();
  call([reply, done](Json answer) {
    *reply = std::move(answer);
    done->leave();
  });
  done->wait();
  vl::dispatch::MainLoop::runUntilIdle();
  return *reply;
}

// A history of 100,000 records in memory (only docs made from here on are written) over a private HOME,
// the served network, the real handlers on loopback and a client that has joined.
struct RealServer {
  std::string root;
  vl::bench::DocChain docs;
  vl::SyncNetworkServer server{std::make_shared<vl::ServerResponseMaker>()};
  // It waits as long as a merge takes, so that a slow merge shows as a figure rather than a failure.
  vl::SyncNetworkClient client{vl::SyncNetworkClient::Options{.unaryTimeLimitSeconds = 120}};
  std::string token;

  bool open() {
    char pattern[] = "/tmp/vl-bench-sync-XXXXXX";
    if (!::mkdtemp(pattern)) return false;
    root = pattern;
    ::setenv("HOME", root.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    vl::UserDefaults::resetForTesting();
    vl::VLEngine& engine = vl::VLEngine::shared();
    engine.setFolders(root);
    const std::string data = engine.storePath();
    vl::bench::require(vl::files::createDirectories(data) && vl::files::createDirectories(root + "/pin"),
                       "making the folders");
    vl::bench::Corpus corpus(7);
    docs = vl::bench::memoryDocChain(kHistoryDocs, data);
    vl::bench::fillDocs(vl::bench::DocChain(docs.begin(), docs.end() - 1), kHistoryPerDoc, corpus);
    // The spare doc takes the pushed records and rolls over into real files, as the store would.
    docs.back()->setFilePath(vl::files::joinPath(data, "BigDoc_" + std::to_string(kHistoryDocs)));
    docs.back()->setChainOwner(engine.clipboardChainOwner());
    vl::bench::openClipboardTab(docs, root);
    // The recent list as a user leaves it: the newest two dozen.
    auto recent = engine.tabDirectory()->clipboardTab()->sortedTable();
    auto newest = docs[kHistoryDocs - 1]->chunks();
    recent->append({newest.rbegin(), newest.rbegin() + 24});

    auto network = vl::ServerSyncNetworkBean::ofName("Bench", "bench password");
    vl::CreatedDataSyncStore::shared().add(network);
    vl::CreatedDataSyncStore::shared().setCurrentProvider(network);
    server.startWithIp("127.0.0.1", 0);
    if (server.boundPort() == 0) return false;
    client.connectWithIp("127.0.0.1", server.boundPort());
    Json reply = waitOnMain([&](auto callback) {
      client.authWithRequest(Json{{"network_id", network->identifier()},
                                  {"device_id", "BENCH"},
                                  {"device_name", "Bench"},
                                  {"password", "bench password"}},
                             callback);
    });
    token = vl::jsonString(reply, "access_token");
    return !token.empty();
  }

  void close() {
    client.close();
    server.close();
    vl::Vellisto_BigDoc::waitForPendingWrites();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
};

Json newRecords(vl::bench::Corpus& corpus, int round) {
  Json list = Json::array();
  for (std::size_t i = 0; i < kPushedRecords; ++i) {
    list.push_back(Json{{"sig", "peer"},
                        {"timestamp", std::to_string(1.8e9 + round * 1e5 + static_cast<double>(i))},
                        {"alias", ""},
                        {"context", corpus.next() + " #" + std::to_string(round) + "." + std::to_string(i)},
                        {"rich", ""},
                        {"json", Json{{"sync_device_id", "PEER"}, {"sync_device_name", "Peer"}}}});
  }
  return list;
}

int wire(int rounds, const std::vector<std::uint8_t>& bytes, const Json& image) {
  auto handler = std::make_shared<BenchHandler>(image);
  vl::SyncNetworkServer server(handler);
  server.startWithIp("127.0.0.1", 0);
  if (server.boundPort() == 0) {
    std::fprintf(stderr, "could not start the server on 127.0.0.1\n");
    return 1;
  }
  vl::SyncNetworkClient client;
  client.connectWithIp("127.0.0.1", server.boundPort());
  std::size_t downloaded = 0;
  client.setMediaHandler(
      [&downloaded](const Json& message) { downloaded += message["data"].get_binary().size(); });

  const Json list = records();
  const Json poll{{"access_token", "T"}, {"timestamp", 0}, {"chunks", list}};
  const Json upload{{"access_token", "T"}, {"chunk_sig", "IMG"}, {"data", image}};
  std::vector<double> recordTimes, recordCopyTimes, uploadTimes, downloadTimes, memcpyTimes;
  const std::string loadBefore = loadAverage();

  for (int round = 0; round < rounds; ++round) {
    auto start = Clock::now();
    Json reply = waitFor([&](auto callback) { client.getChunksWithRequest(poll, callback); });
    recordTimes.push_back(seconds(Clock::now() - start));
    if (reply["chunks"].size() != kRecords) {
      std::fprintf(stderr, "records came back short: %s\n", reply["status"].dump().c_str());
      return 1;
    }

    start = Clock::now();
    Json copy = list;  // the same records copied in memory, there and back
    Json back = copy;
    recordCopyTimes.push_back(seconds(Clock::now() - start));

    const std::size_t before = handler->uploaded();
    // Handed over, as the joined device hands over the request it made from the file it read.
    Json request = upload;
    start = Clock::now();
    reply = waitFor([&](auto callback) { client.sendMediametaWithRequest(std::move(request), callback); });
    uploadTimes.push_back(seconds(Clock::now() - start));
    if (reply["status"]["code"] != 200 || handler->uploaded() - before != kImageBytes) {
      std::fprintf(stderr, "upload failed: %s\n", reply.dump().c_str());
      return 1;
    }

    downloaded = 0;
    start = Clock::now();
    reply = client.getMediametaWithRequest(Json{{"access_token", "T"}, {"chunk_sig", "IMG"}});
    downloadTimes.push_back(seconds(Clock::now() - start));
    if (downloaded != kImageBytes) {
      std::fprintf(stderr, "download came back short: %zu bytes\n", downloaded);
      return 1;
    }
    memcpyTimes.push_back(memcpySeconds(bytes));
  }
  server.close();

  const double mb = kImageBytes / 1e6;
  const double recordTime = median(recordTimes), copyTime = median(recordCopyTimes);
  const double up = median(uploadTimes), down = median(downloadTimes), mem = median(memcpyTimes);
  std::printf("grpc_sync over 127.0.0.1, median of %d rounds, load average %s before, %s after\n", rounds,
              loadBefore.c_str(), loadAverage().c_str());
  std::printf("  10,000 records there and back in one GetChunks call: %8.1f ms  (%.1f us a record)\n",
              recordTime * 1e3, recordTime * 1e6 / kRecords);
  std::printf("    same records copied in memory twice:              %8.1f ms  ratio %.1fx\n", copyTime * 1e3,
              recordTime / copyTime);
  std::printf("  50 MB image upload in 3 MiB slices:                 %8.1f ms  %7.0f MB/s  ratio %.1fx\n",
              up * 1e3, mb / up, up / mem);
  std::printf("  50 MB image download in 3 MiB slices:               %8.1f ms  %7.0f MB/s  ratio %.1fx\n",
              down * 1e3, mb / down, down / mem);
  std::printf("  memcpy of the same 50 MB (baseline):                %8.1f ms  %7.0f MB/s\n", mem * 1e3,
              mb / mem);
  const bool fastEnough = mb / up >= kWireGoalMBs && mb / down >= kWireGoalMBs;
  std::printf("  target %.0f MB/s each way for images on loopback: %s\n", kWireGoalMBs,
              fastEnough ? "met" : "NOT met");
  return 0;
}

int handlers(int rounds, const std::vector<std::uint8_t>& bytes) {
  vl::setLogSink([](const std::string&) {});
  vl::dispatch::MainLoop::adoptCurrentThread();
  RealServer real;
  if (!real.open()) {
    std::fprintf(stderr, "could not start the real handlers\n");
    return 1;
  }
  vl::bench::Corpus fresh(11);
  std::vector<double> mergeTimes, mergeCopyTimes, storeTimes, copyTimes, memcpyTimes;
  std::string png = "\x89PNG\r\n\x1a\n";
  png.append(bytes.begin() + static_cast<std::ptrdiff_t>(png.size()), bytes.end());
  const Json pngImage = Json::binary(std::vector<std::uint8_t>(png.begin(), png.end()));
  const std::string loadBefore = loadAverage();
  for (int round = 0; round < rounds; ++round) {
    const Json pushed = newRecords(fresh, round);
    auto start = Clock::now();
    Json reply = waitOnMain([&](auto callback) {
      real.client.sendChunksWithRequest(Json{{"access_token", real.token}, {"chunks", pushed}}, callback);
    });
    mergeTimes.push_back(seconds(Clock::now() - start));
    if (reply["status"]["code"] != 200) {
      std::fprintf(stderr, "push failed: %s\n", reply["status"].dump().c_str());
      return 1;
    }
    start = Clock::now();
    Json copy = pushed;
    mergeCopyTimes.push_back(seconds(Clock::now() - start));

    // The same number of new texts stored as capture stores copies, on a thread of their own as the
    // capture queue is: each looked for, appended and journaled before the next.
    std::vector<std::string> copies;
    for (std::size_t i = 0; i < kPushedRecords; ++i)
      copies.push_back(fresh.next() + " copy " + std::to_string(round) + "." + std::to_string(i));
    const Json copyJson = Json::object();
    std::thread capture([&] {
      vl::VLEngine& engine = vl::VLEngine::shared();
      const auto begun = Clock::now();
      for (const std::string& text : copies) {
        if (!engine.findContext(text, copyJson, vl::kClipboardPinTabId))
          vl::bench::require(engine.append(text, std::nullopt, copyJson, vl::kClipboardPinTabId) != nullptr,
                             "storing a copy");
      }
      copyTimes.push_back(seconds(Clock::now() - begun));
    });
    capture.join();

    const std::string imagePath = "/home/peer/shot " + std::to_string(round) + ".png";
    reply = waitOnMain([&](auto callback) {
      Json record{{"sig", "peer"}, {"timestamp", "1900000000.000000"},
                  {"alias", ""},   {"context", "shot " + std::to_string(round)},
                  {"rich", ""},    {"json", Json{{"image", imagePath}}}};
      real.client.sendChunksWithRequest(Json{{"access_token", real.token}, {"chunks", Json::array({record})}},
                                        callback);
    });
    const std::string sig = reply["sigs"].size() == 1 ? reply["sigs"][0].get<std::string>() : "";
    // The upload is timed alone: the pushed records' docs are written first, and the request is made
    // beforehand, as the joined device makes it from the file it read.
    vl::Vellisto_BigDoc::waitForPendingWrites();
    Json upload{{"access_token", real.token}, {"chunk_sig", sig}, {"data", pngImage}};
    start = Clock::now();
    reply =
        waitOnMain([&](auto callback) { real.client.sendMediametaWithRequest(std::move(upload), callback); });
    storeTimes.push_back(seconds(Clock::now() - start));
    const auto written = vl::files::fileSize(
        vl::files::joinPath(vl::VLEngine::shared().foreverPath(), "shot " + std::to_string(round) + ".png"));
    if (reply["status"]["code"] != 200 || !written || *written != kImageBytes) {
      std::fprintf(stderr, "image upload failed: %s\n", reply.dump().c_str());
      return 1;
    }
    memcpyTimes.push_back(memcpySeconds(bytes));
  }
  real.close();

  const double mb = kImageBytes / 1e6;
  const double merge = median(mergeTimes), mergeCopy = median(mergeCopyTimes), stored = median(storeTimes);
  const double mem = median(memcpyTimes), copied = median(copyTimes);
  std::printf(
      "through the real handlers, history of %d records, median of %d rounds, load average %s before, "
      "%s after\n",
      kHistoryDocs * kHistoryPerDoc, rounds, loadBefore.c_str(), loadAverage().c_str());
  std::printf("  %zu new records pushed and merged in one SendChunks: %6.1f ms  (%.1f us a record)\n",
              kPushedRecords, merge * 1e3, merge * 1e6 / kPushedRecords);
  std::printf("    %zu copies stored one by one, as capture does:    %8.1f ms  (%.1f us a record)\n",
              kPushedRecords, copied * 1e3, copied * 1e6 / kPushedRecords);
  std::printf("    a merged record / a copy: %.2f (goal at most %.2f: %s)\n", merge / copied, kMergeGoal,
              merge / copied <= kMergeGoal ? "met" : "missed");
  std::printf("    same records copied in memory once:                %8.1f ms  ratio %.1fx\n",
              mergeCopy * 1e3, merge / mergeCopy);
  std::printf("  50 MB image upload written to forever/:             %8.1f ms  %7.0f MB/s  ratio %.1fx\n",
              stored * 1e3, mb / stored, stored / mem);
  std::printf("  memcpy of the same 50 MB (baseline):                %8.1f ms  %7.0f MB/s\n", mem * 1e3,
              mb / mem);
  std::printf("  target %.0f MB/s for an image stored through the handlers: %s\n", kStoredGoalMBs,
              mb / stored >= kStoredGoalMBs ? "met" : "NOT met");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  vl::FreedMemory::atStart();
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::string part = argc > 2 ? argv[2] : "";

  std::vector<std::uint8_t> bytes(kImageBytes);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
  if (part.empty() || part == "wire") {
    const Json image = Json::binary(bytes);
    if (const int failed = wire(rounds, bytes, image)) return failed;
  }
  if (part.empty() || part == "handlers") return handlers(rounds, bytes);
  return 0;
}
