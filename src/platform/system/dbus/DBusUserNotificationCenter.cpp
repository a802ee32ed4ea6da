#include "platform/system/dbus/DBusUserNotificationCenter.h"

#include <sdbus-c++/sdbus-c++.h>

#include <algorithm>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"
#include "platform/system/dbus/BusConnection.h"

namespace vl::dbus {

namespace {

constexpr const char* kServerName = "org.freedesktop.Notifications";
constexpr const char* kServerPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";

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

// The server's ids of the notices on screen, both ways; bus thread only.
struct DBusUserNotificationCenter::BusSide {
  std::unique_ptr<sdbus::IProxy> proxy;
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
            return;
          }
          absenceLogged = false;
          if (auto old = serverIds.find(identifier); old != serverIds.end()) identifiers.erase(old->second);
          identifiers[id] = identifier;
          serverIds[identifier] = id;
        });
  }
};

std::shared_ptr<DBusUserNotificationCenter> DBusUserNotificationCenter::install(
    const std::shared_ptr<BusConnection>& bus) {
  auto center = std::make_shared<DBusUserNotificationCenter>(bus);
  std::weak_ptr<DBusUserNotificationCenter> weak = center;
  bus->onLost([weak] {
    if (UserNotificationCenter::defaultCenter() == weak.lock()) UserNotificationCenter::install(nullptr);
  });
  UserNotificationCenter::install(center);
  return center;
}

DBusUserNotificationCenter::DBusUserNotificationCenter(std::shared_ptr<BusConnection> bus)
    : bus_(std::move(bus)), pending_(std::make_shared<Pending>()) {
  auto side = std::make_shared<BusSide>();
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

}  // namespace vl::dbus
