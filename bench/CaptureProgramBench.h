// The program-level half of bench_capture: the real vellisto under a private Xvfb, with another X client
// that copies. Waiting here is for another process, in real time.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchCorpus.h"
#include "BenchTiming.h"
#include "VLEngine/doc/bigdoc/DocChainLoader.h"
#include "VLEngine/doc/bigdoc/DocTextForm.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/gzip/GzipUtility.h"
#include "platform/foundation/Files.h"
// After every header of ours: Xlib's macros (None, Bool, Status) would break them.
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xatom.h>
// clang-format on

extern char** environ;

namespace vl::bench {

using Steady = std::chrono::steady_clock;

// About 1 KB of words, starting with `prefix`, cut at a space.
inline std::string kilobyteText(Corpus& corpus, const std::string& prefix) {
  std::string text = "bench " + prefix + ":";
  while (text.size() < 1024) text += " " + corpus.next();
  const std::size_t cut = text.rfind(' ', 1024);
  text.resize(cut == std::string::npos || cut < 512 ? 1024 : cut);
  // A cut inside a character would not be text: drop a partial one.
  while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
  if (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0xC0) text.pop_back();
  return text;
}

inline std::string readText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream out;
  out << in.rdbuf();
  return out.str();
}

// Bytes the kernel wrote to the disk for the process (its "write_bytes"), 0 when unknown.
inline std::uint64_t kernelWriteBytes(pid_t pid) {
  std::istringstream io(readText("/proc/" + std::to_string(pid) + "/io"));
  std::string key;
  std::uint64_t value = 0;
  while (io >> key >> value) {
    if (key == "write_bytes:") return value;
  }
  return 0;
}

struct ThreadCounters {
  std::string name;
  std::uint64_t cpuNs = 0;
  std::uint64_t switches = 0;
};

// Each thread of the process by id: its name, CPU time and context switches (wake-ups) so far.
inline std::map<int, ThreadCounters> threadCounters(pid_t pid) {
  std::map<int, ThreadCounters> out;
  const std::string base = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = ::opendir(base.c_str());
  if (!dir) return out;
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    const std::string task = base + "/" + entry->d_name;
    ThreadCounters counters;
    counters.name = readText(task + "/comm");
    if (!counters.name.empty() && counters.name.back() == '\n') counters.name.pop_back();
    std::istringstream(readText(task + "/schedstat")) >> counters.cpuNs;
    std::istringstream status(readText(task + "/status"));
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
        counters.switches += std::stoull(line.substr(line.find(':') + 1));
    }
    out[std::atoi(entry->d_name)] = counters;
  }
  ::closedir(dir);
  return out;
}

inline double processCpuMs(pid_t pid) {
  std::uint64_t ns = 0;
  for (const auto& [tid, counters] : threadCounters(pid)) ns += counters.cpuNs;
  return static_cast<double>(ns) / 1e6;
}

inline pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                   const std::string& output) {
  std::vector<std::string> env = extraEnv;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    bool overridden = false;
    for (const auto& extra : extraEnv) overridden = overridden || extra.rfind(name + "=", 0) == 0;
    if (!overridden) env.push_back(entry);
  }
  std::vector<char*> envp, args;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argCopy = argv;
  for (auto& a : argCopy) args.push_back(a.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  if (::posix_spawnp(&pid, argCopy[0].c_str(), &actions, nullptr, args.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

inline bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
  for (auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs); Steady::now() < deadline;) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return condition();
}

// Another program that copies: it owns CLIPBOARD with one text at a time and answers TARGETS and
// UTF8_STRING, as a plain text editor does.
class CopyClient {
 public:
  explicit CopyClient(const std::string& display) : dpy_(XOpenDisplay(display.c_str())) {
    if (!dpy_) return;
    window_ = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, 1, 1, 0, 0, 0);
    clipboard_ = XInternAtom(dpy_, "CLIPBOARD", False);
    targets_ = XInternAtom(dpy_, "TARGETS", False);
    utf8_ = XInternAtom(dpy_, "UTF8_STRING", False);
  }
  ~CopyClient() {
    if (dpy_) XCloseDisplay(dpy_);
  }
  bool ok() const { return dpy_ != nullptr; }

  void copy(const std::string& text) {
    text_ = text;
    XSetSelectionOwner(dpy_, clipboard_, window_, CurrentTime);
    XFlush(dpy_);
  }
  // Answers requests until `until` (only what is waiting, for a time in the past).
  void serveUntil(Steady::time_point until) {
    for (;;) {
      while (XPending(dpy_) > 0) {
        XEvent event;
        XNextEvent(dpy_, &event);
        if (event.type == SelectionRequest) answer(event.xselectionrequest);
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Steady::now()).count();
      if (left <= 0) return;
      pollfd fd{ConnectionNumber(dpy_), POLLIN, 0};
      ::poll(&fd, 1, static_cast<int>(left));
    }
  }

 private:
  void answer(const XSelectionRequestEvent& request) {
    const Atom property = request.property == None ? request.target : request.property;
    bool answered = true;
    if (request.target == targets_) {
      const Atom offered[] = {targets_, utf8_};
      XChangeProperty(dpy_, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(offered), 2);
    } else if (request.target == utf8_) {
      XChangeProperty(dpy_, request.requestor, property, utf8_, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(text_.data()), static_cast<int>(text_.size()));
    } else {
      answered = false;
    }
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.property = answered ? property : None;
    reply.xselection.time = request.time;
    XSendEvent(dpy_, request.requestor, False, NoEventMask, &reply);
    XFlush(dpy_);
  }

  Display* dpy_ = nullptr;
  ::Window window_ = 0;
  Atom clipboard_ = 0, targets_ = 0, utf8_ = 0;
  std::string text_;
};

class CaptureProgramBench {
 public:
  explicit CaptureProgramBench(std::string root) : root_(std::move(root)) {}

  void run() {
    std::printf("2. the program under Xvfb, another X client copying texts of 1 KB\n");
    const std::string program = programPath();
    if (program.empty()) {
      std::printf("   SKIPPED: build the vellisto target first\n");
      return;
    }
    if (!startXvfb()) {
      std::printf("   SKIPPED: Xvfb could not be started\n");
      return;
    }
    Corpus corpus(11);
    keptAndDisk(program, corpus);
    fillLevels(program, corpus);
    idle(program, corpus);
    stopXvfb();
  }

 private:
  struct Program {
    pid_t pid = -1;
    std::string home, log;
  };

  static std::string programPath() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const auto path = self.parent_path().parent_path() / "src/app/vellisto";
    return std::filesystem::exists(path) ? path.string() : std::string();
  }

  // Xvfb picks a free display itself and says which (-displayfd): other programs on this machine may
  // start servers of their own at any moment.
  bool startXvfb() {
    int fds[2];
    if (::pipe(fds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> argv = {"Xvfb", "-displayfd", "3", "-nolisten",
                                     "tcp",  "-screen",    "0", "1280x800x24"};
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    if (::posix_spawnp(&xvfb_, "Xvfb", &actions, nullptr, args.data(), environ) != 0) xvfb_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::string number;
    char c = 0;
    pollfd fd{fds[0], POLLIN, 0};
    while (xvfb_ > 0 && ::poll(&fd, 1, 10000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (number.empty()) {
      stopXvfb();
      return false;
    }
    display_ = ":" + number;
    return true;
  }
  void stopXvfb() {
    if (xvfb_ <= 0) return;
    ::kill(xvfb_, SIGTERM);
    ::waitpid(xvfb_, nullptr, 0);
    xvfb_ = -1;
  }

  // A program in a home of its own, its history one doc of `records` records of 1 KB; returns once it
  // has stored a first copy.
  Program start(const std::string& program, const std::string& name, int records, Corpus& corpus,
                CopyClient& client) {
    Program p;
    p.home = root_ + "/" + name;
    p.log = p.home + ".log";
    const std::string data = p.home + "/.vellisto/data";
    std::filesystem::create_directories(data);
    std::filesystem::create_directories(p.home + "/run");
    std::string text;
    for (int i = 0; i < records; ++i) {
      if (i > 0) text += doctext::kChunkSeparator;
      text += *Vellisto_Chunk::initWithContext(kilobyteText(corpus, "filled " + std::to_string(i)),
                                               std::nullopt, Json::object())
                   ->stringValue();
    }
    bench::require(
        files::atomicWrite(data + "/BigDoc_0", records > 0 ? *GzipUtility::gzipData(text) : std::string()),
        "writing the history");
    // build/src/app/vellisto finds the resources through build/bench/resources.
    const auto build = std::filesystem::path(program).parent_path().parent_path().parent_path();
    p.pid = spawn(
        {program},
        {"HOME=" + p.home, "XDG_CONFIG_HOME=" + p.home + "/.config", "XDG_RUNTIME_DIR=" + p.home + "/run",
         "DISPLAY=" + display_, "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent", "VELLISTO_LOG=debug",
         "VELLISTO_RESOURCES=" + (build / "bench/resources").string()},
        p.log);
    // The first copy that shows as stored says capture runs (its tracing line is a debug one); until then
    // another one is offered.
    int probe = 0;
    const bool ready = waitFor(
        [&] {
          client.copy("bench probe " + std::to_string(++probe));
          client.serveUntil(Steady::now() + std::chrono::milliseconds(200));
          return appended(p) > 0;
        },
        30000);
    if (!ready) std::printf("   the program did not store a probe copy; see %s\n", p.log.c_str());
    return p;
  }

  static std::size_t appended(const Program& p) {
    std::istringstream log(readText(p.log));
    std::size_t count = 0;
    std::string line;
    while (std::getline(log, line)) count += line.rfind("append ", 0) == 0 ? 1 : 0;
    return count;
  }

  // Stops the program and counts the texts with `prefix` its history kept.
  static std::size_t stop(Program& p, const std::string& prefix) {
    ::kill(p.pid, SIGINT);
    ::waitpid(p.pid, nullptr, 0);
    DocChain chain = DocChainLoader::loadFolder(p.home + "/.vellisto/data", nullptr);
    std::set<std::string> kept;
    for (auto doc = chain.head; doc; doc = doc->next()) {
      for (const auto& chunk : doc->chunks()) {
        if (chunk && chunk->context().rfind(prefix, 0) == 0)
          kept.insert(std::string(chunk->context().substr(0, prefix.size() + 6)));
      }
    }
    return kept.size();
  }

  // Copies `count` texts, `gapMs` apart (0: back-to-back, answering only what waits in between).
  static void copies(CopyClient& client, Corpus& corpus, const std::string& prefix, int count, int gapMs) {
    auto next = Steady::now();
    for (int i = 0; i < count; ++i) {
      char number[16];
      std::snprintf(number, sizeof number, "%05d", i);
      client.copy(kilobyteText(corpus, prefix.substr(6) + number));
      next += std::chrono::milliseconds(gapMs);
      client.serveUntil(next);
    }
    client.serveUntil(Steady::now() + std::chrono::milliseconds(500));
  }

  // Until the program has stored nothing new for a second (or has stored `expected`).
  static void settle(const Program& p, std::size_t expected) {
    std::size_t last = appended(p);
    auto quietSince = Steady::now();
    waitFor(
        [&] {
          const std::size_t now = appended(p);
          if (now != last) {
            last = now;
            quietSince = Steady::now();
          }
          return now >= expected || Steady::now() - quietSince > std::chrono::seconds(1);
        },
        60000);
  }

  void keptAndDisk(const std::string& program, Corpus& corpus) {
    CopyClient client(display_);
    if (!client.ok()) return;
    for (int gap : {20, 0}) {
      const std::string name = gap ? "every-20ms" : "back-to-back";
      Program p = start(program, name, 0, corpus, client);
      const std::size_t before = appended(p);
      const double cpu = processCpuMs(p.pid);
      const std::uint64_t disk = kernelWriteBytes(p.pid);
      const auto started = Steady::now();
      copies(client, corpus, "bench " + name + " ", 1000, gap);
      const double seconds = std::chrono::duration<double>(Steady::now() - started).count();
      settle(p, before + 1000);
      // The fold that follows the last copies, in the count too.
      std::this_thread::sleep_for(
          std::chrono::milliseconds(static_cast<int>(Vellisto_BigDoc::kFoldDelayMs) + 1000));
      const double cpuPerCopy = (processCpuMs(p.pid) - cpu) / 1000;
      const double diskPerCopy = static_cast<double>(kernelWriteBytes(p.pid) - disk) / 1000;
      const std::size_t kept = stop(p, "bench " + name.substr(0) + " ");
      if (gap) {
        std::printf("   1,000 copies one every 20 ms (%.1f s): %zu kept (goal >= 990): %s\n", seconds, kept,
                    kept >= 990 ? "met" : "MISSED");
        const double written = storeBytes(p) / 1000;
        std::printf("     CPU per copy, folds included: %.3f ms\n", cpuPerCopy);
        std::printf(
            "     written per copy: %.0f bytes by the program, journal and folds (goal < 4096): %s;\n"
            "       %.0f bytes by the kernel, which writes whole 4 KB pages: each synced journal entry\n"
            "       writes the page it ends in again\n",
            written, written < 4096 ? "met" : "MISSED", diskPerCopy);
      } else {
        std::printf("   1,000 copies back-to-back (%.2f s, one every %.2f ms): %zu kept\n", seconds, seconds,
                    kept);
      }
    }
  }

  // Doc and journal bytes of the program's run, from the line it logs at quit.
  static double storeBytes(const Program& p) {
    std::istringstream log(readText(p.log));
    std::string line;
    unsigned long long files = 0, docBytes = 0, journalBytes = 0;
    while (std::getline(log, line)) {
      std::sscanf(line.c_str(), "store: %llu doc files written (%llu bytes) and %llu bytes journaled", &files,
                  &docBytes, &journalBytes);
    }
    return static_cast<double>(docBytes + journalBytes);
  }

  void fillLevels(const std::string& program, Corpus& corpus) {
    CopyClient client(display_);
    if (!client.ok()) return;
    std::printf("   CPU per copy, 250 copies one every 20 ms and the folds they cause:\n");
    std::vector<double> perCopy;
    for (int records : {0, 500, 999}) {
      // The last doc holds about `records` records halfway through the copies.
      const int filled = std::max(0, records - 125);
      Program p = start(program, "fill-" + std::to_string(records), filled, corpus, client);
      const std::size_t before = appended(p);
      const double cpu = processCpuMs(p.pid);
      copies(client, corpus, "bench fill ", 250, 20);
      settle(p, before + 250);
      std::this_thread::sleep_for(
          std::chrono::milliseconds(static_cast<int>(Vellisto_BigDoc::kFoldDelayMs) + 1000));
      perCopy.push_back((processCpuMs(p.pid) - cpu) / 250);
      stop(p, "bench fill ");
      std::printf("     last doc about %4d records: %.3f ms (goal < 2 ms): %s\n", records, perCopy.back(),
                  perCopy.back() < 2 ? "met" : "MISSED");
    }
    const double ratio = perCopy.back() / perCopy.front();
    std::printf("     fullest / emptiest: %.2f (goal < 1.5): %s\n", ratio, ratio < 1.5 ? "met" : "MISSED");
  }

  void idle(const std::string& program, Corpus& corpus) {
    CopyClient client(display_);
    if (!client.ok()) return;
    Program p = start(program, "idle", 500, corpus, client);
    // Start-up work (the probe copy's fold, the installed-application index) is over first.
    std::this_thread::sleep_for(
        std::chrono::milliseconds(static_cast<int>(Vellisto_BigDoc::kFoldDelayMs) + 2000));
    const auto before = threadCounters(p.pid);
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const auto after = threadCounters(p.pid);
    std::map<std::string, std::uint64_t> byName;
    for (const auto& [tid, counters] : after) {
      auto it = before.find(tid);
      byName[counters.name] += counters.switches - (it == before.end() ? 0 : it->second.switches);
    }
    std::uint64_t capture = 0;
    std::string others;
    for (const auto& [name, wakeups] : byName) {
      // The clipboard's X thread, the pasteboard reading and dealing queues (one name cut to 15 letters).
      const bool ofCapture = name == "vl-x11-clipboar" || name == "app.vellisto.pa";
      if (ofCapture) capture += wakeups;
      if (wakeups > 0 && !ofCapture) others += " " + name + " " + std::to_string(wakeups) + ",";
    }
    if (!others.empty()) others.pop_back();
    std::printf("   idle for 10 s: %llu wake-ups of the capture threads (goal 0): %s\n",
                static_cast<unsigned long long>(capture), capture == 0 ? "met" : "MISSED");
    std::printf("     other threads:%s\n", others.empty() ? " none" : others.c_str());
    stop(p, "bench idle ");
  }

  std::string root_;
  std::string display_;
  pid_t xvfb_ = -1;
};

}  // namespace vl::bench
