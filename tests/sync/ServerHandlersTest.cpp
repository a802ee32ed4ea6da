#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>

#include "SyncFixture.h"
#include "sync/SyncRecordMerger.h"

namespace vl::test {
namespace {

using ServerHandlers = SyncServerFixture;

TEST_F(ServerHandlers, StatusCodesFollowTheTable) {
  std::string a, b;
  struct Step {
    const char* what;
    std::function<Json()> call;
    int code;
  };
  const std::vector<Step> steps = {
      {"wrong password", [&] { return auth("A", "guess"); }, 412},
      {"unknown network", [&] { return auth("A", kPassword, std::string("OTHER-NETWORK")); }, 412},
      {"first device",
       [&] {
         Json r = auth("A");
         a = jsonString(r, "access_token");
         return r;
       },
       200},
      {"unknown token", [&] { return getChunks("not-a-token", 1); }, 401},
      {"empty token", [&] { return getChunks("", 1); }, 401},
      {"second device",
       [&] {
         Json r = auth("B");
         b = jsonString(r, "access_token");
         return r;
       },
       200},
      {"third device over the limit", [&] { return auth("C"); }, 602},
      {"unknown token at the limit", [&] { return getChunks("not-a-token", 1); }, 602},
      {"admitted poll", [&] { return getChunks(a, 1); }, 200},
      {"disconnected by the serving user",
       [&] {
         network->setTryDisconnect(a);
         return getChunks(a, 1);
       },
       600},
      {"its goodbye", [&] { return bye(a); }, 200},
      {"a third device takes the slot", [&] { return auth("C"); }, 200},
      {"the one that left is now over the limit", [&] { return getChunks(a, 1); }, 602},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const Json reply = step.call();
    EXPECT_EQ(code(reply), step.code) << reply.dump();
    if (step.code == 412) {
      EXPECT_NE(message(reply).find(kNetworkName), std::string::npos) << message(reply);
    }
    if (step.code == 200 && std::string(step.what).find("device") != std::string::npos) {
      // The client maps the historical field name "netowrk_name" back.
      EXPECT_EQ(jsonString(reply, "network_name"), kNetworkName);
      EXPECT_EQ(jsonString(reply, "network_id"), network->identifier());
    }
  }
}

TEST_F(ServerHandlers, WrongPasswordsLockTheAddressOutAndAreNeverLogged) {
  LogCapture logs;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(code(auth("A", "guess " + std::to_string(i))), 412);
  // Locked out: even the right password is refused, with the same answer.
  Json refused = auth("A");
  EXPECT_EQ(code(refused), 412);
  EXPECT_NE(message(refused).find(kNetworkName), std::string::npos);
  clock_->advanceMs(29000);
  EXPECT_EQ(code(auth("A")), 412);
  clock_->advanceMs(1500);
  EXPECT_EQ(code(auth("A")), 200);
  EXPECT_TRUE(LogCapture::contains("get auth request " + network->identifier()));
  for (const std::string& line : LogCapture::take()) {
    EXPECT_EQ(line.find("guess"), std::string::npos) << line;
    EXPECT_EQ(line.find(kPassword), std::string::npos) << line;
  }
}

TEST_F(ServerHandlers, ADeviceHoldsOneSlotAndSilentOnesStopCounting) {
  const std::string first = join("A");
  const std::string again = join("A");
  EXPECT_NE(first, again);
  EXPECT_EQ(code(getChunks(first, 1)), 401);  // replaced, not kept beside the new one
  join("B");
  EXPECT_EQ(network->authorizedDevices().size(), 2u);
  EXPECT_EQ(code(auth("C")), 602);

  // A and B stop polling; half a minute later their slots are free.
  clock_->advanceMs(ServerResponseMaker::kSilentMs + 1000);
  const std::string c = join("C");
  EXPECT_EQ(network->connectedAndAuthorized().size(), 1u);
  EXPECT_EQ(code(getChunks(again, 1)), 200);  // A comes back into the free slot
}

TEST_F(ServerHandlers, StoredNetworksComeBackWithNothingConnected) {
  join("A");
  const std::string id = network->identifier();
  struct stat st {};
  ASSERT_EQ(::stat(UserDefaults::standard().filePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // A restart: the list is read again from the settings.
  CreatedDataSyncStore::shared().resetForTesting();
  UserDefaults::resetForTesting();
  const auto list = CreatedDataSyncStore::shared().providerList();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]->identifier(), id);
  EXPECT_EQ(list[0]->password(), kPassword);
  ASSERT_EQ(list[0]->authorizedDevices().size(), 1u);
  EXPECT_EQ(list[0]->authorizedDevices()[0].deviceName, "Device A");
  EXPECT_TRUE(list[0]->connectedAndAuthorized().empty());
}

TEST_F(ServerHandlers, PushedRecordsMergeByTimestamp) {
  const std::string token = join("A");
  for (const char* context : {"other", "equal", "older", "newer"}) {
    auto chunk =
        engine().append(context, std::nullopt, Json::object(), std::nullopt, "1700000100.000000", kClip);
    recentList()->append({chunk});
  }

  struct Row {
    const char* context;
    const char* pushed;
    const char* stays;  // the stored timestamp afterwards
    const char* head;   // the head of the recent list afterwards
  };
  const Row rows[] = {
      {"equal", "1700000100.000000", "1700000100.000000", "other"},
      {"older", "1700000000.000000", "1700000100.000000", "other"},
      {"newer", "1700000200.000000", "1700000200.000000", "newer"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.context);
    Json reply = sendChunks(token, Json::array({wireRecord(row.context, row.pushed)}));
    EXPECT_EQ(code(reply), 200);
    EXPECT_EQ(stored(row.context)->timestamp(), row.stays);
    EXPECT_EQ(recentContexts().front(), row.head);
  }
  EXPECT_EQ(recordCount(), 4u);

  // A new record is appended as pushed, rich text kept, and the list animates its arrival.
  engine().tabDirectory()->clipboardTab()->setNewArrivedAnimation(false);
  EXPECT_EQ(code(sendChunks(
                token, Json::array({wireRecord("fresh", "1700000300.5", Json::object(), "{\\rtf1 fresh}")}))),
            200);
  ASSERT_NE(stored("fresh"), nullptr);
  EXPECT_EQ(stored("fresh")->rich(), "{\\rtf1 fresh}");
  EXPECT_EQ(stored("fresh")->timestamp(), "1700000300.5");
  EXPECT_EQ(recentContexts().front(), "fresh");
  EXPECT_TRUE(engine().tabDirectory()->clipboardTab()->newArrivedAnimation());
}

TEST_F(ServerHandlers, AFirstSyncAnswersTheNewestAndTakesTheDevicesOwn) {
  const std::string token = join("A");
  engine().append("here already", std::nullopt, Json::object(), std::nullopt, "1700000100.000000", kClip);
  recentList()->append({stored("here already")});
  engine().tabDirectory()->clipboardTab()->setNewArrivedAnimation(false);

  Json reply = getChunks(
      token, 0, Json::array({wireRecord("from A", "1700000050.000000", Json::object(), "{\\rtf1 x}")}));
  ASSERT_EQ(code(reply), 200);
  ASSERT_EQ(reply["chunks"].size(), 1u);
  EXPECT_EQ(reply["chunks"][0]["context"], "here already");
  EXPECT_DOUBLE_EQ(reply["timestamp"].get<double>(), clock_->now());
  ASSERT_NE(stored("from A"), nullptr);
  EXPECT_EQ(stored("from A")->rich(), std::nullopt);  // a first sync takes no rich text
  EXPECT_EQ(recentContexts().front(), "from A");
  EXPECT_FALSE(engine().tabDirectory()->clipboardTab()->newArrivedAnimation());

  // A later poll ignores whatever records it carries.
  EXPECT_EQ(code(getChunks(token, 1, Json::array({wireRecord("ignored", "1700000060.000000")}))), 200);
  EXPECT_EQ(stored("ignored"), nullptr);
}

TEST_F(ServerHandlers, AMergedCopyDeletesTheRecordsItReplaced) {
  const std::string token = join("A");
  for (const char* context : {"alpha", "beta", "gamma"}) {
    engine().append(context, std::nullopt, Json::object(), std::nullopt, "1700000100.000000", kClip);
  }
  Json merged =
      wireRecord("alpha beta", "1700000200.000000", Json{{"merging_copy", "alpha__MERGING_COPY__beta"}});
  EXPECT_EQ(code(sendChunks(token, Json::array({merged}))), 200);
  EXPECT_EQ(stored("alpha"), nullptr);
  EXPECT_EQ(stored("beta"), nullptr);
  EXPECT_NE(stored("gamma"), nullptr);
  EXPECT_NE(stored("alpha beta"), nullptr);
}

// A peer's thousands of records wait for the disk once, not once each; and each is on the disk before
// the peer is answered.
TEST_F(ServerHandlers, APushWaitsForTheDiskOnceAndIsOnItWhenAnswered) {
  const std::string token = join("A");
  const std::size_t before = recordCount();
  std::atomic<int> syncs{0};
  DocJournal::setFaultHookForTesting([&](const std::string&, std::string_view step) {
    if (step == "sync") ++syncs;
    return 0;
  });
  Json records = Json::array();
  for (int i = 0; i < 40; ++i)
    records.push_back(wireRecord("pushed " + std::to_string(i), "1700000200.000000"));
  const Json reply = sendChunks(token, records);
  const int waited = syncs.load();
  DocJournal::setFaultHookForTesting(nullptr);
  EXPECT_EQ(code(reply), 200);
  EXPECT_EQ(waited, 1);
  // The doc file was not written since (the clock stands): what is on the disk is in the journal.
  auto back = std::make_shared<Vellisto_BigDoc>();
  ASSERT_TRUE(back->load(engine().tailDoc()->filePath()));
  const auto slots = back->chunks();
  EXPECT_EQ(static_cast<std::size_t>(
                std::count_if(slots.begin(), slots.end(), [](auto& c) { return c != nullptr; })),
            before + records.size());
}

TEST_F(ServerHandlers, RecordsThatCannotBeTakenAreRefusedWhole) {
  const std::string token = join("A");
  const std::size_t before = recordCount();
  for (const char* stamp : {"nan", "1e999", "inf", "abc", "", "1700000000.5 "}) {
    SCOPED_TRACE(stamp);
    Json records = Json::array({wireRecord("good", "1700000000.000000"), wireRecord("bad", stamp)});
    Json reply = sendChunks(token, records);
    EXPECT_EQ(code(reply), 500);
    EXPECT_EQ(code(getChunks(token, 0, records)), 500);
    EXPECT_EQ(recordCount(), before);
  }
  EXPECT_EQ(code(getChunks(token, std::numeric_limits<double>::infinity())), 500);
  Json tooMany = Json::array();
  for (std::size_t i = 0; i <= SyncRecordMerger::kMaxRecordsPerCall; ++i) {
    tooMany.push_back(wireRecord("r" + std::to_string(i), "1700000000.000000"));
  }
  EXPECT_EQ(code(sendChunks(token, tooMany)), 500);
  EXPECT_EQ(recordCount(), before);

  // Applications and files stay on the device they were copied on.
  Json mixed = Json::array({wireRecord("an app", "1700000000.0", Json{{"app", "org.gnome.Terminal"}}),
                            wireRecord("a file", "1700000000.0", Json{{"file", "/home/peer/secret.txt"}}),
                            wireRecord("text", "1700000000.0")});
  EXPECT_EQ(code(sendChunks(token, mixed)), 200);
  EXPECT_EQ(recordCount(), before + 1);
  EXPECT_NE(stored("text"), nullptr);
}

}  // namespace
}  // namespace vl::test
