// clang-format off
// The toolkit's headers before any X11 header: Xlib's macros (Status, None) would break them.
#include <gtest/gtest.h>
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ScrollView.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/menu/MenuWindow.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/text/TextField.h"
#include "platform/ui/view/Layer.h"
#include "platform/ui/window/Application.h"
#include "platform/ui/window/Panel.h"
#include "platform/ui/window/Screen.h"
#include "platform/ui/window/Window.h"
#include "support/Gallery.h"
#include "support/X11TestSupport.h"
#include "platform/system/PasteRoad.h"
#include "platform/system/x11/input/X11Focus.h"
#include "platform/system/x11/input/X11KeyPoster.h"
#include "platform/system/x11/window/X11WindowServer.h"
#include "platform/system/x11/X11Workspace.h"
// clang-format on
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

namespace vl::x11test {
namespace {

using namespace vl::ui;

class Rows : public TableViewDataSource {
 public:
  long numberOfRowsInTableView(TableView&) override { return 100; }
};

class Clicks : public Responder {
 public:
  bool respondsToAction(const std::string& a) const override { return a == "pressed:"; }
  bool performAction(const std::string&, ActionTarget*) override {
    ++count;
    return true;
  }
  int count = 0;
};

// A window of 400 x 300 points at (100, 200) holding a button, a text field and a table of 100 rows, on a
// clear background with a red panel inset by 12 points; the top-left corner stays unpainted.
struct Scene {
  explicit Scene(std::uint64_t style) {
    window = Window::create({100, 200, 400, 300}, style);
    window->setOpaque(false);
    window->setBackgroundColor(Color::clear());
    auto rounded = View::create({0, 0, 400, 300});
    rounded->setWantsLayer(true);
    rounded->layer()->setBackgroundColor(Color::white(0.9));
    rounded->layer()->setCornerRadius(10);
    window->contentView()->addSubview(rounded);
    panel = View::create({12, 12, 376, 276});
    panel->setWantsLayer(true);
    panel->layer()->setBackgroundColor(Color::rgb24(0xff0000));
    rounded->addSubview(panel);
    button = Button::create({20, 250, 100, 30});
    button->setTarget(clicks);
    button->setAction("pressed:");
    field = TextField::create({140, 250, 200, 24});
    scroll = ScrollView::create({20, 20, 360, 200});
    table = std::make_shared<TableView>();
    table->addTableColumn(TableColumn::create("display"));
    table->setRowHeight(20);
    table->setDataSource(rows);
    scroll->setDocumentView(table);
    for (auto v : std::vector<std::shared_ptr<View>>{button, field, scroll}) panel->addSubview(v);
    table->reloadData();
  }
  ~Scene() { window->orderOut(); }

  std::shared_ptr<Window> window;
  std::shared_ptr<View> panel;
  std::shared_ptr<Button> button;
  std::shared_ptr<TextField> field;
  std::shared_ptr<ScrollView> scroll;
  std::shared_ptr<TableView> table;
  std::shared_ptr<Rows> rows = std::make_shared<Rows>();
  std::shared_ptr<Clicks> clicks = std::make_shared<Clicks>();
};

class X11WindowTest : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    probe_ = XOpenDisplay(display_.c_str());
    ASSERT_NE(probe_, nullptr);
    server_ = x11::X11WindowServer::create(display_);
    ASSERT_NE(server_, nullptr);
    WindowServer::install(server_);
  }
  void TearDown() override {
    WindowServer::install(nullptr);
    server_.reset();
    // A window manager gone with the test leaves the root naming the window it last activated.
    if (probe_)
      XDeleteProperty(probe_, DefaultRootWindow(probe_), XInternAtom(probe_, "_NET_ACTIVE_WINDOW", False));
    if (probe_) XCloseDisplay(probe_);
  }

  void startHelper(std::unique_ptr<DisplayHelper> helper) {
    if (!helper->running()) VL_SKIP_WITHOUT_DESKTOP(helper->failure());
    helper_ = std::move(helper);
  }
  ::Window xWindow(const Window& w) { return server_->xWindowOf(w); }
  // The root position of a point of a window's content (points from its bottom left).
  std::pair<int, int> rootPoint(Window& w, Point p) {
    int x = 0, y = 0;
    ::Window child = None;
    XTranslateCoordinates(probe_, xWindow(w), DefaultRootWindow(probe_), 0, 0, &x, &y, &child);
    return {x + static_cast<int>(p.x), y + static_cast<int>(w.contentRect().height() - p.y)};
  }
  unsigned long pixelAt(int x, int y) {
    XImage* image = XGetImage(probe_, DefaultRootWindow(probe_), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return ~0UL;
    const unsigned long p = XGetPixel(image, 0, 0) & 0xffffff;
    XDestroyImage(image);
    return p;
  }
  bool viewable(::Window w) {
    XWindowAttributes a{};
    return w != None && XGetWindowAttributes(probe_, w, &a) && a.map_state == IsViewable;
  }
  ::Window netActiveWindow() {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    ::Window w = None;
    if (XGetWindowProperty(probe_, DefaultRootWindow(probe_),
                           XInternAtom(probe_, "_NET_ACTIVE_WINDOW", False), 0, 1, False, XA_WINDOW, &type,
                           &format, &count, &after, &data) == Success &&
        data && count == 1 && format == 32)
      w = static_cast<::Window>(*reinterpret_cast<unsigned long*>(data));
    if (data) XFree(data);
    return w;
  }
  ::Window focus() { return keyboardFocus(probe_); }
  void show(Scene& s, bool key) {
    key ? s.window->makeKeyAndOrderFront() : s.window->orderFront();
    ASSERT_TRUE(waitUntil([&] { return viewable(xWindow(*s.window)); }));
    // A window manager still to act on the activation would move the focus again later.
    const bool managed = windowManagerRuns(probe_);
    if (key) {
      ASSERT_TRUE(waitUntil([&] {
        return focus() == xWindow(*s.window) && (!managed || netActiveWindow() == xWindow(*s.window));
      })) << "focus "
          << focus() << " ours " << xWindow(*s.window) << " active " << netActiveWindow() << " managed "
          << managed;
    }
  }
  void click(int x, int y, unsigned button) {
    XTestFakeMotionEvent(probe_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(probe_, button, True, CurrentTime);
    XTestFakeButtonEvent(probe_, button, False, CurrentTime);
    XSync(probe_, False);
  }
  void type(KeySym keysym) {
    const ::KeyCode code = XKeysymToKeycode(probe_, keysym);
    ASSERT_NE(code, 0) << "no key types keysym " << keysym;
    XTestFakeKeyEvent(probe_, code, True, CurrentTime);
    XTestFakeKeyEvent(probe_, code, False, CurrentTime);
    XSync(probe_, False);
  }
  // Puts `keysym` on a key the keyboard leaves empty, so the test can type it.
  void mapSpareKey(KeySym keysym) {
    if (XKeysymToKeycode(probe_, keysym) != 0) return;
    int low = 0, high = 0, per = 0;
    XDisplayKeycodes(probe_, &low, &high);
    KeySym* map = XGetKeyboardMapping(probe_, static_cast<::KeyCode>(low), high - low + 1, &per);
    for (int code = high; code >= low; --code) {
      bool empty = true;
      for (int i = 0; i < per; ++i) empty = empty && map[(code - low) * per + i] == NoSymbol;
      if (!empty) continue;
      KeySym syms[2] = {keysym, keysym};
      XChangeKeyboardMapping(probe_, code, 2, syms, 1);
      break;
    }
    XFree(map);
    XSync(probe_, False);
  }

  Display* probe_ = nullptr;
  std::shared_ptr<x11::X11WindowServer> server_;
  std::unique_ptr<DisplayHelper> helper_;
};

TEST_F(X11WindowTest, ScreensComeFromTheDisplay) {
  ASSERT_EQ(Screen::screens().size(), 1u);
  EXPECT_EQ(Screen::mainScreen()->frame(), (Rect{0, 0, 1280, 800}));
  EXPECT_EQ(server_->backingScale(), 1);
}

// Without a compositing manager the unpainted corner is cut away; with one it is transparent. Either way
// the root shows through there, and the red panel shows inside.
class X11WindowPixelsTest : public X11WindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(X11WindowPixelsTest, ContentShowsAndTheClearCornerShowsWhatLiesBehind) {
  if (GetParam()) startHelper(DisplayHelper::compositor(display_));
  if (IsSkipped() || HasFatalFailure()) return;
  Scene s(WindowStyle::Borderless);
  s.window->orderFront();
  ASSERT_TRUE(waitUntil([&] { return viewable(xWindow(*s.window)); }));
  const auto [cx, cy] = rootPoint(*s.window, {200, 150});
  const auto [kx, ky] = rootPoint(*s.window, {1, 299});
  ASSERT_TRUE(waitUntil([&] { return pixelAt(cx, cy) == 0xff0000; })) << std::hex << pixelAt(cx, cy);
  s.window->orderOut();
  ASSERT_TRUE(waitUntil([&] { return !viewable(xWindow(*s.window)); }));
  const unsigned long behind = pixelAt(kx, ky);
  s.window->orderFront();
  ASSERT_TRUE(waitUntil([&] { return pixelAt(cx, cy) == 0xff0000; }));
  EXPECT_EQ(pixelAt(kx, ky), behind);

  XWindowAttributes a{};
  XGetWindowAttributes(probe_, xWindow(*s.window), &a);
  int count = 0, ordering = 0;
  XRectangle* rects = XShapeGetRectangles(probe_, xWindow(*s.window), ShapeBounding, &count, &ordering);
  bool cornerKept = false;
  for (int i = 0; i < count; ++i) cornerKept = cornerKept || (rects[i].x <= 1 && rects[i].y <= 1);
  if (rects) XFree(rects);
  if (GetParam()) {
    EXPECT_EQ(a.depth, 32);
  } else {
    EXPECT_FALSE(cornerKept) << "the outline is not cut";
  }
}

INSTANTIATE_TEST_SUITE_P(Compositor, X11WindowPixelsTest, ::testing::Values(false, true));

// Nothing polls for changes: a layer that changes asks for the next frame itself, and only that frame
// brings it to the screen.
// The paste road hides our windows and then asks for the focus on a connection of its own: once the
// flush returns, a window ordered out is gone on the server, with no waiting in between, so the window
// manager hears of it before it hears that request.
TEST_F(X11WindowTest, AWindowOrderedOutIsWithdrawnOnceTheFlushReturns) {
  Scene s(WindowStyle::Borderless);
  s.window->orderFront();
  ASSERT_TRUE(waitUntil([&] { return viewable(xWindow(*s.window)); }));
  for (int round = 0; round < 20; ++round) {
    s.window->orderOut();
    ASSERT_TRUE(server_->flushToDisplay(30000));
    EXPECT_FALSE(viewable(xWindow(*s.window))) << "round " << round;
    s.window->orderFront();
    ASSERT_TRUE(waitUntil([&] { return viewable(xWindow(*s.window)); })) << "round " << round;
  }
}

TEST_F(X11WindowTest, LayerChangesReachTheScreenAtTheNextFrame) {
  Scene s(WindowStyle::Borderless);
  s.window->orderFront();
  ASSERT_TRUE(waitUntil([&] { return viewable(xWindow(*s.window)); }));
  const auto [cx, cy] = rootPoint(*s.window, {200, 150});
  const auto [sx, sy] = rootPoint(*s.window, {390, 5});  // in the rounded view, beside the panel
  ASSERT_TRUE(waitUntil([&] { return pixelAt(cx, cy) == 0xff0000 && !server_->frameScheduled(); }));

  s.panel->layer()->setBackgroundColor(Color::rgb24(0x00ff00));
  EXPECT_TRUE(server_->frameScheduled());
  EXPECT_TRUE(waitUntil([&] { return pixelAt(cx, cy) == 0x00ff00; })) << std::hex << pixelAt(cx, cy);

  // A standalone layer deep in the tree, and a change to it after the window settled.
  ASSERT_TRUE(waitUntil([&] { return !server_->frameScheduled(); }));
  auto spot = Layer::create();
  spot->setFrame({388, 2, 8, 6});
  spot->setBackgroundColor(Color::rgb24(0x0000ff));
  s.panel->superview()->layer()->addSublayer(spot);
  EXPECT_TRUE(server_->frameScheduled());
  EXPECT_TRUE(waitUntil([&] { return pixelAt(sx, sy) == 0x0000ff; })) << std::hex << pixelAt(sx, sy);
  ASSERT_TRUE(waitUntil([&] { return !server_->frameScheduled(); }));
  spot->setHidden(true);
  EXPECT_TRUE(server_->frameScheduled());
  EXPECT_TRUE(waitUntil([&] { return pixelAt(sx, sy) != 0x0000ff; }));
}

// Focus and stacking behave the same without a window manager and under one.
class X11WindowFocusTest : public X11WindowTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    X11WindowTest::SetUp();
    if (!IsSkipped() && !HasFatalFailure() && GetParam()) startHelper(DisplayHelper::windowManager(display_));
  }
};

TEST_P(X11WindowFocusTest, TypedTextWithADeadKeyReachesTheFocusedField) {
  mapSpareKey(XK_dead_acute);
  Scene s(WindowStyle::Titled);
  show(s, true);
  ASSERT_TRUE(s.window->makeFirstResponder(s.field.get()));
  for (KeySym k : {XK_h, XK_i, XK_dead_acute, XK_e}) type(k);
  EXPECT_TRUE(waitUntil([&] { return s.field->stringValue() == "hi\u00e9"; })) << s.field->stringValue();
}

TEST_P(X11WindowFocusTest, AClickFiresTheButtonAndTheWheelScrollsTheTable) {
  Scene s(WindowStyle::Titled);
  show(s, true);
  const auto [bx, by] = rootPoint(*s.window, s.button->convertPointToView({50, 15}, nullptr));
  click(bx, by, Button1);
  EXPECT_TRUE(waitUntil([&] { return s.clicks->count == 1; }));
  const double before = s.scroll->contentView()->bounds().origin.y;
  const auto [tx, ty] = rootPoint(*s.window, s.scroll->convertPointToView({180, 100}, nullptr));
  for (int i = 0; i < 3; ++i) click(tx, ty, Button5);
  EXPECT_TRUE(waitUntil([&] { return s.scroll->contentView()->bounds().origin.y != before; }));
}

TEST_P(X11WindowFocusTest, AFloatingPanelShownWithoutActivationLeavesTheFocus) {
  TestWindow other(display_, "Editor");
  other.focus();
  other.makeActive();
  auto panel = Panel::create({50, 50, 200, 100}, WindowStyle::Borderless | WindowStyle::NonactivatingPanel);
  panel->setFloatingPanel(true);
  panel->orderFront();
  ASSERT_TRUE(waitUntil([&] { return viewable(xWindow(*panel)); }));
  // Whatever a window manager decides about a window it maps, it has decided once it answers after.
  ASSERT_TRUE(windowManagerCaughtUp(probe_));
  EXPECT_EQ(focus(), other.id());
  panel->orderOut();
}

TEST_P(X11WindowFocusTest, TheFocusGoesBackWhenOurWindowHidesAndBeforeAPaste) {
  TestWindow other(display_, "Editor");
  other.focus();
  other.makeActive();
  Scene s(WindowStyle::Titled);
  show(s, true);
  EXPECT_EQ(x11::focusBeforeOurs(), other.id());
  s.window->orderOut();
  // With a window manager, also wait until it has acted on the request to activate the other window:
  // one still queued there would take the focus back from the window shown next.
  EXPECT_TRUE(
      waitUntil([&] { return focus() == other.id() && (!GetParam() || netActiveWindow() == other.id()); }));

  // Shown again, as by the time a user picks a record, our window has the focus; giving it back returns
  // once it is in the other window.
  show(s, true);
  auto workspace = X11Workspace::create(display_);
  ASSERT_NE(workspace, nullptr);
  EXPECT_TRUE(workspace->giveFocusBack());
  EXPECT_EQ(focus(), other.id());
}

// The hot key pressed twice quickly: shown again before the report that it lost the focus came back
// from the X thread, the window still asks for the focus.
TEST_P(X11WindowFocusTest, AWindowShownAgainRightAfterHidingTakesTheFocus) {
  TestWindow other(display_, "Editor");
  other.focus();
  Scene s(WindowStyle::Titled);
  show(s, true);
  s.window->orderOut();
  show(s, true);
}

// A window of ours shown over another of ours (the main window over Preferences by the hot key) is the
// key window from the start: the other one still holding the focus when the X side took the request does
// not become key again meanwhile, or keys typed at once would go to it.
TEST_P(X11WindowFocusTest, AWindowShownOverAnotherOfOursStaysTheKeyWindow) {
  Scene first(WindowStyle::Titled);
  show(first, true);
  std::vector<const void*> keyed;
  const Observation watch = NotificationCenter::defaultCenter().observe(
      kWindowDidBecomeKeyNotification, nullptr, [&](const Notification& n) { keyed.push_back(n.object); });
  Scene second(WindowStyle::Titled);
  show(second, true);
  ASSERT_TRUE(windowManagerCaughtUp(probe_));
  EXPECT_TRUE(waitUntil([&] { return !keyed.empty() && keyed.back() == second.window.get(); }));
  EXPECT_EQ(keyed, std::vector<const void*>{second.window.get()});
}

// Pasting gives the focus back to the window the user came from and sends the chord there; while the
// focus cannot go back, no key goes anywhere.
TEST_P(X11WindowFocusTest, APasteGoesToTheWindowTheUserCameFromOrNowhere) {
  auto poster = X11KeyPoster::create(display_);
  auto workspace = X11Workspace::create(display_);
  ASSERT_TRUE(poster && workspace);
  KeyEventPoster::install(poster);
  Workspace::install(workspace);
  struct Restore {
    ~Restore() {
      KeyEventPoster::install(nullptr);
      Workspace::install(nullptr);
      x11::rememberFocusBeforeOurs(None);
    }
  } restore;
  using Key = TestWindow::Key;

  TestWindow editor(display_, "Editor");
  editor.focus();
  Scene s(WindowStyle::Titled);
  show(s, true);
  ASSERT_EQ(x11::focusBeforeOurs(), editor.id());
  EXPECT_EQ(pasteIntoPreviousWindow(), PasteOutcome::Pasted);
  EXPECT_EQ(focus(), editor.id());
  EXPECT_EQ(editor.keys(4), (std::vector<Key>{{true, XK_Control_L, 0},
                                              {true, XK_v, ControlMask},
                                              {false, XK_v, ControlMask},
                                              {false, XK_Control_L, ControlMask}}));

  struct Case {
    const char* name;
    std::function<void(std::unique_ptr<TestWindow>&)> lose;
  };
  const Case cases[] = {
      {"closed", [](std::unique_ptr<TestWindow>& w) { w.reset(); }},
      {"hidden",
       [](std::unique_ptr<TestWindow>& w) {
         XUnmapWindow(w->display(), w->id());
         XSync(w->display(), False);
       }},
      {"never known", [](std::unique_ptr<TestWindow>&) { x11::rememberFocusBeforeOurs(None); }},
  };
  TestWindow stranger(display_, "Stranger");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto cameFrom = std::make_unique<TestWindow>(display_, "Gone");
    cameFrom->focus();
    x11::rememberFocusBeforeOurs(cameFrom->id());
    c.lose(cameFrom);
    stranger.focus();
    EXPECT_EQ(pasteIntoPreviousWindow(), PasteOutcome::FocusNotReturned);
    // Keys arrive in order: the first the stranger sees is the one typed after the refused paste.
    ASSERT_TRUE(poster->postKeyEvent(ui::KeyCode::A, 0, true));
    ASSERT_TRUE(poster->postKeyEvent(ui::KeyCode::A, 0, false));
    EXPECT_EQ(stranger.keys(2), (std::vector<Key>{{true, XK_a, 0}, {false, XK_a, 0}}));
  }
}

TEST_P(X11WindowFocusTest, APopUpClosesOnAClickOutsideIt) {
  auto popUp = Panel::create({300, 300, 120, 80}, WindowStyle::Borderless | WindowStyle::NonactivatingPanel);
  popUp->setLevel(WindowLevel::PopUpMenu);
  int cancelled = 0;
  popUp->setActionHandler("cancelOperation:", [&](ActionTarget*) {
    ++cancelled;
    popUp->orderOut();
  });
  popUp->orderFront();
  ASSERT_TRUE(waitUntil([&] { return viewable(xWindow(*popUp)); }));
  XWindowAttributes a{};
  XGetWindowAttributes(probe_, xWindow(*popUp), &a);
  EXPECT_TRUE(a.override_redirect);
  // It holds the pointer once another client can no longer grab it.
  ASSERT_TRUE(waitUntil([&] {
    const int r = XGrabPointer(probe_, DefaultRootWindow(probe_), False, ButtonPressMask, GrabModeAsync,
                               GrabModeAsync, None, None, CurrentTime);
    if (r == GrabSuccess) XUngrabPointer(probe_, CurrentTime);
    XSync(probe_, False);
    return r == AlreadyGrabbed;
  }));
  const auto [ix, iy] = rootPoint(*popUp, {60, 40});
  click(ix, iy, Button1);
  click(ix + 400, iy + 200, Button1);
  EXPECT_TRUE(waitUntil([&] { return cancelled == 1 && !popUp->isVisible(); })) << cancelled;
}

INSTANTIATE_TEST_SUITE_P(WindowManager, X11WindowFocusTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "openbox" : "none"; });

std::vector<std::string> atomList(Display* d, ::Window w, const char* name) {
  std::vector<std::string> out;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 64, False, XA_ATOM, &type, &format, &count, &after,
                     &data);
  for (unsigned long i = 0; data && i < count; ++i) {
    char* n = XGetAtomName(d, reinterpret_cast<Atom*>(data)[i]);
    out.emplace_back(n);
    XFree(n);
  }
  if (data) XFree(data);
  return out;
}

TEST_F(X11WindowTest, WindowKindsTellTheWindowManagerWhatTheyAre) {
  struct Case {
    std::shared_ptr<Window> window;
    std::string type;
    std::vector<std::string> states;
  };
  auto floating = Panel::create({0, 0, 100, 100}, WindowStyle::Borderless | WindowStyle::NonactivatingPanel);
  floating->setFloatingPanel(true);
  floating->setCollectionBehavior(CollectionBehavior::CanJoinAllSpaces);
  Case cases[] = {
      {Window::create({0, 0, 100, 100}, WindowStyle::Titled), "_NET_WM_WINDOW_TYPE_NORMAL", {}},
      {floating,
       "_NET_WM_WINDOW_TYPE_UTILITY",
       {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR",
        "_NET_WM_STATE_SKIP_PAGER"}},
  };
  for (auto& c : cases) {
    c.window->orderFront();
    ASSERT_TRUE(waitUntil([&] { return viewable(xWindow(*c.window)); }));
    const ::Window w = xWindow(*c.window);
    EXPECT_EQ(atomList(probe_, w, "_NET_WM_WINDOW_TYPE"), std::vector<std::string>{c.type});
    EXPECT_EQ(atomList(probe_, w, "_NET_WM_STATE"), c.states);
    c.window->orderOut();
  }
}

// A task switcher reads a window's name and class: each window gives its own title, or the program's name
// when it has none, and every window the program's class.
TEST_F(X11WindowTest, EveryWindowIsNamedForATaskSwitcher) {
  struct Case {
    std::string title;
    std::string shown;
  };
  for (const Case& c : {Case{"About Vellisto", "About Vellisto"}, Case{"", "Vellisto"}}) {
    auto window = Window::create({0, 0, 100, 100}, WindowStyle::Titled);
    window->setTitle(c.title);
    window->orderFront();
    ASSERT_TRUE(waitUntil([&] { return viewable(xWindow(*window)); }));
    const ::Window w = xWindow(*window);
    EXPECT_EQ(textProperty(probe_, w, "_NET_WM_NAME"), c.shown);
    EXPECT_EQ(textProperty(probe_, w, "WM_NAME"), c.shown);
    EXPECT_EQ(windowClass(probe_, w), (std::pair<std::string, std::string>("vellisto", "Vellisto")));
    window->orderOut();
  }
}

TEST_F(X11WindowTest, BadFramesAndUnknownCursorsAreSafe) {
  Scene s(WindowStyle::Borderless);
  for (Rect r : {Rect{0, 0, 0, 0}, Rect{10, 10, -50, -20}, Rect{0, 0, 1e7, 1e7}, Rect{-1e9, 1e9, 10, 10}}) {
    s.window->setFrame(r, true);
    s.window->orderFront();
    server_->displayNow();
  }
  Cursor("no-such-cursor").set();
  Cursor::arrow().set();
  EXPECT_TRUE(waitUntil([&] { return viewable(xWindow(*s.window)); }));
}

// A compositing manager that starts or stops while a clear window shows moves it to the visual that
// shows it right (32-bit with one, 24-bit cut to its outline without), painted again.
TEST_F(X11WindowTest, ClearWindowsFollowACompositorThatStartsOrStops) {
  Scene s(WindowStyle::Borderless);
  show(s, false);
  auto shownWithDepth = [&](int depth) {
    XWindowAttributes a{};
    return XGetWindowAttributes(probe_, xWindow(*s.window), &a) && a.depth == depth &&
           a.map_state == IsViewable;
  };
  const auto [cx, cy] = rootPoint(*s.window, {200, 150});
  ASSERT_TRUE(shownWithDepth(24));
  startHelper(DisplayHelper::compositor(display_));
  if (IsSkipped() || HasFatalFailure()) return;
  ASSERT_TRUE(waitUntil([&] { return shownWithDepth(32); }));
  EXPECT_TRUE(waitUntil([&] { return pixelAt(cx, cy) == 0xff0000; }));
  helper_.reset();
  ASSERT_TRUE(waitUntil([&] { return shownWithDepth(24); }));
  EXPECT_TRUE(waitUntil([&] { return pixelAt(cx, cy) == 0xff0000; }));
}

// Any client may destroy any window. One of ours destroyed that way leaves the screen as if ordered out,
// and the next time it is shown a new X window takes its place, with its pixels and the focus.
TEST_F(X11WindowTest, AWindowAnotherClientDestroyedShowsAgainAsANewWindow) {
  auto wm = DisplayHelper::windowManager(display_);
  if (!wm || !wm->running()) GTEST_SKIP() << "no window manager";
  Scene s(WindowStyle::Titled);
  show(s, true);
  const ::Window first = xWindow(*s.window);
  destroyWindowOfAnotherClient(display_, first);
  ASSERT_TRUE(waitUntil([&] { return !s.window->isVisible(); }));
  EXPECT_TRUE(log_->contains("another client destroyed the window"));

  show(s, true);
  const ::Window second = xWindow(*s.window);
  EXPECT_NE(second, first);
  const auto [cx, cy] = rootPoint(*s.window, {200, 150});
  EXPECT_TRUE(waitUntil([&] { return pixelAt(cx, cy) == 0xff0000; }));
  // And again, for as long as the client keeps at it.
  destroyWindowOfAnotherClient(display_, second);
  ASSERT_TRUE(waitUntil([&] { return !s.window->isVisible(); }));
  show(s, false);
}

// Menus are override-redirect pop-ups holding pointer and keyboard: keys reach them even though the
// window that opened them keeps the focus, a click on a row chooses it and a click elsewhere dismisses.
TEST_F(X11WindowTest, MenusOpenAsPopUpsThatKeysAndClicksDrive) {
  Scene s(WindowStyle::Titled);
  show(s, true);
  MenuTracker::install();
  // The pointer rests away from the menus: a row under it would light up as the menu maps.
  XTestFakeMotionEvent(probe_, -1, 5, 5, CurrentTime);
  // A keyboard grab takes the focus from our window for its time: the grab a menu takes once it maps,
  // after which keys and clicks reach it, shows there as a FocusOut of mode NotifyGrab.
  XSelectInput(probe_, xWindow(*s.window), FocusChangeMask);
  XSync(probe_, False);
  auto nextGrab = [this] {
    return waitForEvent(probe_, FocusChangeMask,
                        [](const XEvent& e) { return e.type == FocusOut && e.xfocus.mode == NotifyGrab; });
  };
  auto menu = Menu::create("context");
  menu->setAutoenablesItems(false);
  menu->addItemWithTitle("Copy", "copy:", "c")->setKeyEquivalentModifierMask(ModifierFlags::Command);
  menu->addItemWithTitle("Pinned", "pin:")->setState(1);
  menu->addItem(MenuItem::separatorItem());
  auto colour = menu->addItemWithTitle("Colour");
  auto sub = Menu::create("colours");
  sub->setAutoenablesItems(false);
  for (const char* c : {"Red", "Black", "Blue"}) sub->addItemWithTitle(c, "colour:");
  colour->setSubmenu(sub);
  menu->addItemWithTitle("Disabled", "off:")->setEnabled(false);
  menu->addItemWithTitle("Quit", "quit:");

  auto menuWindow = [this](std::size_t level) -> ::Window {
    auto* t = MenuTracker::current();
    return t && t->windows().size() > level ? xWindow(*t->windows()[level]) : None;
  };
  auto rowPoint = [](const std::string& title) {
    for (auto& w : MenuTracker::current()->windows()) {
      const auto& rows = w->rows().rows;
      for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].item->title() != title) continue;
        const Rect r = w->screenRectOfRow(static_cast<long>(i));
        return std::pair<int, int>{static_cast<int>(r.midX()), static_cast<int>(800 - r.midY())};
      }
    }
    return std::pair<int, int>{-1, -1};
  };
  auto track = [&](const std::function<void()>& script) {
    dispatch::Queue::main()->async([&] {
      if (waitUntil([&] { return viewable(menuWindow(0)); }) && nextGrab()) script();
      if (!waitUntil([] { return MenuTracker::current()->finished(); })) {
        ADD_FAILURE() << "the menu is still open";
        MenuTracker::current()->cancel();
      }
    });
    auto chosen = menu->trackPopUp(nullptr, {500, 500}, nullptr);
    // The menu lets go of the keyboard on its own thread, after the choice is known.
    EXPECT_TRUE(waitForEvent(probe_, FocusChangeMask, [](const XEvent& e) {
      return e.type == FocusIn && e.xfocus.mode == NotifyUngrab;
    })) << "the menu still holds the keyboard";
    return chosen ? chosen->title() : std::string();
  };

  EXPECT_EQ(track([&] {
              XWindowAttributes a{};
              XGetWindowAttributes(probe_, menuWindow(0), &a);
              EXPECT_TRUE(a.override_redirect);
              for (KeySym k : {XK_Down, XK_Down, XK_Down, XK_Right}) type(k);
              ASSERT_TRUE(waitUntil([&] { return viewable(menuWindow(1)); }));
              EXPECT_EQ(focus(), xWindow(*s.window));  // the menu took no focus from it
              test::writeGallery(*MenuTracker::current()->windows()[0], "context-menu");
              test::writeGallery(*MenuTracker::current()->windows()[1], "context-menu-submenu");
              for (KeySym k : {XK_Down, XK_Return}) type(k);
            }),
            "Black");
  EXPECT_EQ(track([&] {
              auto [x, y] = rowPoint("Quit");
              click(x, y, Button1);
            }),
            "Quit");
  EXPECT_EQ(track([&] { click(20, 20, Button1); }), "");
  EXPECT_EQ(track([&] {
              type(XK_Down);
              type(XK_Escape);
            }),
            "");
  // A menu shown while another client still holds the keyboard (the press on a tray icon holds it until
  // its release) takes it as soon as that client lets go. The grab the track waits for is that client's.
  ASSERT_EQ(
      XGrabKeyboard(probe_, DefaultRootWindow(probe_), False, GrabModeAsync, GrabModeAsync, CurrentTime),
      GrabSuccess);
  EXPECT_EQ(track([&] {
              XUngrabKeyboard(probe_, CurrentTime);
              XSync(probe_, False);
              ASSERT_TRUE(nextGrab());
              for (KeySym k : {XK_Down, XK_Return}) type(k);
            }),
            "Copy");
  MenuTracker::install(false);
}

}  // namespace
}  // namespace vl::x11test
