#pragma once

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/system/UserNotificationCenter.h"

namespace vl {

// A reminder the user was told is set: the "Reminder" notice due at `date` (seconds since 1970).
struct Reminder {
  std::string identifier;
  std::string when;  // the canonical words of the moment, the notice's subtitle
  std::string text;  // the phrase it was read from, the notice's text
  double date = 0;

  UserNotification notification() const;
  bool operator==(const Reminder&) const = default;
};

// The reminders still to come. They are kept in a file (mode 0600, replaced atomically), so a restart
// arms them again, and they fire by the wall clock: a monotonic wait stands still while the machine
// sleeps, so the schedule looks at the wall clock at least every kCheckIntervalMs and a reminder due
// during a suspend fires soon after the wake. A reminder that comes due while no notification service
// answers stays pending (and in the file) until one does. Main thread only.
class RemindSchedule : public std::enable_shared_from_this<RemindSchedule> {
 public:
  static constexpr double kCheckIntervalMs = 30000;
  static constexpr std::size_t kMaxPending = 1000;
  // The file, and each of its texts, is refused past these while it is read.
  static constexpr std::size_t kMaxFileBytes = 256 * 1024;
  static constexpr std::size_t kMaxFieldBytes = 4096;
  static constexpr const char* kFileName = "reminders.json";

  static std::shared_ptr<RemindSchedule> create();
  // The program's schedule.
  static RemindSchedule& shared();
  ~RemindSchedule();
  RemindSchedule(const RemindSchedule&) = delete;
  RemindSchedule& operator=(const RemindSchedule&) = delete;

  // Forgets what was armed and arms the reminders kept at `path`. Those that came due while the program
  // was not running are delivered at once. A file that does not read as reminders is set aside beside
  // it (".damaged"), never overwritten.
  void open(const std::string& path);
  // Stops the checks and forgets the reminders in memory; the file stays.
  void close();

  // Where a reminder handed to add() is kept.
  enum class Keeping {
    // Not at all: too many are pending.
    Refused,
    // Armed and in the file: a restart arms it again.
    Saved,
    // Armed, but the file could not be written (a read-only or full disk): it is gone when the program
    // ends before it is due.
    ThisRunOnly,
  };
  struct Added {
    // Made unique among those pending; empty when refused.
    std::string identifier;
    Keeping keeping = Keeping::Refused;
  };
  // Keeps the reminder (written to the file before it is armed).
  [[nodiscard]] Added add(Reminder reminder);
  // Delivers every reminder due by the wall clock, or keeps them while no notification service answers,
  // then arms the next check.
  void check();

  // Soonest first.
  const std::vector<Reminder>& pending() const { return pending_; }
  const std::string& path() const { return path_; }

 private:
  RemindSchedule() = default;
  void load();
  // False (logged) when the file could not be written.
  bool save() const;
  void arm();

  std::string path_;
  std::vector<Reminder> pending_;
  std::shared_ptr<dispatch::DelayedBlock> next_;
  // Due reminders held for want of a service, each logged once.
  std::set<std::string> held_;
  Observation serviceAnswers_;
};

}  // namespace vl
