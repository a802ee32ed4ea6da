#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "CaptureTestSupport.h"
#include "VLEngine/image/ImageCodec.h"
#include "capture/CopyEntity.h"
#include "core/notify/VLNotificationCenter.h"
#include "platform/foundation/Url.h"

namespace vl::test {
namespace {

using ClipboardListenerTest = CaptureFixture;

PasteboardItem item(std::initializer_list<std::pair<const char*, std::string>> representations) {
  PasteboardItem out;
  for (const auto& [type, data] : representations) out.setData(type, data);
  return out;
}

TEST_F(ClipboardListenerTest, NothingFromBeforeStartThenTextsTrimmedOfLeadingSpacesAndCut) {
  struct Case {
    long long max;
    std::string copied;
    std::optional<std::string> stored;  // nothing: dropped as invalid
  };
  const std::vector<Case> cases = {
      {5000, "  hello", "hello"},
      {5000, "\n \n lines", "lines"},
      {5000, "\ttab stays", "\ttab stays"},
      {5000, " \r\ncarriage return stays", "\r\ncarriage return stays"},
      {3, "abcdef", "abc"},
      {0, "abcdefgh", "abcdefgh"},
      // U+1F600 is two UTF-16 units: a cut inside it keeps the whole character out.
      {2, "x\xF0\x9F\x98\x80y", "x"},
      {3, "z\xF0\x9F\x98\x80y", "z\xF0\x9F\x98\x80"},
      {5000, " \n  \n", std::nullopt},
  };
  board_->setStringFromOtherApplication("copied before start");
  start();
  wait(1000);
  EXPECT_TRUE(texts().empty());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.copied);
    config().setIntegerValueOfKey(VLConfig::kMaxTextLength, c.max);
    const std::size_t before = records().size();
    const int invalid = LogCapture::count("invalid");
    copy(c.copied);
    if (c.stored) {
      ASSERT_EQ(records().size(), before + 1);
      EXPECT_EQ(texts().back(), *c.stored);
    } else {
      EXPECT_EQ(records().size(), before);
      EXPECT_EQ(LogCapture::count("invalid"), invalid + 1);
    }
  }
}

TEST_F(ClipboardListenerTest, TextsThatDifferOnlyAfterAZeroByteAreKeptWholeAndApart) {
  start();
  const std::vector<std::string> copied = {std::string("same start\0one", 14),
                                           std::string("same start\0two", 14), "same start"};
  for (const auto& text : copied) copy(text);
  EXPECT_EQ(texts(), copied);
  Vellisto_BigDoc::waitForPendingWrites();
  VLEngine::resetForTesting();
  engine().setFolders(home());
  engine().load();
  EXPECT_EQ(texts(), copied);
}

TEST_F(ClipboardListenerTest, ACopyOfAStoredTextMovesItsTimeStampInsteadOfAddingARecord) {
  start();
  copy("one");
  copy("one");
  EXPECT_EQ(texts(), std::vector<std::string>{"one"});
  const double first = records()[0]->timestampValue();

  copy("two");
  wait(5000);
  copy("one");
  EXPECT_EQ(texts(), (std::vector<std::string>{"one", "two"}));
  EXPECT_GT(records()[0]->timestampValue(), first + 4.9);
  EXPECT_GE(LogCapture::count("find copyEnntity sig=" + records()[0]->sig() + " length=3"), 1);
}

TEST_F(ClipboardListenerTest, EachKindOfCopyIsStoredWithItsDetailsAndFiles) {
  const std::string notes = makeFile("Documents/notes.txt", "notes");
  const std::string photo = makeFile("Pictures/My Photo.png", pngBytes("photo"));
  const std::string escaped = percentEncode(photo, PercentSet::Path);
  const std::string other = makeFile("Pictures/other.png", pngBytes("other"));
  // Shanghai's date at the copy, not the UTC one (2023-11-14).
  const std::string day = fileFolder() + "/2023-11-15/";
  const std::string shot = webFolder() + "/2023-11-15/2023-11-15.061320.png";
  struct Case {
    PasteboardItem copied;
    bool isCopy;
    std::string text;
    Json json;
    std::string file;  // written by the copy, with the bytes that follow
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {item({{kPasteboardTypeString, "page text"},
             {kPasteboardTypeHTML, "<b>page text</b>"},
             {kPasteboardTypeFileURL, "file://" + notes}}),
       true, "page text", Json{{"html", "<b>page text</b>"}}, "", ""},
      {item({{kPasteboardTypeString, "bold"}, {kPasteboardTypeRTF, "{\\rtf1 \\b bold}"}}), true, "bold",
       Json{{"rich_text", "{\\rtf1 \\b bold}"}}, "", ""},
      // The image name is escaped once, from the URL's own escaped path.
      {item({{kPasteboardTypeFileURL, "file://" + escaped}}), true, "My Photo.png",
       Json{{"image", day + "My%20Photo.png"},
            {"image_relative", escaped},
            {"copy_date", "2023-11-15"},
            {"custom_view", "FileView"}},
       day + "My Photo.png", pngBytes("photo")},
      {item({{kPasteboardTypeFileURL, "file://" + other}}), false, "other.png",
       Json{{"image_relative", other}, {"custom_view", "FileView"}}, "", ""},
      // A screenshot is named by the local time of the copy.
      {item({{kPasteboardTypePNG, pngBytes("screen")}}), true, "2023-11-15.061320.png",
       Json{{"web_image", shot}, {"screenshot", shot}, {"custom_view", "FileView"}}, shot,
       pngBytes("screen")},
  };
  start();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Json storage = *config().getValueOfKey(VLConfig::kImageStorage);
    storage["isCopy"] = c.isCopy;
    config().setValueOfKey(VLConfig::kImageStorage, storage);
    const std::size_t before = records().size();
    copyItems({c.copied});
    ASSERT_EQ(records().size(), before + 1);
    EXPECT_EQ(records().back()->context(), c.text);
    EXPECT_EQ(jsonOf(records().back()), c.json);
    if (!c.file.empty()) {
      EXPECT_EQ(files::readFile(c.file), c.bytes);
    }
  }
  EXPECT_FALSE(files::exists(day + "other.png"));
}

TEST_F(ClipboardListenerTest, ImagesOfOneNameOnOneDayNeverOverwriteEachOther) {
  const std::string a = makeFile("a/pic.png", pngBytes("first"));
  const std::string b = makeFile("b/pic.png", pngBytes("second"));
  start();
  copyItems({item({{kPasteboardTypeFileURL, "file://" + a}})});
  copyItems({item({{kPasteboardTypeFileURL, "file://" + b}})});
  copyItems({item({{kPasteboardTypeFileURL, "file://" + a}})});

  const std::string folder = fileFolder() + "/2023-11-15/";
  ASSERT_EQ(records().size(), 2u);  // the third copy is the first one again
  EXPECT_EQ(jsonString(jsonOf(records()[0]), "image"), folder + "pic.png");
  EXPECT_EQ(jsonString(jsonOf(records()[1]), "image"), folder + "pic-1.png");
  EXPECT_EQ(files::readFile(folder + "pic.png"), pngBytes("first"));
  EXPECT_EQ(files::readFile(folder + "pic-1.png"), pngBytes("second"));

  // Downloads follow the same rule.
  fetcher_->setResponse("https://one.example/img/logo.png", {200, pngBytes("one"), ""});
  fetcher_->setResponse("https://two.example/logo.png?size=2", {200, pngBytes("two"), ""});
  copyItems({item({{kPasteboardTypeURL, "https://one.example/img/logo.png"}})});
  copyItems({item({{kPasteboardTypeString, "second logo"},
                   {kPasteboardTypeURL, "https://two.example/logo.png?size=2"}})});
  const std::string web = webFolder() + "/2023-11-15/";
  EXPECT_EQ(files::readFile(web + "logo.png"), pngBytes("one"));
  EXPECT_EQ(files::readFile(web + "logo-1.png"), pngBytes("two"));
  EXPECT_EQ(texts(), (std::vector<std::string>{"pic.png", "pic.png", "logo.png", "second logo"}));
  EXPECT_EQ(jsonOf(records()[3]), (Json{{"web_image", web + "logo-1.png"}, {"custom_view", "FileView"}}));

  // The same image fetched again is the file already there, and the record already there.
  copyItems({item({{kPasteboardTypeURL, "https://one.example/img/logo.png"}})});
  EXPECT_FALSE(files::exists(web + "logo-2.png"));
  EXPECT_EQ(records().size(), 4u);
}

// A slow image download runs beside capture: a copy made while it is out is stored in its turn, and the
// image joins its record when it arrives.
TEST_F(ClipboardListenerTest, CopiesMadeWhileAnImageDownloadsAreCapturedMeanwhile) {
  start();
  const std::string url = "https://slow.example/img/photo.png";
  fetcher_->setResponse(url, {200, pngBytes("slow"), ""});
  bool storedMeanwhile = false;
  fetcher_->setBeforeAnswer([&](const std::string&) {
    board_->setContentsFromOtherApplication({PasteboardItem(kPasteboardTypeString, "copied meanwhile")});
    PasteboardPolling::pasteboardDealingQueue()->async(
        [] { VLNotificationCenter::postNotificationName(PasteboardPolling::kPasteboardDidChange); });
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!(storedMeanwhile =
                 engine().getChunkByContext("copied meanwhile", Json::object(), kClip) != nullptr) &&
           std::chrono::steady_clock::now() < until) {
      std::this_thread::yield();
    }
  });
  copyItems({item({{kPasteboardTypeURL, url}})});
  EXPECT_TRUE(storedMeanwhile);
  EXPECT_EQ(texts(), (std::vector<std::string>{"photo.png", "copied meanwhile"}));
  const std::string path = webFolder() + "/2023-11-15/photo.png";
  EXPECT_EQ(jsonOf(records()[0]), (Json{{"web_image", path}, {"custom_view", "FileView"}}));
  EXPECT_EQ(files::readFile(path), pngBytes("slow"));
}

TEST_F(ClipboardListenerTest, ImageDownloadsAreBoundedAndHttpOnly) {
  start();
  fetcher_->setResponse("https://example.com/a/cat.jpg", {404, "not found", ""});
  copyItems({item({{kPasteboardTypeURL, "ftp://example.com/pub/dog.png"}})});
  copyItems({item({{kPasteboardTypeURL, "https://example.com/a/cat.jpg"}})});
  copyItems({item({{kPasteboardTypeURL, "https://silent.example/bird.gif"}})});  // no answer

  const auto requests = fetcher_->requests();
  ASSERT_EQ(requests.size(), 2u);  // never the ftp URL
  for (const auto& request : requests) {
    EXPECT_EQ(request.options.timeoutSeconds, CopyEntity::kDownloadTimeoutSeconds);
    EXPECT_EQ(request.options.maxBytes, CopyEntity::kDownloadMaxBytes);
  }
  // Each copy is still kept by the name its URL gives, without an image.
  EXPECT_EQ(texts(), (std::vector<std::string>{"dog.png", "cat.jpg", "bird.gif"}));
  for (const auto& record : records()) EXPECT_EQ(jsonOf(record), Json::object()) << record->context();
}

TEST_F(ClipboardListenerTest, BadItemsAreStoredByTheirTextOrDroppedAndCaptureGoesOn) {
  config().setIntegerValueOfKey(VLConfig::kMaxTextLength, 0);
  const std::string gone = makeFile("tmp/gone.png", pngBytes("gone"));
  const std::string huge(3 * 1024 * 1024, 'm');
  start();

  struct Case {
    std::string what;
    PasteboardItem copied;
    std::optional<std::string> stored;
  };
  std::vector<Case> cases;
  cases.push_back({"empty file url", item({{kPasteboardTypeFileURL, "file://"}}), std::nullopt});
  cases.push_back(
      {"relative file url with text",
       item({{kPasteboardTypeString, "a text"}, {kPasteboardTypeFileURL, "file://relative/x.txt"}}),
       "a text"});
  cases.push_back({"png that is not a png", item({{kPasteboardTypePNG, "GIF89a not a png"}}), std::nullopt});
  cases.push_back({"png that is not a png, with text",
                   item({{kPasteboardTypeString, "caption"}, {kPasteboardTypePNG, "junk"}}), "caption"});
  cases.push_back({"text that is not UTF-8 keeps what it can",
                   item({{kPasteboardTypeString, "\xC3\x28 bad"}}), "\uFFFD( bad"});
  cases.push_back(
      {"only rich text", item({{kPasteboardTypeRTF, "{\\rtf1\\ansi {\\b Bold} words\\par}"}}), "Bold words"});
  cases.push_back({"rich text that is not RTF", item({{kPasteboardTypeRTF, "no rtf"}}), std::nullopt});
  cases.push_back({"megabytes of text", item({{kPasteboardTypeString, huge}}), huge});
  cases.push_back(
      {"image file gone before it is read", item({{kPasteboardTypeFileURL, "file://" + gone}}), "gone.png"});
  std::filesystem::remove(gone);

  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t before = records().size();
    copyItems({c.copied});
    if (c.stored) {
      ASSERT_EQ(records().size(), before + 1);
      EXPECT_EQ(texts().back(), *c.stored);
    } else {
      EXPECT_EQ(records().size(), before);
    }
  }
  // The rich text stays beside the plain text read from it.
  EXPECT_EQ(jsonOf(engine().getChunkByContext("Bold words", Json::object(), kClip)),
            (Json{{"rich_text", "{\\rtf1\\ansi {\\b Bold} words\\par}"}}));
  // The vanished image is kept as a text, not as an image that can never load.
  EXPECT_EQ(jsonOf(records().back()), Json::object());
  EXPECT_TRUE(LogCapture::containsPrefix("capture: cannot copy image file"));
  copy("still capturing");
  EXPECT_EQ(texts().back(), "still capturing");
}

// A copied file list names what a file manager shows, FIFOs and devices included, and files of any size:
// none of them may stop capture, fill memory or the program's own folders.
TEST_F(ClipboardListenerTest, FifosDevicesAndHugeImagesAreKeptByNameAndPathWithoutBeingRead) {
  Json storage = *config().getValueOfKey(VLConfig::kImageStorage);
  storage["isCopy"] = true;
  config().setValueOfKey(VLConfig::kImageStorage, storage);
  const std::string fifo = files::joinPath(home(), "pipe.png");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string fifoWithoutExtension = files::joinPath(home(), "pipe");
  ASSERT_EQ(::mkfifo(fifoWithoutExtension.c_str(), 0600), 0);
  // Sparse: past the size that is copied or read, without costing the disk anything.
  const std::string huge = makeFile("Pictures/huge.png", pngBytes());
  ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(ImageCodec::kMaxFileBytes + 1)), 0);
  start();
  for (const std::string& path : {fifo, fifoWithoutExtension, std::string("/dev/zero"), huge}) {
    SCOPED_TRACE(path);
    const std::size_t before = records().size();
    copyItems({item({{kPasteboardTypeFileURL, "file://" + path}})});
    ASSERT_EQ(records().size(), before + 1);
    EXPECT_EQ(texts().back(), files::lastPathComponent(path));
    EXPECT_EQ(jsonOf(records().back()), (Json{{"file", path}, {"custom_view", "FileView"}}));
  }
  EXPECT_FALSE(files::exists(fileFolder() + "/2023-11-15/huge.png"));
  copy("capture goes on");
  EXPECT_EQ(texts().back(), "capture goes on");
}

TEST_F(ClipboardListenerTest, CopiesInApplicationsOnTheSecurityListAreNeitherStoredNorShown) {
  const auto keychain =
      RunningApplication::fromDesktopEntry("/usr/share/applications/org.keepassxc.KeePassXC.desktop", true);
  const auto editor =
      RunningApplication::fromDesktopEntry("/usr/share/applications/org.example.Editor.desktop", true);
  const auto self = RunningApplication{"Vellisto", "", "vellisto", 4242, true};
  // The record window, the status item's feedback and sync hear of stored copies only.
  std::atomic<int> feedback{0};
  std::vector<std::string> appended, synced;
  CaptureHooks::setWindowAppear([](const std::string& key) { return key == "vellisto_record"; });
  CaptureHooks::setPayAnimate([&] { ++feedback; });
  CaptureHooks::setSyncChunk(
      [&](const std::shared_ptr<Vellisto_Chunk>& chunk) { synced.push_back(chunk->context()); });
  const int owner = 0;
  VLNotificationCenter::addObserver(
      &owner,
      [&](const Notification& n) {
        const auto* entity = n.objectAs<std::shared_ptr<CopyEntity>>("copy_entity");
        ASSERT_NE(entity, nullptr);
        appended.push_back((*entity)->string());
      },
      ClipboardListener::kAppendCopyEntity);
  start();

  workspace_->setFrontmostApplication(keychain);
  copy("secret");
  EXPECT_TRUE(texts().empty());
  EXPECT_EQ(LogCapture::count("copiedFromSecurityApp"), 1);
  // Blocked images leave no file behind and fetch nothing.
  copyItems({item({{kPasteboardTypePNG, pngBytes("secret screen")}})});
  copyItems({item({{kPasteboardTypeURL, "https://example.com/secret.png"}})});
  EXPECT_TRUE(records().empty());
  EXPECT_TRUE(fetcher_->requests().empty());
  EXPECT_FALSE(files::exists(webFolder() + "/2023-11-15"));

  // With this program in front, the application that was in front before it decides.
  workspace_->setFrontmostApplication(self);
  copy("still secret");
  EXPECT_TRUE(texts().empty());

  workspace_->setFrontmostApplication(editor);
  copy("plain");
  workspace_->setFrontmostApplication(self);
  copy("plain too");
  EXPECT_EQ(texts(), (std::vector<std::string>{"plain", "plain too"}));

  // A blocked copy does not become the last copy: the same text copied elsewhere is stored.
  workspace_->setFrontmostApplication(keychain);
  copy("shared");
  workspace_->setFrontmostApplication(editor);
  copy("shared");
  VLNotificationCenter::removeObserver(&owner);
  const std::vector<std::string> stored = {"plain", "plain too", "shared"};
  EXPECT_EQ(texts(), stored);
  EXPECT_EQ(appended, stored);
  EXPECT_EQ(synced, stored);
  EXPECT_EQ(feedback.load(), 3);
}

// Whatever application is in front, a copy a password manager marks secret leaves nothing anywhere.
TEST_F(ClipboardListenerTest, CopiesMarkedSecretByAPasswordManagerAreNeitherStoredNorShown) {
  std::vector<std::string> appended;
  int feedback = 0;
  CaptureHooks::setWindowAppear([](const std::string& key) { return key == "vellisto_record"; });
  CaptureHooks::setPayAnimate([&] { ++feedback; });
  const int owner = 0;
  VLNotificationCenter::addObserver(
      &owner,
      [&](const Notification& n) {
        if (const auto* entity = n.objectAs<std::shared_ptr<CopyEntity>>("copy_entity")) {
          appended.push_back((*entity)->string());
        }
      },
      ClipboardListener::kAppendCopyEntity);
  workspace_->setFrontmostApplication(
      RunningApplication::fromDesktopEntry("/usr/share/applications/org.example.Editor.desktop", true));
  start();

  struct Row {
    std::vector<std::pair<std::string, std::string>> representations;
    bool kept;
  };
  const std::string hint = kPasteboardTypePasswordManagerHint;
  const Row rows[] = {
      {{{kPasteboardTypeString, "hunter2"}, {hint, "secret"}}, false},
      {{{hint, std::string("secret\0", 7)}, {kPasteboardTypeString, "hunter3"}}, false},
      {{{kPasteboardTypePNG, pngBytes("secret screen")}, {hint, "secret"}}, false},
      {{{kPasteboardTypeURL, "https://example.com/secret.png"}, {hint, "secret"}}, false},
      {{{kPasteboardTypeString, "a hint of another kind"}, {hint, "public"}}, true},
      {{{kPasteboardTypeString, "no hint"}}, true},
  };
  std::vector<std::string> expected;
  for (const Row& row : rows) {
    PasteboardItem copied;
    for (const auto& [type, data] : row.representations) copied.setData(type, data);
    copyItems({copied});
    if (row.kept) expected.push_back(row.representations.front().second);
  }
  VLNotificationCenter::removeObserver(&owner);
  EXPECT_EQ(texts(), expected);
  EXPECT_EQ(appended, expected);
  EXPECT_EQ(feedback, 2);
  EXPECT_TRUE(fetcher_->requests().empty());
  EXPECT_FALSE(files::exists(webFolder() + "/2023-11-15"));
  EXPECT_EQ(
      LogCapture::count("capture: the copy is marked secret by a password manager; nothing of it is kept"),
      4);
}

TEST_F(ClipboardListenerTest, TheProgramsOwnPasteboardWritesCreateNoRecord) {
  start();
  copy("from another application");

  // The paste road writes and then commits the change count.
  board_->setString("pasted by us");
  poll_->commit();
  wait(1000);

  // Several records announced beforehand.
  listener_->setMultiplePaste(true);
  board_->setString("several records");
  wait(100);
  EXPECT_FALSE(listener_->multiplePaste());

  // The record the program put on the pasteboard itself is only renewed, without feedback.
  int feedback = 0;
  CaptureHooks::setPayAnimate([&] { ++feedback; });
  copy("other");
  ASSERT_EQ(feedback, 1);
  listener_->setPasteChunk(records()[0]);
  board_->setString("from another application");
  wait(100);
  EXPECT_EQ(feedback, 1);

  EXPECT_EQ(texts(), (std::vector<std::string>{"from another application", "other"}));
  copy("next");
  EXPECT_EQ(texts().back(), "next");

  // A write the program marks as its own makes no record, whatever forms it holds (a file as its path
  // and address); the clipboard then no longer holds the last copy, so copying that again counts again.
  const std::string file = makeFile("Documents/pasted notes.txt", "notes");
  PasteboardItem own(kPasteboardTypeString, file);
  own.setString(kPasteboardTypeFileURL, "file://" + percentEncode(file, PercentSet::Path));
  own.setData(kPasteboardTypeOwnWrite, "1");
  board_->clearContents();
  ASSERT_TRUE(board_->writeObjects({own}));
  wait(100);
  EXPECT_EQ(texts(), (std::vector<std::string>{"from another application", "other", "next"}));
  EXPECT_EQ(LogCapture::count("capture: the program's own paste came back; not a copy"), 1);
  copy("next");
  EXPECT_EQ(LogCapture::count("find copyEnntity sig=" + records().back()->sig() + " length=4"), 1);
}

TEST_F(ClipboardListenerTest, DeletingTheLastCopysRecordLetsTheSameTextBeCapturedAgain) {
  start();
  copy("again");
  engine().delChunkByContext("again", std::nullopt, kClip);
  copy("again");
  EXPECT_TRUE(texts().empty());  // still the last copy

  engine().delChunkByContext("again", std::nullopt, kClip);
  VLNotificationCenter::postNotificationName(ClipboardListener::kCheckDeleteEntity, nullptr,
                                             Json{{"context", "again"}});
  copy("again");
  EXPECT_EQ(texts(), std::vector<std::string>{"again"});
}

}  // namespace
}  // namespace vl::test
