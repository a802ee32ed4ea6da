#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/foundation/Json.h"

namespace vl {

// One run of the web view helper program: its standard input takes our commands, its standard output
// is read on a thread of its own ("vl.webview"), cut into lines of at most kMaxLine bytes and parsed as
// flat JSON objects (depth kMaxDepth); what does not fit is logged by length and dropped. Each report and
// the end of the output go to the callbacks, from the reader thread; the owner moves them to the main
// queue. Writing never blocks: the command pipe is widened to hold far more than a burst of commands, and
// a helper that stops reading until it is full anyway is ended. The helper reads lines of the same bound.
class WebHelperProcess {
 public:
  static constexpr std::size_t kMaxLine = 256 * 1024;
  static constexpr std::size_t kMaxDepth = 2;
  // How long stop() lets the helper end by itself before it kills it.
  static constexpr double kStopGraceMs = 2000;

  struct Callbacks {
    std::function<void(Json report)> report;
    std::function<void()> ended;
  };

  // Starts `program` with `environment` added to ours; nullptr (logged) when it cannot be started.
  static std::unique_ptr<WebHelperProcess> start(const std::string& program,
                                                 const std::map<std::string, std::string>& environment,
                                                 Callbacks callbacks);
  ~WebHelperProcess();
  WebHelperProcess(const WebHelperProcess&) = delete;
  WebHelperProcess& operator=(const WebHelperProcess&) = delete;

  // One command line; false when it could not be written (the helper is then ended) or is longer than
  // the helper reads (logged by length, nothing sent).
  [[nodiscard]] bool send(const Json& command);
  // Bytes as they are, a newline added (tests of the helper's own bounds).
  [[nodiscard]] bool sendLine(std::string_view line);
  pid_t pid() const { return pid_; }
  // Closes its input, asks it to end (SIGTERM), kills it when it has not ended within `graceMs` (a
  // stopped or hung helper), collects it and waits for the reader to see the output end: bounded,
  // whatever the helper does.
  void stop(double graceMs = kStopGraceMs);

  // The lines of a stream of output bytes, bounded as above; exposed for tests.
  class LineCutter {
   public:
    void feed(std::string_view bytes, const std::function<void(std::string_view)>& line);

   private:
    std::string partial_;
    bool dropping_ = false;
  };
  // A report line as a JSON object; nullopt (logged by length) for anything else.
  static std::optional<Json> parseReport(std::string_view line);

 private:
  WebHelperProcess() = default;
  void readLoop(Callbacks callbacks);
  // Collects the child `pid` once it ended; false when it still ran after `ms`.
  static bool collect(pid_t pid, double ms);

  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::thread reader_;
};

}  // namespace vl
