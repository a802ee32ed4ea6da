#include "remind/RemindSchedule.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/JsonBounded.h"
#include "platform/foundation/Log.h"
#include "platform/system/desktop/IconImage.h"

namespace vl {

namespace {

constexpr const char* kTitle = "Reminder";
// The file is {"reminders": [{...}, ...]}: three levels.
constexpr std::size_t kMaxDepth = 3;

const char* statusName(BoundedJson::Status status) {
  switch (status) {
    case BoundedJson::Status::Ok:
      return "ok";
    case BoundedJson::Status::NotJson:
      return "not JSON";
    case BoundedJson::Status::TooDeep:
      return "nested too deeply";
    case BoundedJson::Status::TooLarge:
      return "too large";
  }
  return "unreadable";
}

std::optional<std::string> boundedString(const Json& entry, const char* key) {
  auto it = entry.find(key);
  if (it == entry.end() || !it->is_string()) return std::nullopt;
  const auto& text = it->get_ref<const std::string&>();
  if (text.size() > RemindSchedule::kMaxFieldBytes) return std::nullopt;
  return text;
}

std::optional<Reminder> reminderOf(const Json& entry) {
  if (!entry.is_object()) return std::nullopt;
  auto identifier = boundedString(entry, "identifier");
  auto when = boundedString(entry, "when");
  auto text = boundedString(entry, "text");
  auto date = entry.find("date");
  if (!identifier || identifier->empty() || !when || !text || date == entry.end() || !date->is_number())
    return std::nullopt;
  const double seconds = date->get<double>();
  if (!std::isfinite(seconds)) return std::nullopt;
  return Reminder{std::move(*identifier), std::move(*when), std::move(*text), seconds};
}

bool sooner(const Reminder& a, const Reminder& b) { return a.date < b.date; }

}  // namespace

UserNotification Reminder::notification() const {
  UserNotification notice;
  notice.identifier = identifier;
  notice.title = kTitle;
  notice.subtitle = when;
  notice.informativeText = text;
  return notice;
}

std::shared_ptr<RemindSchedule> RemindSchedule::create() {
  return std::shared_ptr<RemindSchedule>(new RemindSchedule());
}

RemindSchedule& RemindSchedule::shared() {
  // Never destroyed: no static destructor races the queues at exit.
  static auto* schedule = new std::shared_ptr<RemindSchedule>(create());
  return **schedule;
}

RemindSchedule::~RemindSchedule() {
  if (next_) next_->cancel();
}

void RemindSchedule::open(const std::string& path) {
  close();
  path_ = path;
  load();
  // Reminders held for want of a service are shown as soon as one answers, not at the next check.
  std::weak_ptr<RemindSchedule> weak = weak_from_this();
  serviceAnswers_ = NotificationCenter::defaultCenter().observe(
      UserNotificationCenter::kServiceAnswersNotification, nullptr, [weak](const Notification&) {
        if (auto self = weak.lock()) self->check();
      });
  check();
}

void RemindSchedule::close() {
  serviceAnswers_.reset();
  if (next_) next_->cancel();
  next_.reset();
  pending_.clear();
  held_.clear();
}

void RemindSchedule::load() {
  if (!files::exists(path_)) return;
  std::string error;
  std::optional<std::string> data = icons::readSmallFile(path_, kMaxFileBytes, &error);
  const auto setAside = [this](const char* why) {
    const std::string aside = path_ + ".damaged";
    logWarningf("remind: the pending reminders (%s) are %s; the file is set aside as %s", path_.c_str(), why,
                aside.c_str());
    if (!files::moveFile(path_, aside)) logErrorf("remind: %s could not be set aside", path_.c_str());
  };
  if (!data) {
    if (files::isRegularFile(path_) && files::fileSize(path_).value_or(0) > kMaxFileBytes) {
      setAside("too large");
    } else {
      // A folder, a pipe or a device where the file belongs, or a file we may not read: left alone.
      logWarningf("remind: the pending reminders in %s cannot be read (%s)", path_.c_str(), error.c_str());
    }
    return;
  }
  // The parser's own message may quote the file, which holds the user's phrases: only its kind is logged.
  // A list where a reminder's text belongs stands as null, which that reminder does not read as: the
  // others are kept.
  BoundedJson parsed = parseJsonBounded(*data, kMaxDepth, kMaxFileBytes, DeepContainers::Null);
  if (!parsed.ok()) return setAside(statusName(parsed.status));
  const Json& root = *parsed.value;
  auto list = root.is_object() ? root.find("reminders") : root.end();
  if (!root.is_object() || list == root.end() || !list->is_array())
    return setAside("not a list of reminders");

  std::size_t skipped = 0;
  for (const Json& entry : *list) {
    std::optional<Reminder> reminder = reminderOf(entry);
    if (!reminder || pending_.size() >= kMaxPending) {
      ++skipped;
      continue;
    }
    pending_.push_back(std::move(*reminder));
  }
  std::stable_sort(pending_.begin(), pending_.end(), sooner);
  if (skipped > 0) {
    // The file is rewritten without them at the next change; the copy keeps them.
    const std::string aside = path_ + ".damaged";
    logWarningf("remind: %zu of %zu pending reminders could not be read; a copy of the file is kept as %s",
                skipped, list->size(), aside.c_str());
    if (!files::copyFile(path_, aside, true)) logError("remind: the copy of the file could not be kept");
  }
  logf("remind: %zu pending reminders armed", pending_.size());
}

bool RemindSchedule::save() const {
  if (path_.empty()) return false;
  Json list = Json::array();
  for (const Reminder& r : pending_)
    list.push_back({{"identifier", r.identifier}, {"when", r.when}, {"text", r.text}, {"date", r.date}});
  (void)files::createDirectories(files::deletingLastPathComponent(path_));  // the write below tells
  if (!files::atomicWrite(path_, dumpJson(Json{{"reminders", std::move(list)}}), files::kPrivateFileMode)) {
    logErrorf("remind: the pending reminders could not be written to %s; they fire only while this run lasts",
              path_.c_str());
    return false;
  }
  return true;
}

RemindSchedule::Added RemindSchedule::add(Reminder reminder) {
  if (pending_.size() >= kMaxPending) {
    logWarningf("remind: %zu reminders are pending already; no more are kept", pending_.size());
    return {};
  }
  const auto taken = [this](const std::string& id) {
    return std::any_of(pending_.begin(), pending_.end(),
                       [&](const Reminder& r) { return r.identifier == id; });
  };
  const std::string base = reminder.identifier;
  for (int n = 2; taken(reminder.identifier); ++n) reminder.identifier = base + "-" + std::to_string(n);
  std::string identifier = reminder.identifier;
  // After those due at the same moment, so equal dates fire in the order they were set.
  pending_.insert(std::upper_bound(pending_.begin(), pending_.end(), reminder, sooner), std::move(reminder));
  const bool saved = save();
  arm();
  return {std::move(identifier), saved ? Keeping::Saved : Keeping::ThisRunOnly};
}

void RemindSchedule::check() {
  const double now = Clock::current().now();
  auto firstLater =
      std::find_if(pending_.begin(), pending_.end(), [now](const Reminder& r) { return r.date > now; });
  auto center = UserNotificationCenter::defaultCenter();
  if (firstLater != pending_.begin() && !center->serviceAnswers()) {
    // Kept, armed and in the file: delivered now they would reach nobody.
    for (auto it = pending_.begin(); it != firstLater; ++it) {
      if (held_.insert(it->identifier).second)
        logWarningf("remind: reminder %s is due but no notification service answers; it shows once one does",
                    it->identifier.c_str());
    }
  } else if (firstLater != pending_.begin()) {
    std::vector<Reminder> due(std::make_move_iterator(pending_.begin()), std::make_move_iterator(firstLater));
    pending_.erase(pending_.begin(), firstLater);
    // Shown before the file forgets them: a crash in between shows one again rather than never.
    for (const Reminder& r : due) {
      held_.erase(r.identifier);
      logDebugf("remind: a reminder of %zu bytes is due (%.0f s late)", r.text.size(), now - r.date);
      center->deliverNotification(r.notification());
    }
    // Not written: the file still holds them, so a restart shows them again rather than never.
    (void)save();
  }
  arm();
}

void RemindSchedule::arm() {
  if (next_) next_->cancel();
  next_.reset();
  if (pending_.empty()) return;
  // Those held for want of a service are looked at again at the usual pace (or as soon as one answers).
  auto next = std::find_if(pending_.begin(), pending_.end(),
                           [this](const Reminder& r) { return !held_.contains(r.identifier); });
  const double untilDue =
      next == pending_.end() ? kCheckIntervalMs : (next->date - Clock::current().now()) * 1000.0;
  // At least a millisecond, so a date a rounding error ahead cannot spin the loop.
  const double delay = std::clamp(std::ceil(untilDue), 1.0, kCheckIntervalMs);
  std::weak_ptr<RemindSchedule> weak = weak_from_this();
  next_ = dispatch::after(delay, dispatch::Queue::main(), [weak] {
    if (auto self = weak.lock()) self->check();
  });
}

}  // namespace vl
