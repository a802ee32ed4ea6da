// clang-format off
// gtest before any X11 header: Xlib's macros (None, Bool, Status) would break its headers.
#include <gtest/gtest.h>
// clang-format on

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CaptureTestSupport.h"
#include "platform/foundation/Url.h"
#include "platform/system/x11/clipboard/X11Pasteboard.h"
#include "support/X11TestSupport.h"

// The capture road against a real X server: other programs are xclip and hand-made selection owners,
// the pasteboard is the X11 backend, and every copy must end up (or not) in the record store.
namespace vl::test {
namespace {

using x11test::FakeOwner;
using x11test::XvfbServer;

// A real 1 x 1 image.
const std::string kTinyPng(
    "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89\0\0\0\rIDATx\x9c"
    "c\xf8\xcf\xc0\xf0\x1f\0\x05\0\x01\xff\x89\x99=\x1d\0\0\0\0IEND\xae\x42`\x82",
    70);

class X11CaptureTest : public CaptureFixture {
 public:
  // Short, so the owners that never answer cost little time.
  static constexpr int kAnswerTimeoutMs = 400;

  static void TearDownTestSuite() { XvfbServer::shared().stop(); }

  void SetUp() override {
    CaptureFixture::SetUp();
    if (HasFatalFailure()) return;
    display_ = XvfbServer::shared().displayName();
    if (display_.empty()) VL_SKIP_WITHOUT_DESKTOP(XvfbServer::shared().skipReason());
    X11Pasteboard::Options options;
    options.limits.answerTimeoutMs = kAnswerTimeoutMs;
    x11_ = X11Pasteboard::create(display_, options);
    ASSERT_NE(x11_, nullptr);
    Pasteboard::install(x11_);
  }

  void TearDown() override {
    CaptureFixture::TearDown();
    x11_.reset();
  }

  // Capture as the program runs it, told of each change by the X11 pasteboard.
  void startX11() {
    poll_ = std::make_unique<PasteboardPolling>(x11_);
    ASSERT_TRUE(poll_->isEventDriven());
    listener_ = std::make_unique<ClipboardListener>(*merging_, *monitor_);
  }

  // The X server tells the pasteboard's event thread of a new owner in its own time, so this waits in
  // real time for the change count to move past `before`, then for the reading queue to have read that
  // change and the capture queue to have dealt with it. The manual clock never moves: no poll is needed.
  bool captureNextCopy(long long before) {
    if (!x11test::waitUntil([&] { return x11_->changeCount() > before; }, 5000)) return false;
    const long long count = x11_->changeCount();
    if (!x11test::waitUntil([&] { return poll_->changeCount() >= count; }, 10000)) return false;
    settle();
    return true;
  }
  // What was announced so far has been read and handled.
  void settle() {
    PasteboardPolling::pasteboardReadingQueue()->sync([] {});
    PasteboardPolling::pasteboardDealingQueue()->sync([] {});
    dispatch::MainLoop::runUntilIdle();
  }

  // Another program copies `data` offered as `target`; true once capture has handled the copy.
  bool xclipCopy(const std::string& target, const std::string& data) {
    const long long before = x11_->changeCount();
    return x11test::xclipSet(display_, target, data) && captureNextCopy(before);
  }

  std::string display_;
  std::shared_ptr<X11Pasteboard> x11_;
};

TEST_F(X11CaptureTest, TextImagesAndFilesCopiedInOtherProgramsBecomeRecords) {
  const std::string file = makeFile("Documents/Quarter Report.txt", "figures");
  const std::string escaped = percentEncode(file, PercentSet::Path);
  ASSERT_NE(escaped.find("Quarter%20Report.txt"), std::string::npos);
  const std::string shot = webFolder() + "/2023-11-15/2023-11-15.061320.png";
  struct Case {
    std::string target;
    std::string copied;
    std::string stored;
    Json json;
  };
  const std::vector<Case> cases = {
      {"UTF8_STRING", "héllo wörld – ✓", "héllo wörld – ✓", Json::object()},
      // Leading blank lines are trimmed as for any copy; the line break inside stays.
      {"text/plain;charset=utf-8", "\n  two\nlines", "two\nlines", Json::object()},
      // Old programs offer Latin-1 only.
      {"STRING", "caf\xe9 cr\xe8me", "café crème", Json::object()},
      {"image/png", kTinyPng, "2023-11-15.061320.png",
       Json{{"web_image", shot}, {"screenshot", shot}, {"custom_view", "FileView"}}},
      // As a file manager copies: a comment line, CRLF line ends, an escaped path.
      {"text/uri-list", "# copied by a file manager\r\nfile://" + escaped + "\r\n", "Quarter Report.txt",
       Json{{"file", escaped}, {"custom_view", "FileView"}}},
  };
  startX11();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target + ": " + c.stored);
    const std::size_t before = records().size();
    ASSERT_TRUE(xclipCopy(c.target, c.copied));
    ASSERT_EQ(records().size(), before + 1);
    EXPECT_EQ(texts().back(), c.stored);
    EXPECT_EQ(jsonOf(records().back()), c.json);
  }
  EXPECT_EQ(files::readFile(shot), kTinyPng);
}

TEST_F(X11CaptureTest, WhatTheProgramWritesIsPastedElsewhereAndCreatesNoRecord) {
  startX11();
  ASSERT_TRUE(xclipCopy("UTF8_STRING", "from another program"));
  const auto chosen =
      engine().append("bold words ✓", std::nullopt, Json{{"html", "<p><b>bold words</b> ✓</p>"}}, kClip);
  ASSERT_NE(chosen, nullptr);
  const std::vector<std::string> stored = texts();

  // The paste road: the chosen record goes on the pasteboard as text and HTML, and the poll is told.
  listener_->setPasteChunk(chosen);
  PasteboardItem item(kPasteboardTypeString, "bold words ✓");
  item.setString(kPasteboardTypeHTML, "<p><b>bold words</b> ✓</p>");
  Pasteboard::general()->clearContents();
  ASSERT_TRUE(Pasteboard::general()->writeObjects({item}));
  poll_->commit();
  const long long written = x11_->changeCount();

  EXPECT_EQ(x11test::xclipGet(display_), std::optional<std::string>("bold words ✓"));
  EXPECT_EQ(x11test::xclipGet(display_, "text/html"),
            std::optional<std::string>("<p><b>bold words</b> ✓</p>"));
  settle();
  EXPECT_EQ(x11_->changeCount(), written);
  EXPECT_EQ(texts(), stored);

  // Several records announced beforehand: the one change of the write is skipped, nothing more.
  listener_->setMultiplePaste(true);
  Pasteboard::general()->clearContents();
  ASSERT_TRUE(
      Pasteboard::general()->writeObjects({PasteboardItem(kPasteboardTypeString, "first\nsecond\nthird")}));
  EXPECT_EQ(x11test::xclipGet(display_), std::optional<std::string>("first\nsecond\nthird"));
  settle();
  EXPECT_FALSE(listener_->multiplePaste());
  EXPECT_EQ(texts(), stored);

  // Once another program copies, capture reads that program again, not what the program wrote.
  ASSERT_TRUE(xclipCopy("UTF8_STRING", "copied after the paste"));
  EXPECT_FALSE(x11_->ownsClipboard());
  EXPECT_EQ(texts().back(), "copied after the paste");
  EXPECT_EQ(texts().size(), stored.size() + 1);
}

// A password manager's copy marked secret: the text is never even asked for; another hint value is kept.
TEST_F(X11CaptureTest, APasswordManagersSecretIsNeverAskedForItsContent) {
  startX11();
  for (const std::string hint : {"secret", "public"}) {
    SCOPED_TRACE(hint);
    const std::string text = "copied with the hint " + hint;
    std::mutex mutex;
    std::vector<std::string> asked;
    const std::size_t before = records().size();
    const long long count = x11_->changeCount();
    FakeOwner owner(display_,
                    [&](const std::string& target) -> std::optional<std::pair<std::string, std::string>> {
                      std::lock_guard lock(mutex);
                      asked.push_back(target);
                      if (target == "TARGETS")
                        return std::make_pair("ATOM", "TARGETS\nUTF8_STRING\nx-kde-passwordManagerHint");
                      if (target == "x-kde-passwordManagerHint")
                        return std::make_pair("x-kde-passwordManagerHint", hint);
                      return std::make_pair("UTF8_STRING", text);
                    });
    ASSERT_TRUE(captureNextCopy(count));
    std::lock_guard lock(mutex);
    if (hint == "secret") {
      EXPECT_EQ(records().size(), before);
      EXPECT_EQ(asked, (std::vector<std::string>{"TARGETS", "x-kde-passwordManagerHint"}));
    } else {
      ASSERT_EQ(records().size(), before + 1);
      EXPECT_EQ(texts().back(), text);
    }
  }
}

// Old programs offer Latin-1 only, careless ones send bytes that are not UTF-8, word processors may offer
// nothing but rich text, browsers and editors nothing but HTML: each copy is kept with what can be read
// of it.
TEST_F(X11CaptureTest, CopiesOfferedOnlyAsLatin1BrokenUtf8OrRichTextAreKept) {
  using Answer = std::optional<std::pair<std::string, std::string>>;
  struct Case {
    std::string targets;
    std::pair<std::string, std::string> answer;
    std::string stored;
    Json json;
  };
  const std::string rtf = "{\\rtf1\\ansi only {\\i rich} text}";
  const std::string html = "<meta charset=\"utf-8\"><p>only <b>HTML</b> text</p>";
  const std::vector<Case> cases = {
      {"STRING", {"STRING", "caf\xe9 cr\xe8me"}, "caf\u00e9 cr\u00e8me", Json::object()},
      {"UTF8_STRING", {"UTF8_STRING", "bad \xff\xfe bytes"}, "bad \uFFFD\uFFFD bytes", Json::object()},
      {"text/rtf", {"text/rtf", rtf}, "only rich text", Json{{"rich_text", rtf}}},
      {"text/html", {"text/html", html}, "only HTML text", Json{{"html", html}}},
  };
  startX11();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.targets);
    const std::size_t before = records().size();
    const long long count = x11_->changeCount();
    FakeOwner owner(display_, [&](const std::string& target) -> Answer {
      if (target == "TARGETS") return std::make_pair("ATOM", "TARGETS\n" + c.targets);
      if (target == c.targets) return c.answer;
      return std::nullopt;
    });
    ASSERT_TRUE(captureNextCopy(count));
    ASSERT_EQ(records().size(), before + 1);
    EXPECT_EQ(texts().back(), c.stored);
    EXPECT_EQ(jsonOf(records().back()), c.json);
  }
}

// A password no password manager marked secret is captured like any text: it must reach no log line, whether
// it is stored, stored again with its HTML, or found stored already.
TEST_F(X11CaptureTest, NoLogLineHoldsTheCopiedText) {
  const std::string marker = "zq7-private-marker-42";
  startX11();
  const long long count = x11_->changeCount();
  FakeOwner owner(display_,
                  [&](const std::string& target) -> std::optional<std::pair<std::string, std::string>> {
                    if (target == "TARGETS") return std::make_pair("ATOM", "TARGETS\nUTF8_STRING\ntext/html");
                    if (target == "text/html")
                      return std::make_pair("text/html", "<p><b>" + marker + "</b></p>");
                    return std::make_pair("UTF8_STRING", marker);
                  });
  ASSERT_TRUE(captureNextCopy(count));
  ASSERT_TRUE(xclipCopy("UTF8_STRING", "between"));
  ASSERT_TRUE(xclipCopy("UTF8_STRING", marker));
  EXPECT_EQ(texts(), (std::vector<std::string>{marker, "between"}));

  const auto lines = LogCapture::take();
  EXPECT_TRUE(LogCapture::containsPrefix("append sig="));
  EXPECT_TRUE(LogCapture::containsPrefix("find copyEnntity sig="));
  for (const auto& line : lines) EXPECT_EQ(line.find("private-marker"), std::string::npos) << line;
}

TEST_F(X11CaptureTest, AnOwnerThatStallsOrAnswersGarbageCostsOneTimeLimitAndCaptureGoesOn) {
  struct Case {
    std::string what;
    FakeOwner::Responder respond;
    std::string logged;  // the start of the line that tells why nothing was kept
  };
  using Answer = std::optional<std::pair<std::string, std::string>>;
  const std::vector<Case> cases = {
      {"never answers", [](const std::string&) -> Answer { return std::nullopt; },
       "X11 clipboard: the owner did not answer within"},
      {"offers text, then falls silent",
       [](const std::string& target) -> Answer {
         if (target == "TARGETS") return std::make_pair("ATOM", "TARGETS\nUTF8_STRING");
         return std::nullopt;
       },
       "X11 clipboard: no answer for UTF8_STRING in time"},
      {"answers with a file list that is not text and an image that is not an image",
       [](const std::string& target) -> Answer {
         if (target == "TARGETS") return std::make_pair("ATOM", "TARGETS\ntext/uri-list\nimage/png");
         if (target == "image/png") return std::make_pair("image/png", "GIF89a");
         return std::make_pair("text/uri-list", "\xc3\x28\xa0\xa1");
       },
       "X11 clipboard: text/uri-list is not UTF-8 text, left out"},
  };
  startX11();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.what);
    const std::size_t before = records().size();
    LogCapture::clear();
    {
      const long long count = x11_->changeCount();
      FakeOwner owner(display_, c.respond);
      const auto start = std::chrono::steady_clock::now();
      ASSERT_TRUE(captureNextCopy(count));
      // One answer's time limit, and some room for a loaded machine; never the owner's whims.
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kAnswerTimeoutMs + 1500));
      EXPECT_EQ(records().size(), before);
      EXPECT_TRUE(LogCapture::containsPrefix(c.logged));

      // The next copy, made while the broken owner still runs, is captured as usual.
      const std::string next = "copied after a broken owner " + std::to_string(i);
      ASSERT_TRUE(xclipCopy("UTF8_STRING", next));
      ASSERT_EQ(records().size(), before + 1);
      EXPECT_EQ(texts().back(), next);
    }
  }
}

}  // namespace
}  // namespace vl::test
