#include "platform/system/dbus/DBusUserNotificationCenter.h"

#include <sdbus-c++/sdbus-c++.h>

#include <algorithm>
#include <chrono>
#include <optional>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/system/dbus/BusConnection.h"
#include "platform/system/headless/HeadlessUserNotificationCenter.h"

namespace vl::dbus {

namespace {

constexpr const char* kServerName = "org.freedesktop.Notifications";
constexpr const char* kServerPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";
constexpr const char* kBusName = "org.freedesktop.DBus";
constexpr const char* kBusPath = "/org/freedesktop/DBus";
// The bus daemon answers at once or not at all; this only keeps a wedged one from holding a reply open.
constexpr std::chrono::seconds kBusCallTimeout{5};

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

std::string noticeBody(const UserNotification& n) {
  std::string body = escaped(n.subtitle);
  if (!n.informativeText.empty()) body += (body.empty() ? "" : "\n") + escaped(n.informativeText);
  return body;
}

// What the bus told of the server: written on the bus thread, read on the main thread.
struct DBusUserNotificationCenter::Presence {
  struct Facts {
    std::optional<bool> owned;        // the server's name has an owner
    std::optional<bool> activatable;  // the bus starts a server for the first call
    bool notifyFailed = false;        // since the server last changed

    // Unset until the bus said enough to tell.
    std::optional<bool> answers() const {
      if (owned == true) return true;
      if (!owned || !activatable) return std::nullopt;
      return *activatable && !notifyFailed;
    }
  };

  explicit Presence(const void* centre) : poster(centre) {}

  // Bus thread. Wakes a main thread waiting for the first word, and tells the program when a server
  // answers after none did.
  template <typename Change>
  void update(Change change) VL_EXCLUDES(mutex) {
    std::optional<bool> before, after;
    {
      MutexLock lock(mutex);
      before = facts.answers();
      change(facts);
      after = facts.answers();
    }
    known.notify_all();
    const bool cameBack = before == false && after == true;
    if (before != after && after == false)
      logWarning("notifications: no notification service answers; notices wait until one does");
    if (cameBack) logf("notifications: a notification service answers");
    if (cameBack) {
      dispatch::Queue::main()->async([poster = poster] {
        NotificationCenter::defaultCenter().post(UserNotificationCenter::kServiceAnswersNotification, poster);
      });
    }
  }

  Mutex mutex;
  ConditionVariable known;
  Facts facts VL_GUARDED_BY(mutex);
  const void* const poster;  // the centre, as the notification's object; never dereferenced
};

// The server's ids of the notices on screen, both ways; bus thread only.
struct DBusUserNotificationCenter::BusSide {
  std::shared_ptr<Presence> presence;
  std::unique_ptr<sdbus::IProxy> proxy;
  std::unique_ptr<sdbus::IProxy> busProxy;
  sdbus::Slot ownerMatch;
  std::map<std::uint32_t, std::string> identifiers;
  std::map<std::string, std::uint32_t> serverIds;
  bool absenceLogged = false;

  void forget(std::uint32_t id) {
    auto it = identifiers.find(id);
    if (it == identifiers.end()) return;
    serverIds.erase(it->second);
    identifiers.erase(it);
  }

  void notify(const UserNotification& n) {
    std::vector<std::string> actions = {"default", ""};
    for (const auto& [key, label] : n.actions) {
      actions.push_back(key);
      actions.push_back(label);
    }
    std::map<std::string, sdbus::Variant> hints;
    hints.emplace("desktop-entry", sdbus::Variant(std::string("vellisto")));
    auto shown = serverIds.find(n.identifier);
    const std::uint32_t replaces = shown == serverIds.end() ? 0 : shown->second;
    proxy->callMethodAsync("Notify")
        .onInterface(kInterface)
        .withArguments(std::string("Vellisto"), replaces, std::string("vellisto"), n.title, noticeBody(n),
                       actions, hints, std::int32_t{-1})
        .uponReplyInvoke([this, identifier = n.identifier](const sdbus::Error* error, std::uint32_t id) {
          if (error) {
            if (!absenceLogged)
              logWarningf("notifications: the desktop did not show a notice (%s)", error->getName().c_str());
            absenceLogged = true;
            presence->update([](Presence::Facts& p) { p.notifyFailed = true; });
            return;
          }
          absenceLogged = false;
          presence->update([](Presence::Facts& p) { p.notifyFailed = false; });
          if (auto old = serverIds.find(identifier); old != serverIds.end()) identifiers.erase(old->second);
          identifiers[id] = identifier;
          serverIds[identifier] = id;
        });
  }

  // Follows the server's name from now on, then asks whether it has an owner and whether the bus could
  // start one: a change that comes between arrives after the answers, in the bus's own order.
  void watchServer(sdbus::IConnection& connection) {
    const std::string rule = std::string("type='signal',sender='") + kBusName + "',interface='" + kBusName +
                             "',member='NameOwnerChanged',arg0='" + kServerName + "'";
    ownerMatch = connection.addMatch(rule, [this](sdbus::Message& message) {
      std::string name, oldOwner, newOwner;
      message >> name >> oldOwner >> newOwner;
      presence->update([owned = !newOwner.empty()](Presence::Facts& p) {
        p.owned = owned;
        // A new server has not failed anyone yet.
        if (owned) p.notifyFailed = false;
      });
    });
    busProxy = sdbus::createProxy(connection, kBusName, kBusPath);
    busProxy->finishRegistration();
    busProxy->callMethodAsync("NameHasOwner")
        .onInterface(kBusName)
        .withTimeout(kBusCallTimeout)
        .withArguments(std::string(kServerName))
        .uponReplyInvoke([this](const sdbus::Error* error, bool owned) {
          if (error)
            logWarningf("notifications: the bus did not say whether a server runs (%s)",
                        error->getName().c_str());
          // Unknown is taken as none: a Notify that works says otherwise.
          presence->update([error = error != nullptr, owned](Presence::Facts& p) {
            if (!error || !p.owned) p.owned = owned;
          });
        });
    busProxy->callMethodAsync("ListActivatableNames")
        .onInterface(kBusName)
        .withTimeout(kBusCallTimeout)
        .uponReplyInvoke([this](const sdbus::Error* error, std::vector<std::string> names) {
          const bool startable = !error && std::find(names.begin(), names.end(), kServerName) != names.end();
          presence->update([startable](Presence::Facts& p) { p.activatable = startable; });
        });
  }
};

std::shared_ptr<DBusUserNotificationCenter> DBusUserNotificationCenter::install(
    const std::shared_ptr<BusConnection>& bus) {
  auto center = std::make_shared<DBusUserNotificationCenter>(bus);
  std::weak_ptr<DBusUserNotificationCenter> weak = center;
  bus->onLost([weak] {
    if (UserNotificationCenter::defaultCenter() != weak.lock()) return;
    // Nothing shows a notice without the bus: what must be shown waits, and says so.
    auto headless = std::make_shared<HeadlessUserNotificationCenter>();
    headless->setServiceAnswers(false);
    UserNotificationCenter::install(headless);
  });
  UserNotificationCenter::install(center);
  return center;
}

DBusUserNotificationCenter::DBusUserNotificationCenter(std::shared_ptr<BusConnection> bus)
    : bus_(std::move(bus)),
      presence_(std::make_shared<Presence>(this)),
      pending_(std::make_shared<Pending>()) {
  auto side = std::make_shared<BusSide>();
  side->presence = presence_;
  busSide_ = side;
  bus_->post([side, bus = bus_.get()](sdbus::IConnection& connection) {
    side->proxy = sdbus::createProxy(connection, kServerName, kServerPath);
    BusSide* raw = side.get();
    side->proxy->uponSignal("ActionInvoked")
        .onInterface(kInterface)
        .call([raw](std::uint32_t id, const std::string& action) {
          auto it = raw->identifiers.find(id);
          if (it == raw->identifiers.end()) return;  // another program's notice, or one we no longer know
          dispatch::Queue::main()->async([identifier = it->second, action] {
            UserNotificationCenter::notifyActivation(identifier, action);
          });
        });
    side->proxy->uponSignal("NotificationClosed")
        .onInterface(kInterface)
        .call([raw](std::uint32_t id, std::uint32_t) { raw->forget(id); });
    side->proxy->finishRegistration();
    side->watchServer(connection);
    bus->adopt(side);
  });
}

DBusUserNotificationCenter::~DBusUserNotificationCenter() {
  {
    Pending& pending = *pending_;
    MutexLock lock(pending.mutex);
    for (auto& [id, entry] : pending.notices) {
      if (entry.second) entry.second->cancel();
    }
    pending.notices.clear();
  }
  bus_->post([side = busSide_, bus = bus_.get()](sdbus::IConnection&) {
    if (auto s = side.lock()) bus->forget(s.get());
  });
}

void DBusUserNotificationCenter::deliverNotification(const UserNotification& notification) {
  bus_->post([side = busSide_, notification](sdbus::IConnection&) {
    if (auto s = side.lock(); s && s->proxy) s->notify(notification);
  });
}

void DBusUserNotificationCenter::scheduleNotification(const UserNotification& notification) {
  removeScheduledNotification(notification.identifier);
  const double now = Clock::current().now();
  if (!notification.deliveryDate || *notification.deliveryDate <= now) {
    deliverNotification(notification);
    return;
  }
  std::weak_ptr<Pending> pending = pending_;
  std::weak_ptr<DBusUserNotificationCenter> weak = weak_from_this();
  const std::string id = notification.identifier;
  Pending& scheduled = *pending_;
  MutexLock lock(scheduled.mutex);
  auto block = dispatch::after((*notification.deliveryDate - now) * 1000.0, dispatch::Queue::main(),
                               [pending, weak, id] {
                                 auto state = pending.lock();
                                 auto self = weak.lock();
                                 if (!state || !self) return;
                                 UserNotification due;
                                 {
                                   Pending& waiting = *state;
                                   MutexLock inner(waiting.mutex);
                                   auto it = waiting.notices.find(id);
                                   if (it == waiting.notices.end()) return;
                                   due = it->second.first;
                                   waiting.notices.erase(it);
                                 }
                                 self->deliverNotification(due);
                               });
  scheduled.notices[id] = {notification, std::move(block)};
}

void DBusUserNotificationCenter::removeScheduledNotification(const std::string& identifier) {
  Pending& pending = *pending_;
  MutexLock lock(pending.mutex);
  auto it = pending.notices.find(identifier);
  if (it == pending.notices.end()) return;
  if (it->second.second) it->second.second->cancel();
  pending.notices.erase(it);
}

std::vector<UserNotification> DBusUserNotificationCenter::scheduledNotifications() const {
  Pending& pending = *pending_;
  MutexLock lock(pending.mutex);
  std::vector<UserNotification> out;
  for (const auto& [id, entry] : pending.notices) out.push_back(entry.first);
  std::sort(out.begin(), out.end(), [](const UserNotification& a, const UserNotification& b) {
    return a.deliveryDate.value_or(0) < b.deliveryDate.value_or(0);
  });
  return out;
}

bool DBusUserNotificationCenter::serviceAnswers() const {
  if (bus_->isLost()) return false;
  Presence& presence = *presence_;
  MutexLock lock(presence.mutex);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kFirstAnswerWaitMs);
  while (!presence.facts.answers()) {
    if (presence.known.wait_until(lock, deadline) == std::cv_status::timeout) break;
  }
  return presence.facts.answers().value_or(true);
}

}  // namespace vl::dbus
