#pragma once

#include <string>

namespace vl::launcher {

// Starts the program at `path` with no arguments as a process of its own session that outlives us:
// no controlling terminal, stdin/stdout/stderr on /dev/null, working folder "/", the environment
// inherited. Returns once the program has been exec'd (true) or has failed to start (false, logged),
// so the caller may quit at once without racing the start.
[[nodiscard]] bool launchDetached(const std::string& path);

}  // namespace vl::launcher
