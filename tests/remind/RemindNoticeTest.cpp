#include <gtest/gtest.h>
#include <poll.h>
#include <sdbus-c++/sdbus-c++.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "Windows/Main/MainWindow.h"
#include "Windows/Main/WindowCenter.h"
#include "core/keys/LocalShortcutsManager.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Json.h"
#include "platform/system/dbus/BusConnection.h"
#include "platform/system/dbus/DBusUserNotificationCenter.h"
#include "platform/system/headless/HeadlessUserNotificationCenter.h"
#include "remind/RemindAction.h"
#include "remind/RemindSchedule.h"
#include "support/SessionBusTestSupport.h"
#include "support/TestSupport.h"
#include "think/Think.h"
#include "think/ThinkTestSupport.h"
#include "ui/alert/Alert.h"
#include "ui/panels/MainViewHooks.h"

namespace vl {
namespace {

constexpr const char* kSecond = "yyyy-MM-dd HH:mm:ss";
constexpr double kHour = 3600 * 1000.0;

double at(const std::string& local) { return date::parse(local, kSecond).value(); }

// The headless centre, a manual clock at Wednesday 2024-05-15 09:00 in Shanghai, a private home, and the
// reminder action in its place keeping reminders in a schedule of the test's own.
class RemindNoticeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dispatch::MainLoop::adoptCurrentThread();
    ASSERT_TRUE(date::setDefaultTimeZone("Asia/Shanghai"));
    clock_ = std::make_shared<ManualClock>(at("2024-05-15 09:00:00"));
    Clock::install(clock_);
    ASSERT_TRUE(files::createDirectories(home_ / ".vellisto"));
    headless_ = std::make_shared<HeadlessUserNotificationCenter>();
    UserNotificationCenter::install(headless_);
    Think::setRemindAction(&RemindAction::shared());
    schedule_ = openSchedule();
    RemindAction::shared().setSchedule(schedule_.get());
  }
  void TearDown() override {
    RemindAction::shared().setSchedule(nullptr);
    schedule_.reset();
    Think::setRemindAction(nullptr);
    UserNotificationCenter::install(nullptr);
    dispatch::MainLoop::runUntilIdle();
    Clock::install(nullptr);
    date::setDefaultTimeZone("");
  }

  std::shared_ptr<RemindSchedule> openSchedule() {
    auto schedule = RemindSchedule::create();
    schedule->open(path());
    return schedule;
  }
  std::string path() const { return home_ / ".vellisto/reminders.json"; }

  // The bar's engine over a record's text, when it offers "Set reminder".
  static std::unique_ptr<Think> offer(const std::string& text) {
    auto think = Think::dump(std::nullopt, text, std::nullopt);
    for (Action* action : think->getActions()) {
      if (action == &RemindAction::shared()) return think;
    }
    return nullptr;
  }
  // The calls the bar makes when the user runs the action.
  static void run(Think& think) {
    Action& action = RemindAction::shared();
    EXPECT_EQ(action.getLabel(think.text(), think.selectedJsonDict()), "Set reminder");
    auto text = think.textOf(action);
    action.doTask(text ? text->string() : "");
  }
  std::vector<std::string> titles() const {
    std::vector<std::string> out;
    for (const auto& n : headless_->deliveredNotifications()) out.push_back(n.title);
    return out;
  }

  test::PrivateHome home_;
  test::LogCapture log_;
  std::shared_ptr<ManualClock> clock_;
  std::shared_ptr<HeadlessUserNotificationCenter> headless_;
  std::shared_ptr<RemindSchedule> schedule_;
};

TEST_F(RemindNoticeTest, AMomentThatPassedBeforeTheTaskSaysAndSetsNothing) {
  clock_->setNow(at("2024-05-15 14:59:00"));
  auto think = offer("今天下午3点");
  ASSERT_NE(think, nullptr);
  clock_->setNow(at("2024-05-15 15:01:00"));
  run(*think);
  EXPECT_TRUE(headless_->deliveredNotifications().empty());
  EXPECT_TRUE(schedule_->pending().empty());
  EXPECT_FALSE(files::exists(path()));
  EXPECT_TRUE(log_.contains("has passed; no reminder set"));
  // Nothing is offered for a moment gone by, or for a text too long for the action.
  EXPECT_EQ(offer("今天下午3点"), nullptr);
  EXPECT_EQ(offer("明天下午3点开会，请带上上周的会议纪要、新的排期表和预算草案，谢谢"), nullptr);
}

TEST_F(RemindNoticeTest, RemindersDueDuringASuspendFireSoonAfterTheWakeInTheirOrder) {
  run(*offer("今天上午11点"));
  run(*offer("今天上午10点"));
  run(*offer("今天上午10点"));
  ASSERT_EQ(schedule_->pending().size(), 3u);
  // Two reminders set in the same instant keep apart.
  EXPECT_NE(schedule_->pending()[0].identifier, schedule_->pending()[1].identifier);
  // The machine sleeps from 09:00 to 12:00: the wall clock jumps, the monotonic one stood still.
  clock_->setNow(at("2024-05-15 12:00:00"));
  dispatch::MainLoop::runUntilIdle();
  EXPECT_EQ(titles().size(), 3u);
  dispatch::MainLoop::advance(RemindSchedule::kCheckIntervalMs);
  ASSERT_EQ(titles().size(), 6u);
  EXPECT_EQ(headless_->deliveredNotifications()[3].subtitle, "今天上午10:00");
  EXPECT_EQ(headless_->deliveredNotifications()[5].subtitle, "今天上午11:00");
  EXPECT_EQ(parseJson(*files::readFile(path())), (Json{{"reminders", Json::array()}}));
}

TEST_F(RemindNoticeTest, HostileFilesAreSetAsideAndNeverHangTheStart) {
  const std::string good =
      R"({"identifier":"vellisto-1","when":"明天上午9:00","text":"t","date":1800000000})";
  struct Case {
    std::string name, content;
    std::size_t armed;
    bool movedAside, copiedAside;
  };
  const std::vector<Case> cases = {
      {"not JSON", "{\"reminders\": [", 0, true, false},
      {"deep", std::string(100000, '[') + std::string(100000, ']'), 0, true, false},
      {"wrong shape", R"({"reminders": {"a": 1}})", 0, true, false},
      {"too large", std::string(RemindSchedule::kMaxFileBytes + 1, ' '), 0, true, false},
      {"some bad entries",
       R"({"reminders": [)" + good + R"(, {"identifier": 5}, {"identifier":"x","when":"w","text":")" +
           std::string(RemindSchedule::kMaxFieldBytes + 1, 'y') + R"(","date":1800000000}]})",
       1, false, true},
      // A list where a text belongs, however deep, costs that entry alone.
      {"nested fields",
       R"({"reminders": [{"identifier":"y","when":[],"text":"t","date":1800000000}, )" + good +
           R"(, {"identifier":"z","when":"w","text":{"a":)" + std::string(5000, '[') +
           std::string(5000, ']') + R"(},"date":1800000000}]})",
       1, false, true},
      // Dates beyond a double's range cost their entries alone, wherever in the number the exponent is.
      {"overflowing dates",
       R"({"reminders": [{"identifier":"o","when":"w","text":"t","date":1e400}, )" + good +
           R"(, {"identifier":"p","when":"w","text":"t","date":-123456789.5E+99999}]})",
       1, false, true},
      {"good", R"({"reminders": [)" + good + "]}", 1, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    (void)files::removeRecursive(path() + ".damaged");  // there may be none
    ASSERT_TRUE(files::atomicWrite(path(), c.content));
    auto schedule = openSchedule();
    EXPECT_EQ(schedule->pending().size(), c.armed);
    EXPECT_EQ(files::exists(path()), !c.movedAside);
    EXPECT_EQ(files::exists(path() + ".damaged"), c.movedAside || c.copiedAside);
    // The user's phrases never reach the log, even through the parser's own message.
    EXPECT_FALSE(log_.contains("yyyy"));
  }

  // A pipe or a folder where the file belongs is read by nobody and left as it is.
  (void)files::removeRecursive(path());  // there may be none
  ASSERT_EQ(::mkfifo(path().c_str(), 0600), 0);
  EXPECT_TRUE(openSchedule()->pending().empty());
  EXPECT_TRUE(log_.contains("cannot be read (not a regular file)"));
  (void)files::removeRecursive(path());  // there may be none
  ASSERT_TRUE(files::createDirectories(path()));
  EXPECT_TRUE(openSchedule()->pending().empty());
  EXPECT_TRUE(files::isDirectory(path()));
}

// A reminder the file cannot take (a read-only home, a full disk) still shows while this run lasts, and
// the notice says it was not saved rather than promising what a restart takes away.
TEST_F(RemindNoticeTest, AReminderThatCannotBeSavedSaysSo) {
  // A folder where the file belongs: no write replaces it, whatever the permissions (tests may run as root).
  ASSERT_TRUE(files::createDirectories(path()));
  schedule_ = openSchedule();
  RemindAction::shared().setSchedule(schedule_.get());
  run(*offer("今天上午10点"));
  ASSERT_EQ(titles(), (std::vector<std::string>{"Reminder set, but not saved"}));
  const UserNotification said = headless_->deliveredNotifications()[0];
  EXPECT_EQ(said.subtitle, "今天上午10:00");
  EXPECT_EQ(said.informativeText.rfind("今天上午10点\n", 0), 0u) << said.informativeText;
  EXPECT_NE(said.informativeText.find("could not be saved"), std::string::npos);
  EXPECT_TRUE(log_.contains("could not be written"));
  clock_->setNow(at("2024-05-15 10:00:00"));
  dispatch::MainLoop::advance(RemindSchedule::kCheckIntervalMs);
  EXPECT_EQ(titles().back(), "Reminder");
}

TEST_F(RemindNoticeTest, AReminderDueWhileTheProgramWasNotRunningIsShownAtStart) {
  run(*offer("今天上午10点"));
  schedule_->close();
  clock_->setNow(at("2024-05-15 18:00:00"));
  auto restarted = openSchedule();
  EXPECT_EQ(titles(), (std::vector<std::string>{"Reminder set", "Reminder"}));
  EXPECT_TRUE(restarted->pending().empty());
}

// The desktop's notification server on a private session bus, recording what it is asked to show.
class NotificationServer {
 public:
  struct Shown {
    std::string summary, body;
  };
  explicit NotificationServer(const std::string& address) : peer_(address, "org.freedesktop.Notifications") {
    object_ = sdbus::createObject(peer_.connection(), "/org/freedesktop/Notifications");
    object_->registerMethod("Notify")
        .onInterface("org.freedesktop.Notifications")
        .implementedAs([this](const std::string&, std::uint32_t, const std::string&,
                              const std::string& summary, const std::string& body,
                              const std::vector<std::string>&, const std::map<std::string, sdbus::Variant>&,
                              std::int32_t) {
          shown.push_back({summary, body});
          return static_cast<std::uint32_t>(shown.size());
        });
    object_->finishRegistration();
  }
  // Answers calls until `count` notices were shown; false when they did not come within 20 s.
  bool waitForShown(std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
      dispatch::MainLoop::runUntilIdle();
      peer_.pump();
      if (shown.size() >= count) return true;
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      const auto poll = peer_.connection().getEventLoopPollData();
      pollfd fd{poll.fd, poll.events, 0};
      ::poll(&fd, 1, static_cast<int>(std::min<long>(left.count(), 200)));
    }
  }

  std::vector<Shown> shown;

 private:
  dbustest::Peer peer_;
  std::unique_ptr<sdbus::IObject> object_;
};

class RemindBusTest : public RemindNoticeTest {
 protected:
  void SetUp() override {
    RemindNoticeTest::SetUp();
    ASSERT_FALSE(bus_.address().empty()) << bus_.skipReason();
    server_ = std::make_unique<NotificationServer>(bus_.address());
    connection_ = dbus::BusConnection::open(bus_.address());
    dbus::DBusUserNotificationCenter::install(connection_);
  }
  void TearDown() override {
    if (connection_) connection_->close();
    server_.reset();
    RemindNoticeTest::TearDown();
  }

  dbustest::PrivateSessionBus bus_;
  std::unique_ptr<NotificationServer> server_;
  std::shared_ptr<dbus::BusConnection> connection_;
};

TEST_F(RemindBusTest, ReminderSetNowAndTheReminderAtItsMoment) {
  run(*offer("明天下午3点开会"));
  ASSERT_TRUE(server_->waitForShown(1));
  EXPECT_EQ(server_->shown[0].summary, "Reminder set");
  EXPECT_EQ(server_->shown[0].body, "明天下午3:00\n明天下午3点开会");
  // Kept where a restart finds it, for this user alone.
  struct stat st {};
  ASSERT_EQ(::stat(path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(schedule_->pending().size(), 1u);
  EXPECT_EQ(schedule_->pending()[0].date, at("2024-05-16 15:00:00"));

  dispatch::MainLoop::advance(30 * kHour - 1000);
  EXPECT_EQ(server_->shown.size(), 1u);
  dispatch::MainLoop::advance(1000);
  ASSERT_TRUE(server_->waitForShown(2));
  EXPECT_EQ(server_->shown[1].summary, "Reminder");
  EXPECT_EQ(server_->shown[1].body, "明天下午3:00\n明天下午3点开会");
  EXPECT_TRUE(schedule_->pending().empty());
  // The phrase itself never reaches the log.
  EXPECT_FALSE(log_.contains("开会"));
}

TEST_F(RemindBusTest, AReminderSetBeforeARestartStillFires) {
  run(*offer("后天上午9点"));
  ASSERT_TRUE(server_->waitForShown(1));
  // The program ends; a new one reads the file.
  schedule_->close();
  RemindAction::shared().setSchedule(nullptr);
  dispatch::MainLoop::advance(kHour);
  auto restarted = openSchedule();
  ASSERT_EQ(restarted->pending().size(), 1u);
  EXPECT_EQ(restarted->pending()[0].when, "后天上午9:00");
  dispatch::MainLoop::advance(47 * kHour);
  ASSERT_TRUE(server_->waitForShown(2));
  EXPECT_EQ(server_->shown[1].summary, "Reminder");
  EXPECT_EQ(server_->shown[1].body, "后天上午9:00\n后天上午9点");
  EXPECT_TRUE(restarted->pending().empty());
}

// A desktop whose notification service is missing: the reminder action run from the main window, the
// desktop's centre on a private session bus where no server runs until the test starts one.
class RemindWithoutServerTest : public test::ThinkTest {
 protected:
  void SetUp() override {
    ThinkTest::SetUp();
    ASSERT_FALSE(bus_.address().empty()) << bus_.skipReason();
    clock_->setNow(at("2024-05-15 09:00:00"));
    Think::setRemindAction(&RemindAction::shared());
    schedule_ = RemindSchedule::create();
    schedule_->open(path());
    RemindAction::shared().setSchedule(schedule_.get());
    connection_ = dbus::BusConnection::open(bus_.address());
    dbus::DBusUserNotificationCenter::install(connection_);
  }
  void TearDown() override {
    if (main_) main_->orderOut();
    MainViewHooks::install({});
    RemindAction::shared().setSchedule(nullptr);
    schedule_.reset();
    Think::setRemindAction(nullptr);
    if (connection_) connection_->close();
    UserNotificationCenter::install(nullptr);
    dispatch::MainLoop::runUntilIdle();
    ThinkTest::TearDown();
  }

  std::string path() const { return home_ / "reminders.json"; }
  std::vector<std::string> keptIdentifiers() const {
    const Json kept = parseJson(files::readFile(path()).value_or("")).value_or(Json::object());
    std::vector<std::string> out;
    for (const Json& r : kept.value("reminders", Json::array())) out.push_back(r.value("identifier", ""));
    return out;
  }
  void showMainWindow() {
    main_ = MainWindow::create();
    WindowCenter::shared().registerWindow(main_, kMainWindowKey);
    MainViewHooks hooks;
    hooks.mainView = [weak = std::weak_ptr<MainWindow>(main_)]() -> ui::View* {
      auto window = weak.lock();
      return window ? window->contentView().get() : nullptr;
    };
    MainViewHooks::install(hooks);
    main_->makeKeyAndOrderFront();
  }
  std::string alertTitle() const {
    for (const auto& view : main_->contentView()->subviews()) {
      if (auto alert = std::dynamic_pointer_cast<Alert>(view)) return alert->title();
    }
    return "<no alert>";
  }
  static std::size_t linesWith(const std::string& part) {
    std::size_t n = 0;
    for (const std::string& line : test::LogCapture::take()) n += line.find(part) != std::string::npos;
    return n;
  }

  dbustest::PrivateSessionBus bus_;
  std::shared_ptr<dbus::BusConnection> connection_;
  std::shared_ptr<RemindSchedule> schedule_;
  std::shared_ptr<MainWindow> main_;
  test::LogCapture log_;
};

TEST_F(RemindWithoutServerTest, TheBarSaysNoServiceAnswersAndTheReminderShowsOnceOneDoes) {
  // The centre hears from the bus that no server runs (each look waits for the bus's first word).
  auto center = UserNotificationCenter::defaultCenter();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (center->serviceAnswers() && std::chrono::steady_clock::now() < deadline) {
  }
  ASSERT_FALSE(center->serviceAnswers());

  showMainWindow();
  Action& action = RemindAction::shared();
  auto think = Think::dump(std::nullopt, std::string("今天上午10点"), std::nullopt);
  const std::vector<Action*> offered = think->getActions();
  ASSERT_NE(std::find(offered.begin(), offered.end(), &action), offered.end());
  ASSERT_EQ(action.getLabel(think->text(), think->selectedJsonDict()), "Set reminder");
  action.doTask(think->textOf(action)->string());
  // The bar stays and says the reminder waits for a service, rather than "Reminder set" to nobody.
  EXPECT_TRUE(main_->isVisible());
  EXPECT_EQ(alertTitle(), "Reminder set. No notification service answers, so it shows once one does.");
  ASSERT_EQ(schedule_->pending().size(), 1u);
  const std::string id = schedule_->pending()[0].identifier;
  EXPECT_TRUE(log_.contains("reminder " + id + " set while no notification service answers"));
  EXPECT_TRUE(LocalShortcutsManager::shared().offerShortcutKey("esc"));
  dispatch::MainLoop::advance(1000);
  EXPECT_EQ(alertTitle(), "<no alert>");

  // Due with nobody to show it: said once in the log, and kept, in the file too.
  clock_->setNow(at("2024-05-15 10:00:00"));
  for (int i = 0; i < 3; ++i) dispatch::MainLoop::advance(RemindSchedule::kCheckIntervalMs);
  EXPECT_EQ(linesWith("reminder " + id + " is due but no notification service answers"), 1u);
  ASSERT_EQ(schedule_->pending().size(), 1u);
  EXPECT_EQ(keptIdentifiers(), std::vector<std::string>{id});

  // A server comes: the reminder shows without waiting for the next check, and the file forgets it.
  NotificationServer server(bus_.address());
  ASSERT_TRUE(server.waitForShown(1));
  EXPECT_EQ(server.shown[0].summary, "Reminder");
  EXPECT_EQ(server.shown[0].body, "今天上午10:00\n今天上午10点");
  EXPECT_TRUE(schedule_->pending().empty());
  EXPECT_TRUE(keptIdentifiers().empty());
  EXPECT_TRUE(center->serviceAnswers());
  // The phrase itself never reaches the log.
  EXPECT_FALSE(log_.contains("10点"));
}

}  // namespace
}  // namespace vl
