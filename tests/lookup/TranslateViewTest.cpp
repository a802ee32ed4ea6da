#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/stat.h>

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

#include "Windows/Main/preview/PreviewView2.h"
#include "lookup/DictionaryService.h"
#include "lookup/EmbededWebview.h"
#include "lookup/LookupTestSupport.h"
#include "lookup/PronounceAudio.h"
#include "lookup/TranslateView.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/ServiceHosts.h"
#include "platform/system/headless/HeadlessSoundPlayer.h"
#include "platform/ui/view/EventDriver.h"
#include "support/FakeHttpFetcher.h"
#include "support/Gallery.h"
#include "theme/VLThemeCategories.h"
#include "ui/WidgetTestSupport.h"

namespace vl {
namespace {

constexpr const char* kFakeBase = "https://dict.test";

HttpResponse page(const std::string& name, const std::string& type = "text/html; charset=utf-8") {
  HttpResponse response;
  response.status = 200;
  response.body = test::lookupPage(name);
  response.contentType = type;
  return response;
}

Json lookupOf(const std::string& word) {
  return {{"custom_view", "TranslateView"}, {"translate_words", word}};
}

class TranslateViewTest : public test::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    std::ofstream(home_ / "services.json") << R"({"dictionary": ")" << kFakeBase << R"("})";
    env_.set(kServicesFileVariable, home_ / "services.json");
    HttpFetcher::install(fetcher_);
    SoundPlayer::install(sound_);
  }
  void TearDown() override {
    HttpFetcher::install(nullptr);
    SoundPlayer::install(nullptr);
    CustomView::registerClass(TranslateView::kClassName, nullptr);
    CustomView::registerClass(EmbededWebview::kClassName, nullptr);
    WidgetTest::TearDown();
  }
  std::shared_ptr<TranslateView> makeView() {
    auto view = TranslateView::create({0, 0, CustomView::kWidth, CustomView::kHeight});
    add(view);
    return view;
  }
  void serve(const std::string& word, HttpResponse response) {
    fetcher_->setResponse(dictionaryLookupURL(kFakeBase, word), std::move(response));
  }
  static void settle() { dispatch::MainLoop::runUntilIdle(); }
  // What the rows show, hidden buttons left out: keyword | row 1 [>] | row 2 [>] | definitions.
  static std::string shown(const TranslateView& view) {
    const auto row = [](const PronounceView& p) {
      return p.phonetic()->string() + (p.voice()->isHidden() ? "" : " [>]");
    };
    return view.keywordsTextView()->string() + " | " + row(*view.pronounceView1()) + " | " +
           row(*view.pronounceView2()) + " | " + view.descTextView()->string();
  }

  std::shared_ptr<test::FakeHttpFetcher> fetcher_ = std::make_shared<test::FakeHttpFetcher>();
  std::shared_ptr<HeadlessSoundPlayer> sound_ = std::make_shared<HeadlessSoundPlayer>();
};

TEST_F(TranslateViewTest, EachLookupLoadsThenShowsItsWordAndClearsWhatTheLastOneLeft) {
  auto view = makeView();
  serve("hello", page("two-voices.html"));
  serve("world", page("one-voice.html"));
  serve("tea", page("gbk.html", "text/html; charset=GBK"));
  serve("gone", {404, "<html>no such word</html>", ""});
  struct Case {
    const char* word;
    std::string shows;  // empty: the failure line
  };
  const Case cases[] = {
      {"hello",
       "hello | UK [həˈləʊ] [>] | US [həˈloʊ] [>] | int. used as a greeting\nn. a greeting said on meeting "
       "someone\nan expression of greeting"},
      // One pronunciation: the second row of the last word goes.
      {"world", "world | [wɜːld] [>] |  | everything that exists anywhere"},
      {"tea", "tea | UK [ti:] [>] |  | n. 茶；茶叶"},
      {"gone", ""},
      {"hello",
       "hello | UK [həˈləʊ] [>] | US [həˈloʊ] [>] | int. used as a greeting\nn. a greeting said on "
       "meeting someone\nan expression of greeting"},
      // Nothing to look up, or nothing that may reach an address: empty rows, and nothing asked.
      {"", " |  |  | "},
      {"line\nend", " |  |  | "},
      {"\xC3(", " |  |  | "},
  };
  for (const Case& c : cases) {
    const std::size_t asked = fetcher_->requests().size();
    view->setJsonData(lookupOf(c.word), "the record text is not used");
    // The answer is on the main queue: until it runs the view says it is looking.
    EXPECT_EQ(view->isLoading(), fetcher_->requests().size() > asked) << c.word;
    if (view->isLoading()) {
      EXPECT_TRUE(view->isLoading()) << c.word;
      EXPECT_FALSE(view->loading()->isHidden());
      EXPECT_EQ(view->loading()->string(), localized("translate.loading"));
      EXPECT_TRUE(view->transContainer()->isHidden());
    }
    settle();
    EXPECT_FALSE(view->isLoading()) << c.word;
    if (c.shows.empty()) {
      EXPECT_EQ(view->loading()->string(), localized("translate.failed")) << c.word;
      EXPECT_FALSE(view->loading()->isHidden());
      EXPECT_TRUE(view->transContainer()->isHidden());
      EXPECT_EQ(shown(*view), " |  |  | ") << "a failure leaves nothing of the last word behind";
    } else {
      EXPECT_TRUE(view->loading()->isHidden()) << c.word;
      EXPECT_FALSE(view->transContainer()->isHidden());
      EXPECT_EQ(shown(*view), c.shows) << c.word;
    }
  }
  // Words go into the query escaped.
  view->setJsonData(lookupOf("a&b=c#d"), "");
  settle();
  EXPECT_EQ(fetcher_->requestedUrls().back(), "https://dict.test/search?q=a%26b%3Dc%23d");
  EXPECT_EQ(fetcher_->requestedUrls().size(), 6u);
}

TEST_F(TranslateViewTest, ThePreviewMakesTheViewTheDictionaryActionNames) {
  installLookupViews();
  serve("hello", page("two-voices.html"));
  auto preview = PreviewView2::create();
  add(preview);
  preview->alternateView("TranslateView", "", lookupOf("hello"));
  auto view = std::dynamic_pointer_cast<TranslateView>(preview->cachedView("TranslateView"));
  ASSERT_NE(view, nullptr);
  settle();
  EXPECT_EQ(view->keywordsTextView()->string(), "hello");
}

// A loopback dictionary: pages from the fixtures, "hello" held until released, and silent audio.
class LoopbackDictionary {
 public:
  LoopbackDictionary() {
    server_.Get("/search", [this](const httplib::Request& req, httplib::Response& res) {
      const std::string word = req.get_param_value("q");
      if (word == "hello") {
        std::unique_lock lock(mutex_);
        released_.wait(lock, [this] { return release_; });
      }
      const std::string body = test::lookupPage(word == "hello" ? "two-voices.html" : "one-voice.html");
      res.set_content(body, "text/html; charset=utf-8");
    });
    server_.Get("/dictvoice", [this](const httplib::Request& req, httplib::Response& res) {
      {
        std::lock_guard lock(mutex_);
        voiceTargets_.push_back(req.target);
      }
      res.set_content(test::silentMp3(40), "audio/mpeg");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
  }
  ~LoopbackDictionary() {
    release();
    server_.stop();
    thread_.join();
  }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  void release() {
    std::lock_guard lock(mutex_);
    release_ = true;
    released_.notify_all();
  }
  std::vector<std::string> voiceTargets() {
    std::lock_guard lock(mutex_);
    return voiceTargets_;
  }

 private:
  httplib::Server server_;
  int port_ = -1;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable released_;
  bool release_ = false;
  std::vector<std::string> voiceTargets_;
};

class TranslateLoopbackTest : public TranslateViewTest {
 protected:
  void SetUp() override {
    TranslateViewTest::SetUp();
    HttpFetcher::install(nullptr);
    env_.set("no_proxy", "127.0.0.1");
    std::ofstream(home_ / "services.json") << R"({"dictionary": ")" << site_.base() << R"("})";
  }
  LoopbackDictionary site_;
};

TEST_F(TranslateLoopbackTest, ALateAnswerForAnEarlierWordIsDropped) {
  auto view = makeView();
  view->setJsonData(lookupOf("hello"), "");
  view->setJsonData(lookupOf("world"), "");
  ASSERT_TRUE(test::runMainUntil([&] { return !view->isLoading(); }));
  EXPECT_EQ(view->keywordsTextView()->string(), "world");
  site_.release();
  ASSERT_TRUE(test::runMainUntil([&] { return view->staleAnswers() == 1; }));
  EXPECT_EQ(view->keywordsTextView()->string(), "world");
  EXPECT_TRUE(view->pronounceView2()->phonetic()->string().empty());
}

TEST_F(TranslateLoopbackTest, PlayingFetchesTheLinkedAudioAndPlaysItAsWav) {
  auto view = makeView();
  view->setJsonData(lookupOf("world"), "");
  ASSERT_TRUE(test::runMainUntil([&] { return !view->isLoading(); }));
  const auto& button = view->pronounceView1()->voice();
  ASSERT_FALSE(button->isHidden());
  ui::EventDriver driver;
  driver.click(window_, button->convertPointToView({10, 10}, nullptr));
  ASSERT_TRUE(test::runMainUntil([&] { return !sound_->played().empty(); }));

  EXPECT_EQ(site_.voiceTargets(), std::vector<std::string>{"/dictvoice?audio=world"});
  const std::string path = sound_->played().front().first;
  EXPECT_EQ(path, pronunciationPath(site_.base() + "/dictvoice?audio=world"));
  EXPECT_EQ(path.rfind(home_ / ".vellisto/audio/pronounce-", 0), 0u) << path;
  EXPECT_EQ(path.find("world"), std::string::npos) << "the word never shows in a file name";
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  const std::string wav = files::readFile(path).value_or("");
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(wav.size(), 44u + 40u * 1152u * 2u);
}

TEST_F(TranslateViewTest, GalleryOfTheDictionaryView) {
  test::DesktopPaintingScope painting;
  serve("hello", page("two-voices.html"));
  serve("world", page("one-voice.html"));
  auto window =
      ui::Window::create({0, 0, CustomView::kWidth, CustomView::kHeight}, ui::WindowStyle::Borderless);
  setBackgroundColorAssetKey(*window, std::string("vellistoBackgroundColorSystem11"));
  auto view = TranslateView::create({0, 0, CustomView::kWidth, CustomView::kHeight});
  window->contentView()->addSubview(view);

  view->setJsonData(lookupOf("hello"), "");
  EXPECT_EQ(test::writeGallery(*window, "translate-loading").size(), 2u);
  settle();
  EXPECT_EQ(test::writeGallery(*window, "translate-two-pronunciations").size(), 2u);
  // Measured with the painted font: each play button sits just after its row's text.
  for (const auto& row : {view->pronounceView1(), view->pronounceView2()}) {
    EXPECT_EQ(row->voice()->frame(), (ui::Rect{row->phonetic()->frame().maxX() + 10, 0, 20, 20}));
  }
  view->setJsonData(lookupOf("world"), "");
  settle();
  EXPECT_EQ(test::writeGallery(*window, "translate-one-pronunciation").size(), 2u);
  view->setJsonData(lookupOf("missing"), "");
  settle();
  EXPECT_EQ(test::writeGallery(*window, "translate-failed").size(), 2u);
}

}  // namespace
}  // namespace vl
