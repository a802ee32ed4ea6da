#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vl::x11test {

// How long a road test waits for the program to answer what it did: long enough for a machine whose every
// core is busy with other work. A passing test never waits for it.
inline constexpr int kProgramAnswerMs = 60000;

// Polls another process's progress until `done` holds; the deadline only bounds a failure.
bool eventually(const std::function<bool()>& done, int seconds = 60);

// Processes other than this one whose environment holds `entry` ("NAME=value") exactly. What a program
// starts inherits its environment, and so does what those start in turn, daemons included.
std::vector<pid_t> processesWithEnvironment(const std::string& entry);
// Ends them: SIGTERM, then SIGKILL for any still there after `graceMs`. How many there were.
std::size_t endProcessesWithEnvironment(const std::string& entry, int graceMs = 2000);

// The real vellisto program on a test display, in a home of its own under `root`, its stderr in a file.
// It is asked to quit (SIGINT) when the object goes, and killed if it has not after five seconds; then
// every process it started that is still there (a helper, a daemon a toolkit launched) is ended too.
class Program {
 public:
  // `environment` adds to (or overrides) the program's environment, e.g. where desktop entries are read.
  Program(const std::string& root, const std::string& display,
          const std::vector<std::string>& environment = {});
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Where the build puts the program; tests skip when it is not there.
  static const std::string& path();
  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  // The entry of its environment (its private runtime folder) that everything it starts inherits.
  const std::string& runtimeEntry() const { return runtime_; }
  // Asks it to quit (SIGINT) and waits at most `timeoutMs` for it to end: its exit status, or nothing
  // while it still runs.
  std::optional<int> quit(int timeoutMs);
  const std::string& home() const { return home_; }
  std::string errors() const;
  // How often `needle` stands in what the program logged so far.
  std::size_t count(const std::string& needle) const;
  // Waits until `needle` stands in what the program logged more than `before` times; false when it did
  // not within `timeoutMs` of real time.
  bool logged(const std::string& needle, std::size_t before = 0, int timeoutMs = kProgramAnswerMs) const;
  // Ends it at once (SIGKILL), as a crash would: nothing of quitting runs.
  void kill();

 private:
  std::string home_;
  std::string errors_;
  std::string runtime_;
  pid_t pid_ = -1;
  bool ended_ = false;
};

}  // namespace vl::x11test
