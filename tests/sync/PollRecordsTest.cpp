// What a joined device's polls bring: every record of the serving device newer than the poll, whatever
// sits at the head of the recent list, however many came between two polls, and whatever the clocks of
// the devices that pushed them.
#include <functional>
#include <map>
#include <set>

#include "SyncFixture.h"
#include "sync/SyncRecordMerger.h"

namespace vl::test {
namespace {

class PollRecords : public SyncServerFixture {
 protected:
  // A copy on the serving device: stored now and at the head of its recent list, as capture leaves it,
  // and the list cut to its length, as the history list's next listing does.
  std::shared_ptr<Vellisto_Chunk> copyThere(const std::string& text) {
    auto chunk = engine().append(text, std::nullopt, Json::object(), kClip);
    RecursiveMutexLock lock(VLEngine::storeMutex());
    recentList()->remove(chunk);
    recentList()->head(chunk);
    recentList()->cutIfNeeded();
    return chunk;
  }
  // A record a device pushed, stamped by its own clock `offset` seconds off the serving one.
  Json pushFrom(const std::string& token, const std::string& text, double offset) {
    return sendChunks(token, Json::array({wireRecord(text, stampAt(clock_->now() + offset))}));
  }
  static std::string stampAt(double seconds) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%f", seconds);
    return buffer;
  }

  // A joined device that made its first sync a while ago and has polled since, as the client does.
  struct Joined {
    std::string token;
    double since = 0;
    // Each context received, with how many times.
    std::map<std::string, int> received;
  };
  Joined joinAndSettle(const std::string& deviceId) {
    Joined device{join(deviceId), 0, {}};
    Json first = getChunks(device.token, 0);
    EXPECT_EQ(code(first), 200) << first.dump();
    device.since = first["timestamp"].get<double>();
    clock_->advanceMs(10000);
    pollUntilQuiet(device);
    device.received.clear();
    return device;
  }
  // Polls a second apart, each from where the last reply that carried records said, until a reply
  // brings nothing.
  void pollUntilQuiet(Joined& device) {
    for (int polls = 0; polls < 50; ++polls) {
      clock_->advanceMs(1000);
      Json reply = getChunks(device.token, device.since);
      ASSERT_EQ(code(reply), 200) << reply.dump();
      if (reply["chunks"].empty()) return;
      ASSERT_LE(reply["chunks"].size(), SyncRecordMerger::kMaxRecordsPerCall);
      for (const Json& record : reply["chunks"]) ++device.received[record["context"].get<std::string>()];
      device.since = reply["timestamp"].get<double>();
    }
    ADD_FAILURE() << "the polls never went quiet";
  }
};

TEST_F(PollRecords, EveryNewerRecordArrivesOnceWhateverLiesAboveIt) {
  struct Case {
    const char* what;
    // Runs on the serving side between two polls of A; `b` is a second joined device.
    std::function<void(const std::string& a, const std::string& b)> between;
    std::vector<std::string> arrive;
  };
  std::vector<std::string> thirty, sixHundred;
  for (int i = 0; i < 30; ++i) thirty.push_back("copy " + std::to_string(i));
  for (int i = 0; i < 600; ++i) sixHundred.push_back("many " + std::to_string(i));
  const std::vector<Case> cases = {
      {"a record pushed from a clock 2 s behind sits above a copy not yet sent",
       [this](const std::string& a, const std::string&) {
         copyThere("there, under the push");
         clock_->advanceMs(100);
         EXPECT_EQ(code(pushFrom(a, "pushed from A", -2)), 200);
       },
       {"there, under the push"}},
      {"a second device's first sync puts its old records above a copy not yet sent",
       [this](const std::string&, const std::string& b) {
         copyThere("there, under the first sync");
         Json records = Json::array();
         for (int i = 0; i < 3; ++i)
           records.push_back(wireRecord("old on B " + std::to_string(i), stampAt(clock_->now() - 86400 + i)));
         EXPECT_EQ(code(getChunks(b, 0, records)), 200);
       },
       {"there, under the first sync", "old on B 0", "old on B 1", "old on B 2"}},
      {"a second device 2 s behind pushes a copy after A's last poll",
       [this](const std::string&, const std::string& b) {
         EXPECT_EQ(code(pushFrom(b, "pushed from B", -2)), 200);
       },
       {"pushed from B"}},
      {"A's clock runs 30 s ahead: its push stays away from it in the quiet polls after it arrived",
       [this](const std::string& a, const std::string&) {
         EXPECT_EQ(code(pushFrom(a, "pushed from A", 30)), 200);
         clock_->advanceMs(100);
         copyThere("there, after a push from ahead");
       },
       {"there, after a push from ahead"}},
      {"a copy stored but not yet in the recent list",
       [this](const std::string&, const std::string&) {
         engine().append("stored, not yet listed", std::nullopt, Json::object(), kClip);
       },
       {"stored, not yet listed"}},
      {"30 copies between two polls",
       [&](const std::string&, const std::string&) {
         for (const std::string& text : thirty) copyThere(text);
       },
       thirty},
      {"600 copies, some in the same microsecond, go in pages",
       [&](const std::string&, const std::string&) {
         for (std::size_t i = 0; i < sixHundred.size(); ++i) {
           if (i % 3 == 0) clock_->advanceMs(1);
           copyThere(sixHundred[i]);
         }
       },
       sixHundred},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    network->cleanConnectedStatus();
    Joined a = joinAndSettle("A");
    Joined b = joinAndSettle("B");
    // A's last poll brought a record: it asks from the serving device's time of that reply.
    copyThere(std::string("warm-up for ") + c.what);
    pollUntilQuiet(a);
    ASSERT_EQ(a.received.size(), 1u);
    a.received.clear();
    c.between(a.token, b.token);
    clock_->advanceMs(1000);
    pollUntilQuiet(a);
    for (const std::string& text : c.arrive) EXPECT_EQ(a.received[text], 1) << text;
    EXPECT_EQ(a.received.count("pushed from A"), 0u) << "a device's own push came back to it";
    EXPECT_EQ(a.received.size(), c.arrive.size()) << "records that were not new came too";
  }
}

// A copy is stamped a moment before it joins the recent list, which a first sync reads: the poll after
// the first sync still brings it.
TEST_F(PollRecords, TheFirstSyncLeavesNoCopyBehind) {
  const std::string token = join("A");
  copyThere("listed");
  engine().append("stored, not yet listed", std::nullopt, Json::object(), kClip);
  clock_->advanceMs(200);
  Json first = getChunks(token, 0);
  ASSERT_EQ(code(first), 200);
  Joined a{token, first["timestamp"].get<double>(), {}};
  for (const Json& record : first["chunks"]) ++a.received[record["context"].get<std::string>()];
  pollUntilQuiet(a);
  EXPECT_GE(a.received["stored, not yet listed"], 1);
  EXPECT_GE(a.received["listed"], 1);
}

}  // namespace
}  // namespace vl::test
