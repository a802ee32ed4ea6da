#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace vl::x11test {

// The real vellisto program on a test display, in a home of its own under `root`, its stderr in a file.
// It is asked to quit (SIGINT) when the object goes, and killed if it has not after five seconds.
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
  const std::string& home() const { return home_; }
  std::string errors() const;
  // How often `needle` stands in what the program logged so far.
  std::size_t count(const std::string& needle) const;
  // Ends it at once (SIGKILL), as a crash would: nothing of quitting runs.
  void kill();

 private:
  std::string home_;
  std::string errors_;
  pid_t pid_ = -1;
};

}  // namespace vl::x11test
