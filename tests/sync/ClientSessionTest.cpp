#include <random>

#include "ClientFixture.h"
#include "VLEngine/doc/record/JsonDataHelper.h"
#include "VLEngine/image/ImageCodec.h"
#include "capture/CaptureHooks.h"
#include "core/VLDevice.h"
#include "platform/foundation/Crypto.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/NotificationCenter.h"
#include "support/SyncPeer.h"

namespace vl::test {
namespace {

constexpr const char* kPeerNetwork = "Peer network";

// A PNG of noise, so it does not compress: about width * height * 4 bytes.
std::string noisePng(int width, int height, unsigned seed) {
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
  std::mt19937 random(seed);
  for (auto& byte : rgba) byte = static_cast<std::uint8_t>(random());
  std::optional<std::string> png = ImageCodec::encodePNG(
      ui::Image(ui::Size{double(width), double(height)}, width, height, std::move(rgba)));
  return png.value_or("");
}

// This device joined to a vl-sync-peer, as the join screens do it: connect, sign in, make the network
// current (which renews the session).
class ClientSessionTest : public ClientFixture {
 public:
  void startPeer(const std::vector<std::string>& environment = {}) {
    peer.emplace(environment);
    ASSERT_TRUE(peer->started()) << peer->errors();
  }

  void join() {
    if (!peer) startPeer();
    ASSERT_TRUE(peer->started());
    SyncNetworkClientWrapper& wrapper = SyncNetworkClientWrapper::shared();
    wrapper.connectWithIp("127.0.0.1", peer->port());
    auto token = std::make_shared<std::string>();
    auto answered = std::make_shared<bool>(false);
    wrapper.auth(Json{{"network_id", peer->networkId()},
                      {"device_id", VLDevice::uuid()},
                      {"device_name", "joined"},
                      {"password", "peer password"}},
                 [=](Json reply) {
                   dispatch::Queue::main()->async([=] {
                     *token = jsonString(reply, "access_token");
                     *answered = true;
                   });
                 });
    ASSERT_TRUE(waitUntil([&] { return *answered; }));
    ASSERT_FALSE(token->empty());
    ClientSyncNetworkBean bean = ClientSyncNetworkBean::ofCharacteristic(peer->networkId(), kPeerNetwork,
                                                                         "peer", "127.0.0.1", peer->port());
    bean.accessToken = *token;
    JoinDataSyncStore::shared().addOrUpdate(bean);
    JoinDataSyncStore::shared().setCurrentJoin(bean);
    ASSERT_TRUE(waitUntil([] { return session().state() == ClientSession::State::Polling; }));
  }

  static ClientSession& session() { return ClientSession::shared(); }

  // A record copied on this device, handed to sync as capture does.
  static std::shared_ptr<Vellisto_Chunk> copyHere(const std::string& text,
                                                  const Json& json = Json::object()) {
    auto chunk = engine().append(text, std::nullopt, json, kClip);
    CaptureHooks::syncChunk(chunk);
    return chunk;
  }

  std::string inFileFolder(const std::string& name, const std::string& bytes) {
    const std::string folder = files::joinPath(engine().filePath(), "2024-01-01");
    EXPECT_TRUE(files::createDirectories(folder));
    const std::string path = files::joinPath(folder, name);
    EXPECT_TRUE(files::atomicWrite(path, bytes));
    return path;
  }

  static std::string md5OfImage(const std::shared_ptr<Vellisto_Chunk>& chunk) {
    if (!chunk) return {};
    const std::optional<std::string> path = JsonDataHelper::stringOf(chunk->json(), "forever_image");
    std::optional<std::string> bytes = path ? files::readFile(*path) : std::nullopt;
    return bytes ? md5Hex(*bytes) : std::string();
  }

  Json ask(const Json& command) { return peer->ask(command); }

  std::optional<SyncPeer> peer;
};

TEST_F(ClientSessionTest, TextsGoEachWayWithinThreeSecondsThoughTheServingClockIsAnHourBehind) {
  startPeer({"VL_PEER_CLOCK_OFFSET=-3600"});
  join();
  // The polls ask from the serving device's own time, not from ours an hour ahead of it.
  EXPECT_LT(session().timestamp(), Clock::current().now() - 3000);

  auto mine = copyHere("copied on the joined device");
  EXPECT_TRUE(
      jsonBool(ask({{"cmd", "wait_text"}, {"text", "copied on the joined device"}, {"ms", 3000}}), "ok"));
  // Stamped with this device before it went, here and there.
  Json there = ask({{"cmd", "record"}, {"text", "copied on the joined device"}});
  EXPECT_EQ(jsonString(there["json"], "sync_device_id"), VLDevice::uuid());
  EXPECT_EQ(JsonDataHelper::stringOf(mine->json(), "sync_device_id"), VLDevice::uuid());

  ASSERT_TRUE(jsonBool(ask({{"cmd", "copy"}, {"text", "copied on the serving device"}}), "ok"));
  EXPECT_TRUE(waitUntil([] { return stored("copied on the serving device") != nullptr; }, 3000));
}

// Copies made on the serving device while this one was not polling (asleep, away) all arrive, however
// many, and whichever of the two clocks runs ahead, with a copy pushed from here among them.
TEST_F(ClientSessionTest, EveryCopyMadeThereBetweenTwoPollsArrivesWhicheverClockIsAhead) {
  for (const char* offset : {"2", "-2"}) {
    SCOPED_TRACE(std::string("the serving clock is off by ") + offset + " s");
    ClientSession::invalidate();
    peer.reset();
    startPeer({std::string("VL_PEER_CLOCK_OFFSET=") + offset});
    join();
    // Something came: the next poll asks from the serving device's time of that reply.
    ASSERT_TRUE(jsonBool(ask({{"cmd", "copy"}, {"text", std::string("first there ") + offset}}), "ok"));
    ASSERT_TRUE(waitUntil([&] { return stored(std::string("first there ") + offset) != nullptr; }));

    session().stopPolling();
    std::vector<std::string> copied;
    for (int i = 0; i < 30; ++i) {
      copied.push_back("copied there " + std::to_string(i) + " " + offset);
      ASSERT_TRUE(jsonBool(ask({{"cmd", "copy"}, {"text", copied.back()}}), "ok"));
      if (i == 14) {
        const std::string here = std::string("copied here between ") + offset;
        copyHere(here);
        ASSERT_TRUE(jsonBool(ask({{"cmd", "wait_text"}, {"text", here}, {"ms", 10000}}), "ok"));
      }
    }
    session().startPolling();
    EXPECT_TRUE(waitUntil([&] {
      return std::all_of(copied.begin(), copied.end(), [](const std::string& text) { return stored(text); });
    }));
    for (const std::string& text : copied) EXPECT_NE(stored(text), nullptr) << text;
  }
}

TEST_F(ClientSessionTest, SevenMegabyteImagesGoEachWayOneAfterA601) {
  join();
  const std::string mine = noisePng(1400, 1300, 1);
  ASSERT_GT(mine.size(), 7'000'000u);
  const std::string path = inFileFolder("mine.png", mine);
  auto picture = copyHere("my picture", Json{{"image", path}});
  Json there = peer->ask({{"cmd", "wait_image"}, {"sig", picture->sig()}, {"ms", 30000}});
  EXPECT_TRUE(jsonBool(there, "ok")) << there.dump();
  EXPECT_EQ(jsonString(there, "image_md5"), md5Hex(mine));

  const std::string theirs = noisePng(1400, 1300, 2);
  TempDir outside("vl-sync-image");
  ASSERT_TRUE(files::atomicWrite(outside / "theirs.png", theirs));
  Json made = ask({{"cmd", "image"},
                   {"text", "their picture"},
                   {"from", outside / "theirs.png"},
                   {"name", "theirs.png"},
                   {"later", true}});
  ASSERT_TRUE(jsonBool(made, "ok"));
  const std::string sig = jsonString(made, "sig");
  EXPECT_TRUE(
      waitUntil([&] { return md5OfImage(engine().getChunkBySig(sig, kClip)) == md5Hex(theirs); }, 30000));
  EXPECT_EQ(jsonInteger(ask({{"cmd", "counts"}}), "later"), 1);
}

// The serving device did not store the image (too many arriving at once): it answers 601, and this
// device sends the image again a moment later instead of taking it as arrived.
TEST_F(ClientSessionTest, AnUploadTheServingDeviceDidNotStoreIsSentAgain) {
  join();
  ASSERT_TRUE(jsonBool(ask({{"cmd", "refuse_uploads"}, {"times", 2}}), "ok"));
  const std::string png = noisePng(64, 64, 6);
  auto picture = copyHere("sent thrice", Json{{"image", inFileFolder("thrice.png", png)}});
  Json there = ask({{"cmd", "wait_image"}, {"sig", picture->sig()}, {"ms", 20000}});
  EXPECT_TRUE(jsonBool(there, "ok")) << there.dump();
  EXPECT_EQ(jsonString(there, "image_md5"), md5Hex(png));
  EXPECT_EQ(jsonInteger(ask({{"cmd", "counts"}})["uploads"], picture->sig()), 3);  // one slice each time
}

TEST_F(ClientSessionTest, TheFirstSyncUploadsWhatTheServingDeviceAsksForThoughNoRecordsCameBack) {
  // An image copied here before joining goes with the first sync; the serving device, which has nothing
  // to send back, asks for its bytes.
  const std::string png = noisePng(8, 8, 4);
  auto before = engine().append("copied before joining", std::nullopt,
                                Json{{"image", inFileFolder("before.png", png)}}, kClip);
  recentList()->append({before});
  join();
  Json there = ask({{"cmd", "wait_image"}, {"sig", before->sig()}, {"ms", 10000}});
  EXPECT_TRUE(jsonBool(there, "ok")) << there.dump();
  EXPECT_EQ(jsonString(there, "image_md5"), md5Hex(png));
}

TEST_F(ClientSessionTest, AnImageThatStaysLaterIsAskedForAFewTimesOnly) {
  join();
  TempDir outside("vl-sync-image");
  ASSERT_TRUE(files::atomicWrite(outside / "never.png", noisePng(8, 8, 5)));
  Json made = ask({{"cmd", "image"},
                   {"text", "never ready"},
                   {"from", outside / "never.png"},
                   {"name", "never.png"},
                   {"later", 1000}});
  ASSERT_TRUE(jsonBool(made, "ok"));
  const std::string sig = jsonString(made, "sig");
  // The first answer and one per retry; then the transfer is given up and shows no progress any more.
  EXPECT_TRUE(waitUntil([&] {
    return jsonInteger(ask({{"cmd", "counts"}}), "later") == fastTiming().maxLaterRetries + 1 &&
           !FileTransferCenter::defaultCenter().getEntity(sig);
  }));
  EXPECT_EQ(jsonInteger(ask({{"cmd", "counts"}}), "later"), fastTiming().maxLaterRetries + 1);
}

TEST_F(ClientSessionTest, ADisconnectByTheServingDeviceStopsThePollsAndSaysGoodbye) {
  join();
  ASSERT_TRUE(jsonBool(ask({{"cmd", "disconnect_all"}}), "ok"));
  EXPECT_TRUE(waitUntil([] { return ClientSession::currentSession() == nullptr; }));
  EXPECT_FALSE(session().isPolling());
  EXPECT_TRUE(jsonBool(ask({{"cmd", "wait_devices"}, {"count", 0}, {"ms", 5000}}), "ok"));
  EXPECT_TRUE(waitUntil([] { return !JoinDataSyncStore::shared().currentJoin(); }));
  EXPECT_EQ(alerts(), std::vector<std::string>{localized("data.sync.network.serverDisconnect")});
}

TEST_F(ClientSessionTest, AServingDeviceThatDiesEndsTheSessionAfterTwoFailedProbes) {
  join();
  bool closed = false;
  Observation observed = NotificationCenter::defaultCenter().observe(
      "kNotificationSyncNetworkClose", nullptr, [&](const Notification&) { closed = true; });
  peer->kill();
  EXPECT_TRUE(waitUntil([&] { return closed; }));
  EXPECT_EQ(ClientSession::currentSession(), nullptr);
  EXPECT_FALSE(session().isPolling());
  // The probe's verdict, not a failed poll's: no goodbye was tried, the bar closed on the screen only.
  EXPECT_EQ(alerts(),
            std::vector<std::string>{localizedFormat("data.sync.network.serverWillClose", kPeerNetwork)});
  EXPECT_EQ(screenCalls(), (std::vector<std::string>{"alert", "closeSyncBarOnlyOnUI"}));
}

TEST_F(ClientSessionTest, LeavingSaysGoodbyeAndCompletesEvenWhenTheServingDeviceIsGone) {
  join();
  bool completed = false;
  session().bye([&] { completed = true; });
  EXPECT_TRUE(waitUntil([&] { return completed; }));
  EXPECT_TRUE(jsonBool(ask({{"cmd", "wait_devices"}, {"count", 0}, {"ms", 5000}}), "ok"));
  EXPECT_FALSE(JoinDataSyncStore::shared().currentJoin());
  EXPECT_EQ(ClientSession::currentSession(), nullptr);

  join();
  peer->kill();
  completed = false;
  session().bye([&] { completed = true; });
  EXPECT_TRUE(waitUntil([&] { return completed; }));
  EXPECT_FALSE(JoinDataSyncStore::shared().currentJoin());
}

TEST_F(ClientSessionTest, TheGoodbyeAtQuitIsBoundedWhenTheServingDeviceHangs) {
  join();
  session().syncBye();
  EXPECT_TRUE(jsonBool(ask({{"cmd", "wait_devices"}, {"count", 0}, {"ms", 5000}}), "ok"));

  join();
  // Stopped, its kernel still takes the connection, so the probe passes and the reply never comes.
  peer->pause();
  const auto start = std::chrono::steady_clock::now();
  session().syncBye();
  const double took =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  peer->resume();
  EXPECT_LT(took, 2500);
  EXPECT_EQ(ClientSession::currentSession(), nullptr);
}

TEST_F(ClientSessionTest, AMergedCopyCarriesTheContextsItReplaces) {
  join();
  for (const char* text : {"one", "two", "three"})
    ASSERT_TRUE(jsonBool(ask({{"cmd", "copy"}, {"text", text}}), "ok"));
  auto merged = engine().append("one two three", std::nullopt, Json::object(), kClip);
  CaptureHooks::syncChunkMergingCopyDel(merged, {"one", "two", "three"});
  ASSERT_TRUE(jsonBool(ask({{"cmd", "wait_text"}, {"text", "one two three"}}), "ok"));
  Json there = ask({{"cmd", "record"}, {"text", "one two three"}});
  EXPECT_EQ(jsonString(there["json"], "merging_copy"), "one__MERGING_COPY__two__MERGING_COPY__three");
  for (const char* text : {"one", "two", "three"})
    EXPECT_FALSE(jsonBool(ask({{"cmd", "record"}, {"text", text}}), "found")) << text;
  // Only the pushed copy carries the list; the record here keeps its json.
  EXPECT_FALSE(JsonDataHelper::has(merged->json(), "merging_copy"));
}

TEST_F(ClientSessionTest, AHostileReplyChangesNothingAndUploadsNothing) {
  join();
  TempDir outside("vl-sync-secret");
  const std::string png = noisePng(4, 4, 3);
  ASSERT_TRUE(files::atomicWrite(outside / "secret.png", png));
  auto secret = engine().append("secret", std::nullopt, Json{{"image", outside / "secret.png"}}, kClip);
  auto mine =
      engine().append("inside", std::nullopt, Json{{"image", inFileFolder("inside.png", png)}}, kClip);
  const double before = session().timestamp();

  const std::string at = "1700000000.000000";
  Json reply{
      {"status", {{"code", 200}, {"msg", "Succeed."}}},
      {"timestamp", "nan"},
      {"chunks",
       {wireRecord("an application", at, {{"app", "1"}}), wireRecord("a file", at, {{"file", "/etc/passwd"}}),
        wireRecord("not a time", "nan"), wireRecord("control", at)}},
      {"req_sigs", {secret->sig(), "../../../etc/passwd", mine->sig()}}};
  ASSERT_TRUE(jsonBool(ask({{"cmd", "hostile"}, {"reply", reply}}), "ok"));
  // The one good record of the reply arrives, and the one image of our own folders goes.
  EXPECT_TRUE(waitUntil([] { return stored("control") != nullptr; }));
  EXPECT_TRUE(jsonBool(ask({{"cmd", "wait_upload"}, {"sig", mine->sig()}, {"ms", 10000}}), "ok"));
  for (const char* text : {"an application", "a file", "not a time"})
    EXPECT_EQ(stored(text), nullptr) << text;
  EXPECT_FALSE(ask({{"cmd", "counts"}})["uploads"].contains(secret->sig()));
  EXPECT_EQ(session().timestamp(), before);
  EXPECT_NE(ClientSession::currentSession(), nullptr);
}

TEST_F(ClientSessionTest, APollWaitsForTheOneOutstandingAndItsReplyAfterLeavingIsDropped) {
  join();
  ASSERT_TRUE(jsonBool(ask({{"cmd", "stall"}}), "ok"));
  ASSERT_TRUE(jsonBool(ask({{"cmd", "wait_stalled"}, {"ms", 5000}}), "ok"));
  const ClientSession::PollStats held = session().pollStats();
  EXPECT_TRUE(waitUntil([&] { return session().pollStats().skipped >= held.skipped + 3; }));
  EXPECT_EQ(session().pollStats().sent, held.sent);

  ClientSession::invalidate();
  ASSERT_TRUE(jsonBool(ask({{"cmd", "copy"}, {"text", "too late"}}), "ok"));
  ASSERT_TRUE(jsonBool(ask({{"cmd", "release"}}), "ok"));
  // A later call on the same connection answers after the held poll did.
  bool answered = false;
  SyncNetworkClientWrapper::shared().auth(
      Json{{"network_id", peer->networkId()},
           {"device_id", "x"},
           {"device_name", "x"},
           {"password", "peer password"}},
      [&](Json) { dispatch::Queue::main()->async([&] { answered = true; }); });
  EXPECT_TRUE(waitUntil([&] { return answered; }));
  EXPECT_EQ(stored("too late"), nullptr);
}

}  // namespace
}  // namespace vl::test
