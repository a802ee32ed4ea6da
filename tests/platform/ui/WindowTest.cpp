#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/view/View.h"
#include "platform/ui/view/ViewController.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Panel.h"
#include "platform/ui/window/Screen.h"
#include "platform/ui/window/Window.h"

namespace vl::ui {
namespace {

using test::UiTest;

// Collects "<name> <title>" for every window notification.
class WindowNotes {
 public:
  WindowNotes() {
    for (const char* name :
         {kWindowDidBecomeKeyNotification, kWindowDidResignKeyNotification, kWindowDidBecomeMainNotification,
          kWindowDidResignMainNotification, kWindowWillCloseNotification}) {
      observations_.push_back(
          NotificationCenter::defaultCenter().observe(name, nullptr, [this](const Notification& n) {
            auto* w = static_cast<const Window*>(n.object);
            lines.push_back(n.name + " " + w->title());
          }));
    }
  }
  std::vector<std::string> lines;

 private:
  std::vector<Observation> observations_;
};

std::shared_ptr<Window> titled(const std::string& title, const Rect& content = {0, 0, 200, 100}) {
  auto w = Window::create(content, WindowStyle::Titled | WindowStyle::Closable);
  w->setTitle(title);
  return w;
}

TEST_F(UiTest, BecomingKeyPostsTheNotificationWithTheWindowAsObject) {
  auto a = titled("a"), b = titled("b");
  WindowNotes notes;
  a->makeKeyAndOrderFront();
  b->makeKeyAndOrderFront();
  a->makeKeyWindow();
  a->makeKeyWindow();  // already key: nothing
  EXPECT_EQ(notes.lines, (std::vector<std::string>{
                             "NSWindowDidBecomeKeyNotification a", "NSWindowDidBecomeMainNotification a",
                             "NSWindowDidResignKeyNotification a", "NSWindowDidBecomeKeyNotification b",
                             "NSWindowDidResignMainNotification a", "NSWindowDidBecomeMainNotification b",
                             "NSWindowDidResignKeyNotification b", "NSWindowDidBecomeKeyNotification a",
                             "NSWindowDidResignMainNotification b", "NSWindowDidBecomeMainNotification a"}));
  EXPECT_EQ(Application::shared().keyWindow(), a.get());

  notes.lines.clear();
  a->close();
  EXPECT_EQ(notes.lines,
            (std::vector<std::string>{"NSWindowWillCloseNotification a", "NSWindowDidResignKeyNotification a",
                                      "NSWindowDidResignMainNotification a"}));
  EXPECT_EQ(Application::shared().keyWindow(), nullptr);
  EXPECT_FALSE(a->isVisible());
}

TEST_F(UiTest, BorderlessWindowsAndPanelsHaveLimitedRoles) {
  auto borderless = Window::create({0, 0, 100, 100}, WindowStyle::Borderless);
  borderless->makeKeyAndOrderFront();
  EXPECT_TRUE(borderless->isVisible());
  EXPECT_FALSE(borderless->isKeyWindow());
  EXPECT_TRUE(test::logContains("cannot become key"));

  class KeyableBorderless : public Window {
   public:
    using Window::Window;
    bool canBecomeKeyWindow() const override { return true; }
  };
  auto main = std::make_shared<KeyableBorderless>(Rect{0, 0, 100, 100}, WindowStyle::Borderless);
  main->makeKeyAndOrderFront();
  EXPECT_TRUE(main->isKeyWindow());

  auto panel = Panel::create({0, 0, 100, 100}, WindowStyle::Titled | WindowStyle::NonactivatingPanel);
  panel->makeKeyAndOrderFront();
  EXPECT_TRUE(panel->isKeyWindow());
  EXPECT_FALSE(panel->isMainWindow());
  EXPECT_TRUE(main->isMainWindow());
}

TEST_F(UiTest, DelegateMayRefuseToCloseAndHearsKeyChanges) {
  struct Delegate : WindowDelegate {
    bool allow = false;
    std::vector<std::string> calls;
    bool windowShouldClose(Window&) override { return allow; }
    void windowWillClose(Window&) override { calls.push_back("willClose"); }
    void windowDidBecomeKey(Window&) override { calls.push_back("becameKey"); }
    void windowDidResize(Window& w) override { calls.push_back("resized " + stringFromRect(w.frame())); }
  };
  auto d = std::make_shared<Delegate>();
  auto w = titled("w");
  w->setDelegate(d);
  w->makeKeyAndOrderFront();
  w->performClose();
  EXPECT_TRUE(w->isVisible());
  d->allow = true;
  w->performClose();
  EXPECT_FALSE(w->isVisible());
  w->setFrame({0, 0, 300, 128}, false);
  EXPECT_EQ(d->calls, (std::vector<std::string>{"becameKey", "willClose", "resized {{0, 0}, {300, 128}}"}));
}

TEST_F(UiTest, FrameTitleBarAndContentAreaStayInStep) {
  auto w = titled("w", {100, 200, 300, 150});
  EXPECT_EQ(w->frame(), (Rect{100, 200, 300, 178}));
  EXPECT_DOUBLE_EQ(w->titlebarHeight(), Window::kTitlebarHeight);
  EXPECT_EQ(w->contentView()->frame(), (Rect{0, 0, 300, 150}));
  w->setContentSize({400, 100});  // the top edge stays put
  EXPECT_EQ(w->frame(), (Rect{100, 250, 400, 128}));
  w->setStyleMask(WindowStyle::Borderless);
  EXPECT_EQ(w->contentView()->frame(), (Rect{0, 0, 400, 128}));
  EXPECT_DOUBLE_EQ(w->titlebarHeight(), 0);
  EXPECT_EQ(w->convertPointToScreen({10, 10}), (Point{110, 260}));
  w->setFrame({0, 0, std::nan(""), 10}, true);
  EXPECT_EQ(w->frame(), (Rect{100, 250, 400, 128}));

  // Displaying with the frame re-records at once.
  w->contentView()->addSubview(test::filledView({0, 0, 10, 10}));
  w->setFrame({0, 0, 50, 50}, true);
  EXPECT_FALSE(w->viewsNeedDisplay());
  EXPECT_EQ(w->displayList().size(), 2u);
}

TEST_F(UiTest, ContentViewControllerLoadsSizesAndFollowsOrdering) {
  struct Controller : ViewController {
    std::vector<std::string> calls;
    void loadView() override {
      calls.push_back("loadView");
      setView(View::create({0, 0, 680, 400}));
    }
    void viewDidLoad() override { calls.push_back("viewDidLoad"); }
    void viewWillAppear() override { calls.push_back("willAppear"); }
    void viewDidAppear() override { calls.push_back("didAppear"); }
    void viewWillDisappear() override { calls.push_back("willDisappear"); }
    void viewDidDisappear() override { calls.push_back("didDisappear"); }
  };
  auto w = Window::create({0, 0, 0, 0}, WindowStyle::Borderless);
  auto c = std::make_shared<Controller>();
  w->setContentViewController(c);
  EXPECT_EQ(w->frame().size, (Size{680, 400}));
  EXPECT_EQ(w->contentView(), c->view());
  EXPECT_EQ(c->nextResponder(), w.get());
  w->orderFront();
  w->orderFront();
  w->orderOut();
  EXPECT_EQ(c->calls, (std::vector<std::string>{"loadView", "viewDidLoad", "willAppear", "didAppear",
                                                "willDisappear", "didDisappear"}));
}

TEST_F(UiTest, ApplicationListsWindowsByLevelAndHidingKeepsNonactivatingPanels) {
  Application& app = Application::shared();
  auto normal = titled("normal");
  auto floating = Panel::create({0, 0, 10, 10}, WindowStyle::Titled);
  floating->setFloatingPanel(true);
  auto record = Panel::create({0, 0, 10, 10}, WindowStyle::NonactivatingPanel);
  record->setFloatingPanel(true);
  floating->orderFront();
  record->orderFront();
  normal->makeKeyAndOrderFront();
  EXPECT_EQ(app.orderedWindows(), (std::vector<Window*>{record.get(), floating.get(), normal.get()}));
  auto all = app.windows();
  EXPECT_NE(std::find(all.begin(), all.end(), normal.get()), all.end());
  EXPECT_EQ(app.windowWithNumber(normal->windowNumber()), normal.get());

  app.hide();
  EXPECT_TRUE(app.isHidden());
  EXPECT_FALSE(app.isActive());
  EXPECT_EQ(app.orderedWindows(), (std::vector<Window*>{record.get()}));
  EXPECT_EQ(app.keyWindow(), nullptr);
  app.activate();  // unhides: the windows come back in front of the panel that stayed
  EXPECT_FALSE(app.isHidden());
  EXPECT_EQ(app.orderedWindows(), (std::vector<Window*>{floating.get(), record.get(), normal.get()}));

  // A destroyed window leaves every list.
  Window* gone = normal.get();
  normal.reset();
  all = app.windows();
  EXPECT_EQ(std::find(all.begin(), all.end(), gone), all.end());
  EXPECT_EQ(app.orderedWindows().size(), 2u);
}

TEST_F(UiTest, WindowsHiddenOnDeactivationComeBackOnActivation) {
  Application& app = Application::shared();
  auto w = titled("w");
  w->setHidesOnDeactivate(true);
  w->orderFront();
  int resigned = 0;
  auto obs = NotificationCenter::defaultCenter().observe(kApplicationDidResignActiveNotification, nullptr,
                                                         [&](const Notification&) { ++resigned; });
  app.deactivate();
  app.deactivate();
  EXPECT_EQ(resigned, 1);
  EXPECT_FALSE(w->isVisible());
  app.activate();
  EXPECT_TRUE(w->isVisible());
}

TEST_F(UiTest, ScreensDefaultToOneAndCanBeConfigured) {
  ASSERT_EQ(Screen::screens().size(), 1u);
  EXPECT_EQ(Screen::mainScreen()->frame(), (Rect{0, 0, 1440, 900}));
  Screen::setScreens(
      {Screen({0, 0, 1920, 1080}, {0, 0, 1920, 1050}), Screen({1920, 0, 1280, 800}, {1920, 0, 1280, 800})});
  auto w = titled("w", {2000, 100, 400, 300});
  EXPECT_EQ(w->screen()->frame(), (Rect{1920, 0, 1280, 800}));
  w->setFrameOrigin({-5000, 0});
  EXPECT_EQ(w->screen(), Screen::mainScreen());
  Screen::setScreens({});
  EXPECT_EQ(Screen::mainScreen(), nullptr);
  EXPECT_EQ(w->screen(), nullptr);
}

}  // namespace
}  // namespace vl::ui
