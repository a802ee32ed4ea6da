#include <atomic>

#include "SyncFixture.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Url.h"

namespace vl::test {
namespace {

std::string pngOfSize(std::size_t size) {
  std::string data = "\x89PNG\r\n\x1a\n";
  data.reserve(size);
  for (std::size_t i = data.size(); i < size; ++i)
    data.push_back(static_cast<char>((i * 131 + i / 7) & 0xff));
  return data;
}

std::string imageSigOf(const Json& sendChunksReply) {
  const Json& sigs = sendChunksReply["sigs"];
  return sigs.is_array() && sigs.size() == 1 ? sigs[0].get<std::string>() : std::string();
}

using ImageTransfer = SyncServerFixture;

TEST_F(ImageTransfer, ALargeImageAnswersLaterWhileItArrivesThenLandsInTheForeverFolder) {
  const std::string token = join("A");
  const std::string sig = imageSigOf(
      sendChunks(token, Json::array({wireRecord("holiday", "1700000000.0",
                                                Json{{"image", "/home/peer/Pictures/pic%20one.png"}})})));
  ASSERT_FALSE(sig.empty());
  EXPECT_EQ(download(token, sig).code, 601);

  // Asked again from the server's own loop once the first of the three slices is in.
  std::atomic<int> midway{0};
  Observation watch = NotificationCenter::defaultCenter().observe(
      FileTransferEntity::kDidUpdate, nullptr, [&](const Notification& note) {
        if (note.userInfo.value("received", 0) == 1) {
          midway = code(handler->getMediameta(Json{{"access_token", token}, {"chunk_sig", sig}}));
        }
      });
  const std::string image = pngOfSize(7000000);
  EXPECT_EQ(code(upload(token, sig, image)), 200);
  EXPECT_EQ(midway.load(), 601);

  EXPECT_EQ(files::readFile(inForever("pic one.png")), image);
  EXPECT_EQ(jsonString(*stored("holiday", Json{{"image", "/home/peer/Pictures/pic%20one.png"}})->json(),
                       "forever_image"),
            inForever("pic%20one.png"));
  EXPECT_EQ(FileTransferCenter::defaultCenter().getEntity(sig), nullptr);
  Downloaded served = download(token, sig);
  EXPECT_EQ(served.code, 200);
  EXPECT_TRUE(served.data == image);
}

TEST_F(ImageTransfer, ReceivedNamesStayInsideTheForeverFolderAndNeverReplaceAFile) {
  const std::string token = join("A");
  ASSERT_TRUE(files::createDirectories(forever()));
  ASSERT_TRUE(files::atomicWrite(inForever("taken.png"), "another record's image"));
  const std::string appFolder = files::deletingLastPathComponent(forever());
  const auto homeBefore = files::listDirectory(home()).names;
  const auto appBefore = files::listDirectory(appFolder).names;
  struct Row {
    const char* senderPath;
    const char* file;  // "" for the signature's name
  };
  const Row rows[] = {
      {"/home/peer/..%2Fx.png", "x.png"}, {"/home/peer/..%2F..%2F..%2Fescape.png", "escape.png"},
      {"../../up.png", "up.png"},         {"/home/peer/%2E%2E", ""},
      {"/home/peer/a%00b.png", ""},       {"/home/peer/taken.png", "taken-2.png"},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.senderPath);
    const std::string context = "image " + std::to_string(++n);
    const Json json{{"image", row.senderPath}};
    const std::string sig =
        imageSigOf(sendChunks(token, Json::array({wireRecord(context, "1700000000.0", json)})));
    ASSERT_FALSE(sig.empty());
    const std::string bytes = pngOfSize(100 + n);
    EXPECT_EQ(code(upload(token, sig, bytes)), 200);
    const std::string name = *row.file ? row.file : sig + ".png";
    EXPECT_EQ(files::readFile(inForever("") + name), bytes);
    EXPECT_EQ(percentDecode(jsonString(*stored(context, json)->json(), "forever_image")),
              inForever("") + name);
  }
  EXPECT_EQ(files::readFile(inForever("taken.png")), "another record's image");
  EXPECT_EQ(files::listDirectory(home()).names, homeBefore);
  EXPECT_EQ(files::listDirectory(appFolder).names, appBefore);
}

TEST_F(ImageTransfer, UploadsNeedAnAdmittedToken) {
  const std::string token = join("A");
  const Json json{{"image", "/home/peer/secret.png"}};
  const std::string sig =
      imageSigOf(sendChunks(token, Json::array({wireRecord("secret", "1700000000.0", json)})));
  ASSERT_FALSE(sig.empty());
  EXPECT_EQ(code(upload("forged-token", sig, pngOfSize(5000))), 401);
  EXPECT_FALSE(files::exists(inForever("secret.png")));
  EXPECT_FALSE(stored("secret", json)->json()->contains("forever_image"));
  EXPECT_EQ(download(token, sig).code, 601);  // still waiting for its owner
  // None of the forged slices counted: the owner's own upload still comes out whole.
  const std::string image = pngOfSize(4000000);
  EXPECT_EQ(code(upload(token, sig, image)), 200);
  EXPECT_EQ(files::readFile(inForever("secret.png")), image);
}

// The registry on its own, fed the way the handlers feed it.
class TransferRegistry : public SyncStoreFixture {
 public:
  std::string imageRecord(const std::string& context) {
    return engine()
        .append(context, std::nullopt, Json{{"image", "/home/peer/" + context + ".png"}}, kClip)
        ->sig();
  }
  std::vector<std::string> heard;
  std::vector<Observation> observations;

  void listen() {
    for (const char* name : {FileTransferEntity::kSetMaxValue, FileTransferEntity::kDidUpdate,
                             FileTransferEntity::kEndProcess}) {
      observations.push_back(
          NotificationCenter::defaultCenter().observe(name, nullptr, [this](const Notification& n) {
            heard.push_back(n.name + (n.userInfo.is_object() ? " " + n.userInfo.dump() : ""));
          }));
    }
  }
  FileTransferCenter& center() { return FileTransferCenter::defaultCenter(); }
};

TEST_F(TransferRegistry, AOneSliceImageReportsMaxUpdateAndEndInOrder) {
  const std::string sig = imageRecord("small");
  center().registerChunkSig(sig);
  listen();
  EXPECT_TRUE(center().appendSlice(sig, 1, "\x89PNG tiny"));
  EXPECT_EQ(center().end(sig), FileTransferCenter::Ended::Stored);
  EXPECT_EQ(heard, (std::vector<std::string>{"kNotificationFileTransferEntitySetMaxValue {\"max_value\":1}",
                                             "kNotificationFileTransferEntityDidUpdate {\"received\":1}",
                                             "kNotificationFileTransferEntityEndProcess"}));
  EXPECT_EQ(files::readFile(inForever("small.png")), "\x89PNG tiny");
}

TEST_F(TransferRegistry, StreamsThatBreakTheirWordStoreNothing) {
  struct Row {
    const char* what;
    std::int64_t announced;
    int slices;
  };
  const Row rows[] = {
      {"ends short", 3, 2},
      {"more slices than announced", 1, 2},
      {"announces too many", FileTransferEntity::kMaxSlices + 1, 1},
      {"announces none", 0, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string sig = imageRecord(row.what);
    center().registerChunkSig(sig);
    heard.clear();
    listen();
    // Slices past what was announced may be refused: the end is what each row checks.
    for (int i = 0; i < row.slices; ++i) (void)center().appendSlice(sig, row.announced, "\x89PNG part");
    EXPECT_EQ(center().end(sig), FileTransferCenter::Ended::NotStored);
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), FileTransferEntity::kEndProcess);  // progress views still end
    EXPECT_FALSE(engine().getChunkBySig(sig, kClip)->json()->contains("forever_image"));
    EXPECT_FALSE(files::exists(inForever("") + row.what + ".png"));
    observations.clear();
  }
}

TEST_F(TransferRegistry, ARegistrationWithoutSlicesExpiresAfterTwoMinutes) {
  const std::string sig = imageRecord("never");
  center().registerChunkSig(sig);
  listen();
  clock_->advanceMs(FileTransferCenter::kIdleExpiryMs - 1000);
  EXPECT_NE(center().getEntity(sig), nullptr);
  clock_->advanceMs(2000);
  EXPECT_EQ(center().getEntity(sig), nullptr);
  EXPECT_EQ(heard, (std::vector<std::string>{FileTransferEntity::kEndProcess}));
}

}  // namespace
}  // namespace vl::test
