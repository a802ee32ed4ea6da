#include "platform/richtext/XmlLibrary.h"

#include <dirent.h>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

#include <mutex>

#include "platform/foundation/Log.h"

namespace vl::ui {

namespace {

std::once_flag& setUp() {
  static std::once_flag once;
  return once;
}

// The threads of this process, from /proc; 0 when it cannot be read.
int threadCount() {
  DIR* tasks = ::opendir("/proc/self/task");
  if (!tasks) return 0;
  int count = 0;
  while (const dirent* entry = ::readdir(tasks)) count += entry->d_name[0] != '.';
  ::closedir(tasks);
  return count;
}

}  // namespace

void XmlLibrary::initialize() {
  std::call_once(setUp(), [] {
    const int threads = threadCount();
    xmlInitParser();
    if (threads == 1) {
      logDebug("libxml2: set up on the main thread before any other thread");
    } else {
      logWarningf(
          "libxml2: set up while %d threads run; one that read markup before may have raced the set-up",
          threads);
    }
  });
}

void XmlLibrary::ensureInitialized() {
  std::call_once(setUp(), [] { xmlInitParser(); });
}

int XmlLibrary::htmlReadOptions() {
  return HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_RECOVER;
}

int XmlLibrary::xmlReadOptions() {
  return XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_RECOVER;
}

bool XmlDepthGuard::enter(void* parser) {
  if (tooDeep_) return false;
  if (open_ >= XmlLibrary::kMaxDepth) {
    tooDeep_ = true;
    xmlStopParser(static_cast<xmlParserCtxtPtr>(parser));
    return false;
  }
  ++open_;
  return true;
}

void XmlDepthGuard::leave() {
  // An end with nothing counted open (the HTML parser's own bookkeeping) takes nothing away.
  if (open_ > 0) --open_;
}

}  // namespace vl::ui
