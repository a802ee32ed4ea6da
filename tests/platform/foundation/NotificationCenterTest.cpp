#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "platform/foundation/NotificationCenter.h"

using vl::Notification;
using vl::NotificationCenter;
using vl::ObserverId;

namespace {

TEST(NotificationCenter, FiltersByNameAndObject) {
  NotificationCenter center;
  int poster = 0, other = 0;
  std::vector<std::string> heard;
  center.addObserver("copy", nullptr, [&](const Notification& n) { heard.push_back("any:" + n.name); });
  center.addObserver("copy", &poster, [&](const Notification&) { heard.push_back("poster"); });
  center.addObserver("", nullptr, [&](const Notification& n) { heard.push_back("all:" + n.name); });

  center.post("copy", &other);
  center.post("copy", &poster);
  center.post("paste", &poster);
  EXPECT_EQ(heard, (std::vector<std::string>{"any:copy", "all:copy", "any:copy", "poster", "all:copy",
                                             "all:paste"}));
}

TEST(NotificationCenter, CarriesUserInfoAndObjects) {
  NotificationCenter center;
  struct Entity {
    std::string text;
  };
  std::string seen;
  long long count = 0;
  center.addObserver("n", nullptr, [&](const Notification& n) {
    if (const auto* e = n.objectAs<std::shared_ptr<Entity>>("entity")) seen = (*e)->text;
    EXPECT_EQ(n.objectAs<int>("entity"), nullptr);  // wrong type gives nothing rather than throwing
    count = n.userInfo.value("count", 0LL);
  });
  center.post("n", nullptr, vl::Json{{"count", 3}}, {{"entity", std::make_shared<Entity>(Entity{"hello"})}});
  EXPECT_EQ(seen, "hello");
  EXPECT_EQ(count, 3);
}

TEST(NotificationCenter, ObserversAddedOrRemovedDuringDelivery) {
  NotificationCenter center;
  std::vector<std::string> heard;
  ObserverId self = 0, later = 0;
  self = center.addObserver("n", nullptr, [&](const Notification&) {
    heard.push_back("self");
    center.removeObserver(self);
    center.removeObserver(later);
    // Added during delivery: hears only the next post.
    center.addObserver("n", nullptr, [&](const Notification&) { heard.push_back("fresh"); });
  });
  center.addObserver("n", nullptr, [&](const Notification&) { heard.push_back("middle"); });
  later = center.addObserver("n", nullptr, [&](const Notification&) { heard.push_back("later"); });

  center.post("n");
  EXPECT_EQ(heard, (std::vector<std::string>{"self", "middle"}));
  heard.clear();
  center.post("n");
  EXPECT_EQ(heard, (std::vector<std::string>{"middle", "fresh"}));
  EXPECT_EQ(center.observerCount(), 2u);
}

TEST(NotificationCenter, OwnerRemovalAndRaiiHandles) {
  NotificationCenter center;
  int owner = 0, a = 0, b = 0, c = 0;
  int objectA = 0;
  center.addObserver(
      "x", nullptr, [&](const Notification&) { ++a; }, &owner);
  center.addObserver(
      "y", &objectA, [&](const Notification&) { ++b; }, &owner);
  {
    vl::Observation handle = center.observe("x", nullptr, [&](const Notification&) { ++c; });
    vl::Observation moved = std::move(handle);
    center.post("x");
  }
  center.removeObservers(&owner, "y");
  center.post("x");
  center.post("y", &objectA);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(c, 1);
  center.removeObservers(&owner);
  EXPECT_EQ(center.observerCount(), 0u);
}

TEST(NotificationCenter, ThrowingObserverIsLoggedAndOthersStillRun) {
  vl::test::ProgramExceptionPolicy policy;
  NotificationCenter center;
  vl::test::LogCapture logs;
  int after = 0;
  center.addObserver("n", nullptr, [](const Notification&) { throw std::runtime_error("boom"); });
  center.addObserver("n", nullptr, [&](const Notification&) { ++after; });
  center.post("n");
  EXPECT_EQ(after, 1);
  EXPECT_TRUE(vl::test::LogCapture::contains("boom"));
}

TEST(NotificationCenter, PostsFromManyThreadsWhileObserversComeAndGo) {
  NotificationCenter center;
  std::atomic<int> delivered{0};
  center.addObserver("n", nullptr, [&](const Notification&) { ++delivered; });
  std::atomic<bool> stop{false};
  std::thread churn([&] {
    while (!stop) {
      ObserverId id = center.addObserver("n", nullptr, [](const Notification&) {});
      center.removeObserver(id);
    }
  });
  std::vector<std::thread> posters;
  for (int t = 0; t < 4; ++t)
    posters.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) center.post("n");
    });
  for (auto& p : posters) p.join();
  stop = true;
  churn.join();
  EXPECT_EQ(delivered.load(), 8000);
}

}  // namespace
