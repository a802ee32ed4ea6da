#include <gtest/gtest.h>

#include "Windows/Main/preview/PreviewView2.h"
#include "core/VLConfig.h"
#include "lookup/EmbededWebview.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/system/desktop/Workspace.h"
#include "platform/system/headless/HeadlessWorkspace.h"
#include "platform/system/web/HeadlessWebEngine.h"
#include "platform/ui/view/EventDriver.h"
#include "support/Gallery.h"
#include "theme/VLThemeCategories.h"
#include "ui/WidgetTestSupport.h"

namespace vl {
namespace {

class WebSearchViewTest : public test::WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    WebEngine::install(engine_);
    Workspace::install(workspace_);
  }
  void TearDown() override {
    WebEngine::install(nullptr);
    Workspace::install(nullptr);
    CustomView::registerClass(EmbededWebview::kClassName, nullptr);
    WidgetTest::TearDown();
  }
  std::shared_ptr<EmbededWebview> makeView() {
    auto view = EmbededWebview::create({0, 0, CustomView::kWidth, CustomView::kHeight});
    add(view);
    return view;
  }
  static void settle() { dispatch::MainLoop::runUntilIdle(); }
  void press(const std::shared_ptr<ui::View>& button) {
    const ui::Rect b = button->bounds();
    driver_.click(window_, button->convertPointToView({b.midX(), b.midY()}, nullptr));
    settle();
  }
  std::vector<std::string> loadedURLs() const {
    std::vector<std::string> urls;
    for (const auto& load : engine_->loads()) urls.push_back(load.url);
    return urls;
  }

  std::shared_ptr<HeadlessWebEngine> engine_ = std::make_shared<HeadlessWebEngine>();
  std::shared_ptr<HeadlessWorkspace> workspace_ = std::make_shared<HeadlessWorkspace>();
  ui::EventDriver driver_;
};

TEST_F(WebSearchViewTest, TheSearchRowLoadsTheChosenEnginesPageForItsText) {
  auto view = makeView();
  struct Case {
    Json settings;
    Json json;
    const char* url;
  };
  const Case cases[] = {
      {Json::object(),
       {{"search", true}, {"search_context", "a&b"}},
       "https://www.google.com/search?q=a%26b"},
      {{{"engine", "Baidu"}}, {{"search_context", "two words"}}, "https://www.baidu.com/s?wd=two%20words"},
      // A change of engine counts from the next selection on; an unknown one falls back to the first.
      {{{"engine", "DuckDuckGo"}}, {{"search_context", "x"}}, "https://duckduckgo.com/?q=x"},
      {{{"engine", "Altavista"}}, {{"search_context", "x"}}, "https://www.google.com/search?q=x"},
      {Json::object(), Json::object(), "https://www.google.com/search?q="},
  };
  for (const Case& c : cases) {
    VLConfig::shared().setValueOfKey(VLConfig::kWebSearch, c.settings);
    view->setJsonData(c.json, "the record text is not used");
    EXPECT_EQ(engine_->loads().back().url, c.url);
    EXPECT_EQ(view->webViewToolbar()->homeURL(), c.url);
  }
  EXPECT_EQ(engine_->loads().back().agent, kEmbeddedWebUserAgent);
  EXPECT_TRUE(std::string(kEmbeddedWebUserAgent).ends_with("Mobile Safari/537.3"));
}

TEST_F(WebSearchViewTest, BackAndForwardFollowEachFinishedNavigationAndHomeAlwaysWorks) {
  auto view = makeView();
  WebViewToolbar& bar = *view->webViewToolbar();
  const auto states = [&] {
    return std::vector<bool>{bar.back()->enabled(), bar.forward()->enabled(), bar.home()->enabled()};
  };
  EXPECT_EQ(states(), (std::vector<bool>{false, false, true}));
  view->setJsonData(Json{{"search_context", "one"}}, "");
  EXPECT_EQ(states(), (std::vector<bool>{false, false, true})) << "changed before the page finished";
  settle();
  EXPECT_EQ(states(), (std::vector<bool>{false, false, true}));
  view->webView()->loadURL("https://example.org/two");
  settle();
  EXPECT_EQ(states(), (std::vector<bool>{true, false, true}));

  press(bar.back());
  EXPECT_EQ(view->webView()->URL(), "https://www.google.com/search?q=one");
  EXPECT_EQ(states(), (std::vector<bool>{false, true, true}));
  press(bar.back());  // disabled: nothing happens
  press(bar.forward());
  EXPECT_EQ(view->webView()->URL(), "https://example.org/two");
  EXPECT_EQ(states(), (std::vector<bool>{true, false, true}));

  // A failed page leaves the buttons as the last finished one set them.
  engine_->setResponder([](const std::string& url) -> std::optional<std::string> {
    if (url.find("broken") != std::string::npos) return std::string("no route");
    return std::nullopt;
  });
  view->webView()->loadURL("https://example.org/broken");
  settle();
  EXPECT_EQ(states(), (std::vector<bool>{true, false, true}));
  press(bar.home());
  EXPECT_EQ(loadedURLs().back(), "https://www.google.com/search?q=one");
  EXPECT_EQ(loadedURLs().size(), 6u);
}

TEST_F(WebSearchViewTest, APageWhoseProcessEndsLoadsAgainOnce) {
  auto view = makeView();
  view->setJsonData(Json{{"search_context", "q"}}, "");
  settle();
  engine_->crash(view->webView()->surfaceNumber());
  settle();
  EXPECT_EQ(loadedURLs(), (std::vector<std::string>(2, "https://www.google.com/search?q=q")));
  // Two ends before a page finished: the second is a failure, not another load.
  engine_->crash(view->webView()->surfaceNumber());
  engine_->crash(view->webView()->surfaceNumber());
  settle();
  EXPECT_EQ(loadedURLs().size(), 3u);
}

TEST_F(WebSearchViewTest, WithoutPagesTheViewOffersTheBrowser) {
  auto view = makeView();
  view->setJsonData(Json{{"search_context", "a&b"}}, "");
  EXPECT_FALSE(view->offersBrowser());
  // A panel over the preview hides the page, which would lie over it.
  view->setSelection(false);
  EXPECT_TRUE(view->webView()->isHidden());
  view->setSelection(true);
  EXPECT_FALSE(view->webView()->isHidden());

  engine_->setAvailable(false);
  settle();
  EXPECT_TRUE(view->offersBrowser());
  EXPECT_TRUE(view->webView()->isHidden());
  press(view->unavailableView()->openButton());
  EXPECT_EQ(workspace_->openedURLs(), std::vector<std::string>{"https://www.google.com/search?q=a%26b"});
}

TEST_F(WebSearchViewTest, GalleryOfTheBrowserOffer) {
  test::DesktopPaintingScope painting;
  engine_->setAvailable(false);
  auto window =
      ui::Window::create({0, 0, CustomView::kWidth, CustomView::kHeight}, ui::WindowStyle::Borderless);
  setBackgroundColorAssetKey(*window, std::string("vellistoBackgroundColorSystem11"));
  auto view = EmbededWebview::create({0, 0, CustomView::kWidth, CustomView::kHeight});
  window->contentView()->addSubview(view);
  settle();
  ASSERT_TRUE(view->offersBrowser());
  EXPECT_EQ(test::writeGallery(*window, "web-search-unavailable").size(), 2u);
}

TEST_F(WebSearchViewTest, ThePreviewMakesTheViewTheRowNames) {
  installLookupViews();
  auto preview = PreviewView2::create();
  add(preview);
  const Json row{{"search", true}, {"custom_view", "EmbededWebview"}, {"search_context", "zz"}};
  preview->alternateView("EmbededWebview", "Search the web for 'zz'", row);
  auto view = std::dynamic_pointer_cast<EmbededWebview>(preview->cachedView("EmbededWebview"));
  ASSERT_NE(view, nullptr);
  // Each selection of the row loads the page again, in the same view.
  preview->alternateView("EmbededWebview", "", row);
  EXPECT_EQ(preview->cachedView("EmbededWebview"), view);
  EXPECT_EQ(loadedURLs(), (std::vector<std::string>(2, "https://www.google.com/search?q=zz")));
}

}  // namespace
}  // namespace vl
