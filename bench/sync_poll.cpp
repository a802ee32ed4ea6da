// A joined device's poll, answered by the serving device's real handler from a history of 100,000 records
// (100 docs): a poll that finds nothing new (every second of every joined device), one that finds 30
// copies, the pages of 600, and the one poll after another device pushed a record (which looks every
// record up among the arrivals), each against walking every record's time stamp once in the same run
// (the least any answer from the docs must do), and against the old answer from the 24 records of the
// recent list.
//
//   bench_sync_poll [rounds]     (default 20 rounds; the figures are medians)

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchCorpus.h"
#include "BenchHistory.h"
#include "BenchTiming.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"
#include "VLEngine/doc/memory/FreedMemory.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "sync/server/ServerResponseMaker.h"
#include "sync/store/CreatedDataSyncStore.h"

namespace {

using vl::Json;
using vl::bench::msSince;
using vl::bench::Steady;

constexpr int kDocs = 100;
constexpr int kPerDoc = 1000;

// What every answer from the docs has to do at least: look at each record's time once.
std::size_t walkStamps(double since) {
  std::size_t newer = 0;
  for (auto doc = vl::VLEngine::shared().headDoc(); doc; doc = doc->next()) {
    for (const auto& chunk : doc->chunks()) newer += chunk && chunk->timestampValue() >= since ? 1 : 0;
  }
  return newer;
}

void copyThere(const std::string& text) {
  vl::VLEngine& engine = vl::VLEngine::shared();
  auto chunk = engine.append(text, std::nullopt, Json::object(), vl::kClipboardPinTabId);
  vl::RecursiveMutexLock lock(vl::VLEngine::storeMutex());
  auto table = engine.tabDirectory()->clipboardTab()->sortedTable();
  table->remove(chunk);
  table->head(chunk);
  table->cutIfNeeded();
}

}  // namespace

int main(int argc, char** argv) {
  vl::FreedMemory::atStart();
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  vl::setLogSink([](const std::string&) {});
  vl::dispatch::MainLoop::adoptCurrentThread();
  char pattern[] = "/tmp/vl-bench-poll-XXXXXX";
  vl::bench::require(::mkdtemp(pattern) != nullptr, "making the folder");
  const std::string root = pattern;
  ::setenv("HOME", root.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
  vl::UserDefaults::resetForTesting();
  vl::VLEngine& engine = vl::VLEngine::shared();
  engine.setFolders(root);
  vl::bench::require(
      vl::files::createDirectories(engine.storePath()) && vl::files::createDirectories(root + "/pin"),
      "making the store's folders");
  vl::bench::Corpus corpus(3);
  vl::bench::DocChain docs = vl::bench::memoryDocChain(kDocs, engine.storePath());
  vl::bench::fillDocs(vl::bench::DocChain(docs.begin(), docs.end() - 1), kPerDoc, corpus);
  vl::bench::openClipboardTab(docs, root);
  auto recent = engine.tabDirectory()->clipboardTab()->sortedTable();
  auto newest = docs[kDocs - 1]->chunks();
  recent->append({newest.rbegin(), newest.rbegin() + 24});

  auto network = vl::ServerSyncNetworkBean::ofName("Bench", "bench password");
  vl::CreatedDataSyncStore::shared().add(network);
  vl::CreatedDataSyncStore::shared().setCurrentProvider(network);
  vl::ServerResponseMaker handler;
  const std::string token = vl::jsonString(handler.auth(Json{{"network_id", network->identifier()},
                                                             {"device_id", "BENCH"},
                                                             {"device_name", "Bench"},
                                                             {"password", "bench password"}}),
                                           "access_token");
  vl::bench::require(!token.empty(), "joining");
  const std::string other = vl::jsonString(handler.auth(Json{{"network_id", network->identifier()},
                                                             {"device_id", "OTHER"},
                                                             {"device_name", "Other"},
                                                             {"password", "bench password"}}),
                                           "access_token");
  const auto poll = [&](double since) {
    return handler.getChunks(Json{{"access_token", token}, {"timestamp", since}, {"chunks", Json::array()}});
  };
  const auto push = [&](const std::string& context) {
    (void)handler.sendChunks(Json{{"access_token", other},
                                  {"chunks", Json::array({Json{{"sig", ""},
                                                               {"timestamp", "1600000000.000000"},
                                                               {"alias", ""},
                                                               {"context", context},
                                                               {"rich", ""},
                                                               {"json", Json::object()}}})}});
    vl::dispatch::MainLoop::runUntilIdle();
  };
  // Another device pushed a record a while ago: arrivals are known, yet a poll asking for later
  // records has none of them to look up.
  push("pushed long ago");
  std::vector<double> quiet, thirty, pages, walks, recentList, afterPush;
  std::size_t paged = 0;
  for (int round = 0; round < rounds; ++round) {
    const double since = vl::Clock::current().now();
    auto start = Steady::now();
    Json reply = poll(since);
    quiet.push_back(msSince(start));
    vl::bench::require(reply["chunks"].empty(), "a quiet poll");

    start = Steady::now();
    vl::bench::require(walkStamps(since) == 0, "the walk");
    walks.push_back(msSince(start));

    start = Steady::now();
    vl::bench::require(engine.getLatestForDataSync(24).size() == 24, "the recent list");
    recentList.push_back(msSince(start));

    for (int i = 0; i < 30; ++i) copyThere("thirty " + std::to_string(round) + "." + std::to_string(i));
    start = Steady::now();
    reply = poll(since);
    thirty.push_back(msSince(start));
    vl::bench::require(reply["chunks"].size() == 30, "thirty new records");

    const double before = vl::Clock::current().now();
    for (int i = 0; i < 600; ++i) copyThere("page " + std::to_string(round) + "." + std::to_string(i));
    double from = before;
    std::size_t received = 0;
    start = Steady::now();
    for (int call = 0; call < 10; ++call) {
      reply = poll(from);
      received += reply["chunks"].size();
      if (reply["chunks"].size() < vl::ServerResponseMaker::kPollPageRecords) break;
      from = reply["timestamp"].get<double>();
    }
    pages.push_back(msSince(start));
    paged = received;

    const double beforePush = vl::Clock::current().now();
    push("pushed in round " + std::to_string(round));
    start = Steady::now();
    reply = poll(beforePush);
    afterPush.push_back(msSince(start));
    vl::bench::require(reply["chunks"].size() == 1, "the pushed record");
  }

  const double walk = vl::bench::median(walks);
  std::printf("sync_poll: history of %d records, median of %d rounds\n", kDocs * kPerDoc, rounds);
  std::printf("  walking every record's time stamp once (baseline): %8.2f ms\n", walk);
  std::printf("  old answer from the 24 of the recent list:         %8.2f ms  ratio %.2fx\n",
              vl::bench::median(recentList), vl::bench::median(recentList) / walk);
  std::printf("  a poll that finds nothing new:                     %8.2f ms  ratio %.2fx\n",
              vl::bench::median(quiet), vl::bench::median(quiet) / walk);
  std::printf("  a poll that finds 30 new records:                  %8.2f ms  ratio %.2fx\n",
              vl::bench::median(thirty), vl::bench::median(thirty) / walk);
  std::printf("  600 new records in pages (%zu received):           %8.2f ms  ratio %.2fx\n", paged,
              vl::bench::median(pages), vl::bench::median(pages) / walk);
  std::printf("  the poll after another device pushed a record:     %8.2f ms  ratio %.2fx\n",
              vl::bench::median(afterPush), vl::bench::median(afterPush) / walk);
  vl::Vellisto_BigDoc::waitForPendingWrites();
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  return 0;
}
