// clang-format off
// gtest before any X11 header: Xlib's macros (None, Bool, Status) would break its headers.
#include <gtest/gtest.h>
// clang-format on

#include <sys/socket.h>

#include <chrono>

#include "platform/foundation/Log.h"
#include "platform/system/x11/X11Display.h"
#include "platform/system/x11/clipboard/X11Pasteboard.h"
#include "support/X11TestSupport.h"

namespace vl {
namespace {

using x11test::waitUntil;
using x11test::xclipGet;
using x11test::xclipSet;

// A real 1 x 1 image, so a reader that checks more than the signature is still satisfied.
const std::string kTinyPng(
    "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89\0\0\0\rIDATx\x9c"
    "c\xf8\xcf\xc0\xf0\x1f\0\x05\0\x01\xff\x89\x99=\x1d\0\0\0\0IEND\xae\x42`\x82",
    70);

// PNG-looking data of the given size: the signature, then a pattern that catches reordered parts.
std::string bigPng(std::size_t size) {
  std::string data = kTinyPng.substr(0, 8);
  for (std::size_t i = data.size(); i < size; ++i)
    data.push_back(static_cast<char>((i * 31 + i / 977) & 0xff));
  return data;
}

class X11PasteboardTest : public x11test::X11Test {
 protected:
  std::shared_ptr<X11Pasteboard> board(X11Pasteboard::Options options = {}) {
    auto b = X11Pasteboard::create(display_, options);
    EXPECT_NE(b, nullptr);
    return b;
  }
  // Waits until another client's copy has been noticed.
  static bool changedFrom(const std::shared_ptr<X11Pasteboard>& b, long long count) {
    return waitUntil([&] { return b->changeCount() > count; });
  }
};

TEST_F(X11PasteboardTest, TextCopiedInAnotherApplicationRaisesTheChangeCountAndReadsAsPlainText) {
  auto b = board();
  const long long before = b->changeCount();
  const std::string text = "  héllo wörld – ✓";
  ASSERT_TRUE(xclipSet(display_, "UTF8_STRING", text));
  ASSERT_TRUE(changedFrom(b, before));
  EXPECT_EQ(b->changeCount(), before + 1);
  EXPECT_EQ(b->stringForType(kPasteboardTypeString), text);
  EXPECT_EQ(b->types(), std::vector<std::string>{kPasteboardTypeString});
  EXPECT_FALSE(b->ownsClipboard());
}

TEST_F(X11PasteboardTest, ImageCopiedAsPngReadsAsPngData) {
  auto b = board();
  const long long before = b->changeCount();
  ASSERT_TRUE(xclipSet(display_, "image/png", kTinyPng));
  ASSERT_TRUE(changedFrom(b, before));
  EXPECT_EQ(b->dataForType(kPasteboardTypePNG), kTinyPng);
  EXPECT_FALSE(b->hasType(kPasteboardTypeString));
}

TEST_F(X11PasteboardTest, UriListReadsAsAFileUrlFollowedByItsOtherUrls) {
  auto b = board();
  const long long before = b->changeCount();
  ASSERT_TRUE(
      xclipSet(display_, "text/uri-list",
               "# copied by a file manager\r\nfile:///tmp/a%20b.png\r\nhttps://example.org/c.png\r\n"));
  ASSERT_TRUE(changedFrom(b, before));
  auto items = b->items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].data(kPasteboardTypeFileURL), "file:///tmp/a%20b.png");
  EXPECT_EQ(items[1].data(kPasteboardTypeURL), "https://example.org/c.png");
}

TEST_F(X11PasteboardTest, WrittenRecordPastesIntoOtherApplicationsAsTextAndHtml) {
  auto b = board();
  const long long before = b->changeCount();
  PasteboardItem item(kPasteboardTypeString, "hello – world");
  item.setString(kPasteboardTypeHTML, "<p>hello – <b>world</b></p>");
  EXPECT_EQ(b->clearContents(), before + 1);
  ASSERT_TRUE(b->writeObjects({item}));
  EXPECT_TRUE(b->ownsClipboard());
  // Our own contents answer from memory, without asking the server.
  EXPECT_EQ(b->stringForType(kPasteboardTypeHTML), "<p>hello – <b>world</b></p>");

  EXPECT_EQ(xclipGet(display_, "text/html"), "<p>hello – <b>world</b></p>");
  EXPECT_EQ(xclipGet(display_, "UTF8_STRING"), "hello – world");
  EXPECT_EQ(xclipGet(display_, "text/plain;charset=utf-8"), "hello – world");
  auto targets = xclipGet(display_, "TARGETS");
  ASSERT_TRUE(targets);
  for (const char* t : {"TARGETS", "UTF8_STRING", "STRING", "text/html"}) {
    EXPECT_NE(targets->find(t), std::string::npos) << t << " missing from " << *targets;
  }
  // Our own claim of the selection is not a copy of another application.
  EXPECT_EQ(b->changeCount(), before + 1);
}

TEST_F(X11PasteboardTest, SeveralWrittenFilesPasteAsOneUriListAndTheirPaths) {
  auto b = board();
  b->clearContents();
  ASSERT_TRUE(b->writeObjects({PasteboardItem(kPasteboardTypeFileURL, "file:///tmp/one%20a.txt"),
                               PasteboardItem(kPasteboardTypeFileURL, "file:///tmp/two.txt")}));
  EXPECT_EQ(xclipGet(display_, "text/uri-list"), "file:///tmp/one%20a.txt\r\nfile:///tmp/two.txt\r\n");
  EXPECT_EQ(xclipGet(display_, "UTF8_STRING"), "/tmp/one a.txt\n/tmp/two.txt");
}

TEST_F(X11PasteboardTest, AnotherApplicationsCopyEndsOurOwnership) {
  auto b = board();
  const long long before = b->changeCount();
  b->setString("ours");
  ASSERT_TRUE(xclipSet(display_, "UTF8_STRING", "theirs"));
  ASSERT_TRUE(waitUntil([&] { return !b->ownsClipboard(); }));
  ASSERT_TRUE(changedFrom(b, before + 1));
  EXPECT_EQ(b->changeCount(), before + 2);
  EXPECT_EQ(b->stringForType(kPasteboardTypeString), "theirs");
  // A write without clearing first does not bring back what we held before the other copy.
  ASSERT_TRUE(b->writeObjects({PasteboardItem(kPasteboardTypeString, "more")}));
  EXPECT_EQ(b->items().size(), 1u);
  EXPECT_EQ(xclipGet(display_, "UTF8_STRING"), "more");
}

// Any client may name any window the CLIPBOARD owner. One that names ours right after a user's copy
// must not make what the program wrote earlier pass for that copy (capture would skip it as our own
// paste): the program counts as its own only what it claimed itself.
TEST_F(X11PasteboardTest, AnotherClientNamingOurWindowTheOwnerDoesNotBringBackOurOldContents) {
  auto b = board();
  b->setString("an earlier paste of ours");
  Display* other = XOpenDisplay(display_.c_str());
  ASSERT_NE(other, nullptr);
  const Atom clipboard = XInternAtom(other, "CLIPBOARD", False);
  ASSERT_TRUE(waitUntil([&] { return XGetSelectionOwner(other, clipboard) != None; }));
  const ::Window ours = XGetSelectionOwner(other, clipboard);
  const ::Window copier = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 1, 1, 0, 0, 0);
  const long long before = b->changeCount();
  // The user's copy, then the hand-over to our window, both done before the program hears of either.
  XGrabServer(other);
  XSetSelectionOwner(other, clipboard, copier, CurrentTime);
  XSetSelectionOwner(other, clipboard, ours, CurrentTime);
  XUngrabServer(other);
  XSync(other, False);
  ASSERT_TRUE(changedFrom(b, before));
  EXPECT_TRUE(waitUntil([&] { return !b->ownsClipboard(); }));
  EXPECT_TRUE(waitUntil(
      [&] { return log_->contains("another client made the program's window the CLIPBOARD owner"); }));
  for (const auto& item : b->items()) EXPECT_NE(item.data(kPasteboardTypeString), "an earlier paste of ours");
  // The program's next write is its own again.
  b->setString("the next paste");
  EXPECT_TRUE(waitUntil([&] { return b->ownsClipboard(); }));
  EXPECT_EQ(xclipGet(display_, "UTF8_STRING"), "the next paste");
  XDestroyWindow(other, copier);
  XCloseDisplay(other);
}

TEST_F(X11PasteboardTest, LargeContentsTravelInPartsBothWays) {
  X11Pasteboard::Options small;
  small.incrChunkBytes = 64 << 10;
  auto writer = board(small);
  auto reader = board();
  const long long before = reader->changeCount();
  const std::string png = bigPng(3 << 20);
  writer->clearContents();
  ASSERT_TRUE(writer->writeObjects({PasteboardItem(kPasteboardTypePNG, png)}));
  ASSERT_TRUE(changedFrom(reader, before));
  auto got = reader->dataForType(kPasteboardTypePNG);
  EXPECT_TRUE(got == png) << (got ? got->size() : 0) << " " << ::testing::PrintToString(log_->lines());
  auto viaXclip = xclipGet(display_, "image/png");
  ASSERT_TRUE(viaXclip);
  EXPECT_TRUE(*viaXclip == png) << "xclip got " << viaXclip->size() << " bytes";
}

TEST_F(X11PasteboardTest, OversizedAnswerIsLeftOutAndTheRestIsRead) {
  X11Pasteboard::Options capped;
  capped.limits.maxBytes = 1 << 20;
  auto reader = board(capped);
  auto writer = board();
  const long long before = reader->changeCount();
  PasteboardItem item(kPasteboardTypeString, "caption");
  item.setData(kPasteboardTypePNG, bigPng(2 << 20));
  writer->clearContents();
  ASSERT_TRUE(writer->writeObjects({item}));
  ASSERT_TRUE(changedFrom(reader, before));
  EXPECT_EQ(reader->stringForType(kPasteboardTypeString), "caption");
  EXPECT_FALSE(reader->hasType(kPasteboardTypePNG));
  EXPECT_TRUE(log_->contains("image/png is larger than 1048576 bytes"));
}

TEST_F(X11PasteboardTest, OwnerThatNeverAnswersCostsOneTimeLimitAndReadingGoesOn) {
  X11Pasteboard::Options quick;
  quick.limits.answerTimeoutMs = 300;
  auto b = board(quick);
  long long before = b->changeCount();
  {
    x11test::FakeOwner silent(display_, [](const std::string&) { return std::nullopt; });
    ASSERT_TRUE(changedFrom(b, before));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(b->items().empty());
    // Capture asks for several types per copy; the verdict on this copy is remembered.
    EXPECT_FALSE(b->hasType(kPasteboardTypeString));
    EXPECT_FALSE(b->hasType(kPasteboardTypePNG));
    const auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_LT(spent, std::chrono::milliseconds(1500));
    EXPECT_TRUE(log_->contains("did not answer within 300 ms"));
  }
  before = b->changeCount();
  ASSERT_TRUE(xclipSet(display_, "UTF8_STRING", "after the silent one"));
  ASSERT_TRUE(changedFrom(b, before));
  EXPECT_EQ(b->stringForType(kPasteboardTypeString), "after the silent one");
}

struct GarbageCase {
  const char* name;
  x11test::FakeOwner::Responder respond;
  std::vector<std::string> expectedTypes;
  const char* expectedLog;
};

TEST_F(X11PasteboardTest, GarbageAnswersAreLeftOutWithALogLine) {
  const std::vector<GarbageCase> cases = {
      {"targets that are not atoms fall back to plain text",
       [](const std::string& t) -> std::optional<std::pair<std::string, std::string>> {
         if (t == "TARGETS") return std::make_pair("STRING", "junk");
         if (t == "UTF8_STRING") return std::make_pair("UTF8_STRING", "still text");
         return std::make_pair("STRING", "");
       },
       {kPasteboardTypeString},
       "answered TARGETS with a STRING"},
      {"text that is not UTF-8 keeps what it can",
       [](const std::string& t) -> std::optional<std::pair<std::string, std::string>> {
         if (t == "TARGETS") return std::make_pair("ATOM", "TARGETS\nUTF8_STRING");
         return std::make_pair("UTF8_STRING", "\xff\xfe\xfa broken");
       },
       {kPasteboardTypeString},
       "UTF8_STRING (10 bytes) is not valid UTF-8; the bad bytes are replaced"},
      {"an image that is no PNG",
       [](const std::string& t) -> std::optional<std::pair<std::string, std::string>> {
         if (t == "TARGETS") return std::make_pair("ATOM", "TARGETS\nimage/png\ntext/html");
         if (t == "text/html") return std::make_pair("text/html", "<i>ok</i>");
         return std::make_pair("image/png", "GIF89a not a png");
       },
       {kPasteboardTypeHTML},
       "without the PNG signature"},
      {"an owner that answers only the list",
       [](const std::string& t) -> std::optional<std::pair<std::string, std::string>> {
         if (t == "TARGETS") return std::make_pair("ATOM", "TARGETS\nUTF8_STRING\nimage/png");
         return std::nullopt;
       },
       {},
       "no answer for UTF8_STRING in time"},
  };
  X11Pasteboard::Options quick;
  quick.limits.answerTimeoutMs = 300;
  auto b = board(quick);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const long long before = b->changeCount();
    x11test::FakeOwner owner(display_, c.respond);
    ASSERT_TRUE(changedFrom(b, before));
    EXPECT_EQ(b->types(), c.expectedTypes);
    EXPECT_TRUE(log_->contains(c.expectedLog));
  }
}

// Clipboard owners choose which atoms we are asked to name: a flood of made-up ones is answered right
// without the connection remembering all of them.
TEST_F(X11PasteboardTest, AtomNamesAreRightAndTheirCacheBounded) {
  auto connection = x11::X11Display::open(display_);
  ASSERT_NE(connection, nullptr);
  Display* other = XOpenDisplay(display_.c_str());
  ASSERT_NE(other, nullptr);
  const std::size_t flood = x11::X11Display::kMaxCachedAtoms * 3;
  for (std::size_t i = 0; i < flood; ++i) {
    const std::string name = "vl-made-up-target-" + std::to_string(i);
    const Atom atom = XInternAtom(other, name.c_str(), False);
    ASSERT_EQ(connection->atomName(atom), name);
  }
  XCloseDisplay(other);
  EXPECT_LE(connection->cachedAtomCount(), x11::X11Display::kMaxCachedAtoms);
  EXPECT_EQ(connection->atomName(connection->atom("CLIPBOARD")), "CLIPBOARD");
}

TEST(X11DisplayDeathTest, LosingTheDisplayEndsTheProgramWithAClearMessage) {
  const std::string display = x11test::XvfbServer::shared().displayName();
  if (display.empty()) VL_SKIP_WITHOUT_DESKTOP(x11test::XvfbServer::shared().skipReason());
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(
      {
        setLogSink(nullptr);
        auto x = x11::X11Display::open(display);
        if (!x) std::_Exit(3);
        // The server going away looks the same to the client as its socket being cut.
        shutdown(ConnectionNumber(x->get()), SHUT_RDWR);
        XSync(x->get(), False);
        std::_Exit(4);
      },
      ::testing::ExitedWithCode(1), "lost the connection to the X display");
  x11test::XvfbServer::shared().stop();
}

}  // namespace
}  // namespace vl
