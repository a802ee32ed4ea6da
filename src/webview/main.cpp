// vellisto-webview: shows web pages inside vellisto's windows. The program keeps its own event loop and X
// connection and never runs GTK; it starts this process, embeds each page's plug into a child window of
// its own (XEmbed), and talks to it in JSON lines: commands on standard input, navigation reports on
// standard output. The process ends when its input closes.
#include <fcntl.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "CommandReader.h"
#include "WebViews.h"

namespace {

using vellisto_webview::LineReader;
using vellisto_webview::WebViews;

// The program sends no longer line (a search address is a few kilobytes); a longer one is not ours.
constexpr std::size_t kMaxLine = 256 * 1024;

// The pipes to the program, on descriptors the page processes WebKit starts do not inherit: the program
// sees our output end the moment we do.
int reportsFd = -1;
int commandsFd = -1;

void keepPipesToOurselves() {
  reportsFd = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  commandsFd = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
  dup2(STDERR_FILENO, STDOUT_FILENO);
  const int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (nothing >= 0) dup2(nothing, STDIN_FILENO);
}

void writeLine(const std::string& line) {
  std::string out = line + "\n";
  const char* p = out.data();
  std::size_t left = out.size();
  while (left > 0) {
    const ssize_t n = ::write(reportsFd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // The program is gone; nobody is left to show pages to.
      gtk_main_quit();
      return;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

struct Input {
  LineReader reader{kMaxLine};
  WebViews* views = nullptr;
};

gboolean onInput(gint fd, GIOCondition condition, gpointer data) {
  auto* input = static_cast<Input*>(data);
  char buffer[16 * 1024];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return G_SOURCE_CONTINUE;
  if (n <= 0 || (condition & (G_IO_ERR | G_IO_NVAL))) {
    gtk_main_quit();
    return G_SOURCE_REMOVE;
  }
  input->reader.feed(
      std::string_view(buffer, static_cast<std::size_t>(n)),
      [input](std::string_view line) {
        if (line.empty()) return;
        auto command = vellisto_webview::parseCommand(line);
        if (!command) {
          std::fprintf(stderr, "vellisto-webview: a line of %zu bytes is not a command; ignored\n",
                       line.size());
          return;
        }
        input->views->handle(*command);
      },
      [] { std::fprintf(stderr, "vellisto-webview: a line longer than %zu bytes was dropped\n", kMaxLine); });
  return G_SOURCE_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
  // A write to a program that went away ends in an error we handle, not in a signal.
  signal(SIGPIPE, SIG_IGN);
  keepPipesToOurselves();
  if (reportsFd < 0 || commandsFd < 0) {
    std::fprintf(stderr, "vellisto-webview: no pipes to the program\n");
    return 2;
  }
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "vellisto-webview: no X display to show pages on\n");
    return 2;
  }
  fcntl(commandsFd, F_SETFL, fcntl(commandsFd, F_GETFL) | O_NONBLOCK);
  WebViews views(writeLine);
  Input input;
  input.views = &views;
  g_unix_fd_add(commandsFd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), onInput, &input);
  writeLine(R"({"event":"ready"})");
  gtk_main();
  return 0;
}
