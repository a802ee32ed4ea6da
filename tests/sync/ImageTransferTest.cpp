#include <grpcpp/grpcpp.h>
#include <malloc.h>

#include <atomic>
#include <chrono>
#include <functional>

#include "SyncFixture.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Url.h"
#include "sync/transfer/ReceivedImageFile.h"
#include "sync_network.grpc.pb.h"

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

syncnetwork::SendMediametaRequest slice(const std::string& token, const std::string& sig, int total,
                                        const std::string& data) {
  syncnetwork::SendMediametaRequest request;
  request.set_access_token(token);
  request.set_chunk_sig(sig);
  request.set_total_packages(total);
  request.set_data(data);
  return request;
}

class ImageTransfer : public SyncServerFixture {
 public:
  // A peer's upload stream as it stands on the wire, which may differ from what the project's client
  // sends: slices kept open until finish().
  struct Stream {
    grpc::ClientContext context;
    syncnetwork::SendMediametaResponse response;
    std::unique_ptr<grpc::ClientWriter<syncnetwork::SendMediametaRequest>> writer;
    syncnetwork::SendMediametaResponse finish() {
      writer->WritesDone();
      EXPECT_TRUE(writer->Finish().ok());
      return response;
    }
  };
  syncnetwork::SyncNetworkService::Stub& stub() {
    if (!stub_) {
      auto channel = grpc::CreateChannel("127.0.0.1:" + std::to_string(server->boundPort()),
                                         grpc::InsecureChannelCredentials());
      stub_ = syncnetwork::SyncNetworkService::NewStub(channel);
    }
    return *stub_;
  }
  std::unique_ptr<Stream> open(const std::vector<syncnetwork::SendMediametaRequest>& slices) {
    auto stream = std::make_unique<Stream>();
    stream->writer = stub().SendMediameta(&stream->context, &stream->response);
    for (const auto& request : slices) EXPECT_TRUE(stream->writer->Write(request));
    return stream;
  }
  syncnetwork::SendMediametaResponse rawUpload(const std::vector<syncnetwork::SendMediametaRequest>& slices) {
    return open(slices)->finish();
  }
  // An image record pushed by the device of `token`; the sig the serving device asks the image for.
  std::string pushImage(const std::string& token, const std::string& context) {
    return imageSigOf(
        sendChunks(token, Json::array({wireRecord(context, "1700000000.0",
                                                  Json{{"image", "/home/peer/" + context + ".png"}})})));
  }

 private:
  std::unique_ptr<syncnetwork::SyncNetworkService::Stub> stub_;
};

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

// How a joined device sends an image it cannot read: a stream without a single message, so without a
// token either. It is answered as done, and nothing is stored or given up for it.
TEST_F(ImageTransfer, AStreamWithoutSlicesIsAnsweredSucceedAndStoresNothing) {
  const std::string token = join("A");
  const std::string sig = pushImage(token, "coming");
  ASSERT_FALSE(sig.empty());
  EXPECT_EQ(code(upload("", "", "")), 200);
  const syncnetwork::SendMediametaResponse answer = rawUpload({});
  EXPECT_EQ(answer.status().code(), 200);
  EXPECT_EQ(answer.chunk_sig(), "");
  EXPECT_EQ(download(token, sig).code, 601);  // its own upload is still awaited
  EXPECT_FALSE(files::exists(inForever("coming.png")));
}

// An image that was not stored is never answered "Succeed.": the joined device sends it again on 601.
TEST_F(ImageTransfer, AnUploadThatIsNotStoredIsAnsweredLaterAndCanComeAgain) {
  const std::string token = join("A");
  // The peer's stream is an admitted one, so the gate lets it stay while the rows hold it open.
  grpc::ClientContext poll;
  syncnetwork::GetChunksRequest request;
  request.set_access_token(token);
  request.set_timestamp(1);
  syncnetwork::GetChunksResponse polled;
  ASSERT_TRUE(stub().GetChunks(&poll, request, &polled).ok());
  ASSERT_EQ(polled.status().code(), 200);

  const std::string image = pngOfSize(5000);
  struct Row {
    const char* what;
    // Sends the image of `sig` the row's way; the answer's code.
    std::function<int(const std::string& sig)> send;
    bool wanted;  // the sig was asked for, so the image can come again
  };
  const Row rows[] = {
      {"a slice past the image's size",
       [&](const std::string& sig) {
         return rawUpload({slice(token, sig, 1, image), slice(token, sig, 1, image)}).status().code();
       },
       true},
      {"a signature never registered",
       [&](const std::string&) { return code(upload(token, "0123456789abcdef0123456789abcdef", image)); },
       false},
      {"a signature no longer asked for",
       [&](const std::string& sig) {
         EXPECT_EQ(code(upload(token, sig, image)), 200);
         // A second image under a record that has its own is not taken, now or later.
         const int answer = code(upload(token, sig, pngOfSize(6000)));
         EXPECT_EQ(FileTransferCenter::defaultCenter().getEntity(sig), nullptr);
         EXPECT_TRUE(download(token, sig).data == image);
         return answer;
       },
       false},
      {"too many images arriving at once",
       [&](const std::string& sig) {
         std::vector<std::unique_ptr<Stream>> others;
         for (std::size_t i = 0; i < FileTransferCenter::kMaxReceiving; ++i) {
           const std::string other = pushImage(token, "other " + std::to_string(i));
           others.push_back(open({slice(token, other, 2, "\x89PNG half")}));
           const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
           while (FileTransferCenter::defaultCenter().getEntity(other)->byteCount() == 0 &&
                  std::chrono::steady_clock::now() < deadline) {
             dispatch::MainLoop::runUntilIdle();
           }
         }
         const int answer = code(upload(token, sig, image));
         for (auto& other : others) EXPECT_EQ(other->finish().status().code(), 601);  // cut short
         return answer;
       },
       true},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string context = "picture " + std::to_string(++n);
    const std::string sig = pushImage(token, context);
    ASSERT_FALSE(sig.empty());
    EXPECT_EQ(row.send(sig), 601);
    if (!row.wanted) continue;
    EXPECT_FALSE(files::exists(inForever(context + ".png")));
    EXPECT_EQ(download(token, sig).code, 601);  // still awaited
    EXPECT_EQ(code(upload(token, sig, image)), 200);
    EXPECT_TRUE(files::readFile(inForever(context + ".png")) == image);
  }
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

std::size_t heapInUse() {
  const struct mallinfo2 info = ::mallinfo2();
  return info.uordblks + info.hblkhd;
}

// A peer names the slice count; one slice that announces the most an image may have must not make the
// receiver take room for all of them. And the images arriving at once have a cap, in count and in bytes.
TEST_F(TransferRegistry, ATransferHoldsWhatArrivedAndTheImagesArrivingAtOnceAreCapped) {
  const std::string big = imageRecord("big");
  center().registerChunkSig(big);
  const std::string full(FileTransferEntity::kSliceBytes, 'x');
  const std::size_t before = heapInUse();
  ASSERT_TRUE(center().appendSlice(big, FileTransferEntity::kMaxSlices, full));
  EXPECT_LT(heapInUse() - before, 2 * full.size());
  EXPECT_EQ(center().bytesHeld(), full.size());
  center().resetForTesting();

  using Slice = FileTransferCenter::Slice;
  struct Row {
    const char* what;
    std::size_t maxReceiving, maxBytes;
    std::size_t others;  // transfers already receiving one slice each
    std::size_t slices;  // slices the last one then sends
    Slice last;
  };
  const std::string part(1000, 'p');
  const Row rows[] = {
      {"room for one more", 4, 100000, 3, 2, Slice::Taken},
      {"a fifth image while four arrive", 4, 100000, 4, 1, Slice::Busy},
      {"more bytes than may wait at once", 4, 4 * part.size(), 2, 3, Slice::Busy},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    center().resetForTesting();
    center().setLimitsForTesting(row.maxReceiving, row.maxBytes);
    for (std::size_t i = 0; i < row.others; ++i) {
      const std::string other = imageRecord("other " + std::to_string(++n));
      center().registerChunkSig(other);
      ASSERT_EQ(center().takeSlice(other, 2, part), Slice::Taken);
    }
    const std::string sig = imageRecord("last " + std::to_string(++n));
    center().registerChunkSig(sig);
    Slice outcome = Slice::Taken;
    for (std::size_t i = 0; i < row.slices && outcome == Slice::Taken; ++i)
      outcome = center().takeSlice(sig, 4, part);
    EXPECT_EQ(outcome, row.last);
    // A transfer that was turned away holds nothing.
    EXPECT_EQ(center().bytesHeld(), part.size() * (row.others + (row.last == Slice::Taken ? row.slices : 0)));
  }
}

// Received bytes are named the same way whether they waited in a file without a name (linked into place,
// or copied out where the process's descriptors have no folder to link from) or, where the file system
// has none, in memory: the sender's name, else the next free numbered one, never over a file.
TEST(ReceivedImageFile, EveryWayOfStoringTakesAFreeNameAndLeavesNothingElse) {
  struct Way {
    const char* what;
    std::function<std::optional<std::string>(const std::string& folder, const std::string& name,
                                             const std::vector<std::string>& blocks)>
        store;
  };
  const auto unnamedFile = [](const std::string& folder, const std::string& name,
                              const std::vector<std::string>& blocks) {
    const int fd = ReceivedImageFile::openUnnamed(folder);
    EXPECT_GE(fd, 0);
    for (const std::string& block : blocks)
      EXPECT_EQ(::write(fd, block.data(), block.size()), ssize_t(block.size()));
    std::optional<std::string> path = ReceivedImageFile::link(folder, name, fd);
    ::close(fd);
    return path;
  };
  const Way ways[] = {
      {"unnamed file", unnamedFile},
      {"unnamed file without /proc",
       [&](const std::string& folder, const std::string& name, const std::vector<std::string>& blocks) {
         ReceivedImageFile::setDescriptorFolderForTesting(folder + "/no-proc/self/fd");
         std::optional<std::string> path = unnamedFile(folder, name, blocks);
         ReceivedImageFile::setDescriptorFolderForTesting("");
         return path;
       }},
      {"memory", &ReceivedImageFile::write},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.what);
    TempDir folder("vl-received");
    ASSERT_TRUE(files::atomicWrite(folder / "shot.png", "another record's image"));
    ASSERT_EQ(::symlink("/nowhere", (folder / "shot-2.png").c_str()), 0);
    // Past one block of a copy, so a copy that stops after its first block shows.
    const std::vector<std::string> blocks = {"\x89PNG", std::string(70000, 'a'), pngOfSize(1100000), "end"};
    std::optional<std::string> written = way.store(folder.path(), "shot.png", blocks);
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, folder / "shot-3.png");
    const std::optional<std::string> content = files::readFile(*written);
    const std::string whole = blocks[0] + blocks[1] + blocks[2] + blocks[3];
    ASSERT_TRUE(content);
    EXPECT_EQ(content->size(), whole.size());
    EXPECT_TRUE(*content == whole);
    EXPECT_EQ(files::readFile(folder / "shot.png"), "another record's image");
    EXPECT_EQ(files::listDirectory(folder.path()).names,
              (std::vector<std::string>{"shot-2.png", "shot-3.png", "shot.png"}));
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
