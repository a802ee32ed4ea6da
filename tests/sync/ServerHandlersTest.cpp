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

// Addresses are free on a LAN: a peer that takes a new one for every few guesses is held back by the count
// over all addresses, which runs out once the guesses stop.
TEST_F(ServerHandlers, GuessesFromRotatingAddressesAreHeldBackTogetherUntilTheyStop) {
  LogCapture logs;
  ServerResponseMaker maker;
  auto attempt = [&](const std::string& peer, const std::string& password) {
    return code(maker.auth(Json{{"network_id", network->identifier()},
                                {"device_id", "X"},
                                {"device_name", "X"},
                                {"password", password},
                                {"peer", peer}}));
  };
  auto address = [](int n) {
    return "ipv4:10.1." + std::to_string(n / 256) + "." + std::to_string(n % 256) + ":1";
  };
  // 2,000 addresses guess twice each, under their own limits.
  for (int i = 0; i < 4000; ++i) {
    clock_->advanceMs(5);
    EXPECT_EQ(attempt(address(i % 2000), "guess " + std::to_string(i)), 412);
  }
  EXPECT_EQ(attempt("ipv4:192.168.7.8:1", kPassword), 412);  // not even the right password, meanwhile
  clock_->advanceMs(AuthThrottle::Policy().lockoutAllMs + 1000);
  EXPECT_EQ(attempt("ipv4:192.168.7.8:1", kPassword), 200);
  dispatch::MainLoop::runUntilIdle();
}

// A peer that keeps trying while it is locked out, from one address and then from many, is told of in a
// few lines, not one a try.
TEST_F(ServerHandlers, RefusedSignInsFloodingInAreToldOncePerAddress) {
  LogCapture logs;
  ServerResponseMaker maker;
  auto attempt = [&](const std::string& peer) {
    return code(maker.auth(Json{{"network_id", network->identifier()},
                                {"device_id", "X"},
                                {"device_name", "X"},
                                {"password", "guess"},
                                {"peer", peer}}));
  };
  auto refusals = [] {
    int count = 0;
    for (const std::string& line : LogCapture::take()) count += line.find("refused") != std::string::npos;
    return count;
  };
  for (int i = 0; i < 1000; ++i) {
    clock_->advanceMs(5);
    EXPECT_EQ(attempt("ipv4:10.0.0.7:" + std::to_string(40000 + i)), 412);
  }
  EXPECT_EQ(refusals(), 1);
  for (int i = 0; i < 4000; ++i) {
    clock_->advanceMs(5);
    EXPECT_EQ(attempt("ipv4:10.2." + std::to_string(i % 2000 / 256) + "." + std::to_string(i % 256) + ":1"),
              412);
  }
  EXPECT_LE(refusals(), 1 + 16);
  dispatch::MainLoop::runUntilIdle();
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

// A token stands for the password it was given for: after the serving user changes the password, every
// token issued before is refused and the devices must sign in with the new one. Saving the same password
// again changes nothing.
TEST_F(ServerHandlers, APasswordChangeEndsEveryTokenIssuedBeforeIt) {
  const std::string a = join("A");
  const std::string b = join("B");
  CreatedDataSyncStore::shared().updateWithIdentifier(network->identifier(), "", kPassword);
  EXPECT_EQ(code(getChunks(a, 1)), 200);

  CreatedDataSyncStore::shared().updateWithIdentifier(network->identifier(), "", "a new password");
  EXPECT_TRUE(network->authorizedDevices().empty());
  for (const std::string& token : {a, b}) EXPECT_EQ(code(getChunks(token, 1)), 401);
  EXPECT_EQ(code(auth("A")), 412);
  Json again = auth("A", "a new password");
  ASSERT_EQ(code(again), 200);
  EXPECT_EQ(code(getChunks(jsonString(again, "access_token"), 1)), 200);
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
  EXPECT_DOUBLE_EQ(reply["timestamp"].get<double>(),
                   clock_->now() - ServerResponseMaker::kFirstSyncMarginSeconds);
  ASSERT_NE(stored("from A"), nullptr);
  EXPECT_EQ(stored("from A")->rich(), std::nullopt);  // a first sync takes no rich text
  EXPECT_EQ(recentContexts().front(), "from A");
  EXPECT_FALSE(engine().tabDirectory()->clipboardTab()->newArrivedAnimation());

  // A later poll ignores whatever records it carries.
  EXPECT_EQ(code(getChunks(token, 1, Json::array({wireRecord("ignored", "1700000060.000000")}))), 200);
  EXPECT_EQ(stored("ignored"), nullptr);
}

// The history list shows what a first sync or a push merged, also into a history that was empty (when
// a first sync answers nothing).
TEST_F(ServerHandlers, TheHistoryListIsRefreshedWhenRecordsWereMerged) {
  int refreshes = 0;
  SyncWindowHooks::setRefreshHistoryList([&] { ++refreshes; });
  const std::string token = join("A");
  struct Step {
    const char* what;
    std::function<Json()> call;
    int refreshes;
  };
  const Step steps[] = {
      {"a first sync with nothing either side", [&] { return getChunks(token, 0); }, 0},
      {"a first sync into an empty history",
       [&] { return getChunks(token, 0, Json::array({wireRecord("from A", "1700000050.000000")})); }, 1},
      {"a poll that brings nothing", [&] { return getChunks(token, clock_->now() + 1); }, 0},
      {"a push", [&] { return sendChunks(token, Json::array({wireRecord("pushed", "1700000060.0")})); }, 1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    refreshes = 0;
    EXPECT_EQ(code(step.call()), 200);
    dispatch::MainLoop::runUntilIdle();
    EXPECT_EQ(refreshes, step.refreshes);
  }
}

// A peer's text is kept as a copy made here would be: cut to the longest text kept, so the same long
// text arriving again finds its record; and one call takes a bounded number of records.
TEST_F(ServerHandlers, ReceivedTextsAreCutAndOneCallIsBounded) {
  const std::string token = join("A");
  VLConfig::shared().setIntegerValueOfKey(VLConfig::kMaxTextLength, 5000);
  const std::string huge(10 << 20, 'x');
  struct Case {
    const char* what;
    std::function<Json()> call;
  };
  const Case cases[] = {
      {"pushed", [&] { return sendChunks(token, Json::array({wireRecord(huge, "1700000100.0")})); }},
      {"pushed again", [&] { return sendChunks(token, Json::array({wireRecord(huge, "1700000200.0")})); }},
      {"in a first sync",
       [&] { return getChunks(token, 0, Json::array({wireRecord(huge, "1700000300.0")})); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(code(c.call()), 200);
    EXPECT_EQ(recordCount(), 1u);
    auto kept = stored(std::string(5000, 'x'));
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->context().size(), 5000u);
  }
  EXPECT_EQ(stored(std::string(5000, 'x'))->timestamp(), "1700000300.0");

  Json batch = Json::array();
  for (int i = 0; i < 1001; ++i) batch.push_back(wireRecord("batch " + std::to_string(i), "1700000000.0"));
  EXPECT_EQ(code(sendChunks(token, batch)), 500);
  EXPECT_EQ(recordCount(), 1u);
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
