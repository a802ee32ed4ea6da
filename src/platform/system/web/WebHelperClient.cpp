#include "platform/system/web/WebHelperClient.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Environment.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/system/dbus/BusConnection.h"
#include "platform/system/web/WebView.h"
#include "platform/ui/view/Appearance.h"

namespace vl {

namespace {

// GTK scales by whole numbers; the helper is told the nearest one and is given sizes in its units.
long gtkScale(double scale) { return std::max(1L, std::lround(scale)); }

}  // namespace

std::shared_ptr<WebHelperClient> WebHelperClient::create(std::string program, std::string displayName,
                                                         std::function<double()> scale) {
  std::shared_ptr<WebHelperClient> client(
      new WebHelperClient(std::move(program), std::move(displayName), std::move(scale)));
  std::weak_ptr<WebHelperClient> weak = client;
  client->appearance_ = ui::SystemAppearance::shared().center().observe(
      ui::SystemAppearance::kThemeChangedNotification, nullptr, [weak](const Notification&) {
        dispatch::Queue::main()->async([weak] {
          if (auto self = weak.lock()) self->sendAppearance();
        });
      });
  return client;
}

void WebHelperClient::sendAppearance() {
  send({{"cmd", "appearance"}, {"dark", ui::SystemAppearance::shared().isDark()}});
}

WebHelperClient::WebHelperClient(std::string program, std::string displayName, std::function<double()> scale)
    : program_(std::move(program)), displayName_(std::move(displayName)), scale_(std::move(scale)) {}

WebHelperClient::~WebHelperClient() {
  if (process_) process_->stop();
}

std::string WebHelperClient::defaultProgramPath() {
  if (std::string env = environmentValue("VELLISTO_WEBVIEW"); !env.empty()) return env;
  char buffer[PATH_MAX] = {};
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "vellisto-webview";
  return files::joinPath(files::deletingLastPathComponent(std::string(buffer, static_cast<std::size_t>(n))),
                         "vellisto-webview");
}

void WebHelperClient::close() {
  closed_ = true;
  if (process_) process_->stop();
  process_.reset();
}

bool WebHelperClient::ensureHelper() {
  if (unavailable_ || closed_) return false;
  if (process_) return true;
  if (!files::isRegularFile(program_) || ::access(program_.c_str(), X_OK) != 0) {
    becomeUnavailable("no web view helper at " + program_);
    return false;
  }
  const unsigned generation = ++generation_;
  std::weak_ptr<WebHelperClient> weak = weak_from_this();
  WebHelperProcess::Callbacks callbacks;
  callbacks.report = [weak, generation](Json report) {
    dispatch::Queue::main()->async([weak, generation, report = std::move(report)] {
      if (auto self = weak.lock()) self->onReport(generation, report);
    });
  };
  callbacks.ended = [weak, generation] {
    dispatch::Queue::main()->async([weak, generation] {
      if (auto self = weak.lock()) self->onEnded(generation);
    });
  };
  std::map<std::string, std::string> environment{
      {"DISPLAY", displayName_},
      // The pages are embedded in X windows, whatever the session prefers.
      {"GDK_BACKEND", "x11"},
      {"GDK_SCALE", std::to_string(gtkScale(scale_ ? scale_() : 1))},
      {"NO_AT_BRIDGE", "1"},
  };
  // Without a session bus of ours the toolkit would launch one through the X display (and the
  // accessibility bus on it), which nothing ends: it outlives the helper and us until the display goes.
  if (!dbus::BusConnection::sessionBusAvailable()) environment["DBUS_SESSION_BUS_ADDRESS"] = "disabled:";
  process_ = WebHelperProcess::start(program_, environment, std::move(callbacks));
  if (!process_) {
    becomeUnavailable("the web view helper could not be started");
    return false;
  }
  startedMs_ = Clock::current().monotonicMs();
  logDebugf("web view: helper started (process %d)", static_cast<int>(process_->pid()));
  sendAppearance();
  return true;
}

void WebHelperClient::send(const Json& command) {
  if (process_ && !process_->send(command)) logWarning("web helper: a command was not sent");
}

ui::Size WebHelperClient::pixelsOf(const WebView& view) const {
  const double scale = scale_ ? scale_() : 1;
  const double unit = scale / static_cast<double>(gtkScale(scale));
  return {std::max(1.0, std::round(view.frame().width() * unit)),
          std::max(1.0, std::round(view.frame().height() * unit))};
}

void WebHelperClient::attach(WebView& view) {
  ViewState& state = views_[view.surfaceNumber()];
  state.view = std::dynamic_pointer_cast<WebView>(view.self());
  if (unavailable_) {
    dispatch::Queue::main()->async([weak = state.view] {
      if (auto v = weak.lock()) v->engineAvailabilityChanged(false);
    });
  }
}

void WebHelperClient::detach(int viewNumber) {
  auto it = views_.find(viewNumber);
  if (it == views_.end()) return;
  if (it->second.window) send({{"cmd", "close"}, {"view", viewNumber}});
  views_.erase(it);
}

void WebHelperClient::embed(int number, ViewState& state, WebView& view) {
  state.window = view.nativeWindow();
  state.pixels = pixelsOf(view);
  logDebugf("web view: view %d embedded in window 0x%lx, %s page", number, state.window,
            state.url.empty() ? "no" : "with its");
  send({{"cmd", "embed"},
        {"view", number},
        {"window", state.window},
        {"width", static_cast<long>(state.pixels.width)},
        {"height", static_cast<long>(state.pixels.height)}});
  if (!state.agent.empty()) send({{"cmd", "agent"}, {"view", number}, {"agent", state.agent}});
  if (!state.url.empty()) send({{"cmd", "load"}, {"view", number}, {"url", state.url}});
}

void WebHelperClient::surfaceChanged(WebView& view) {
  const int number = view.surfaceNumber();
  auto it = views_.find(number);
  if (it == views_.end()) return;
  ViewState& state = it->second;
  const unsigned long window = view.nativeWindow();
  if (window == 0) {
    // The surface's window went; its plug went with it.
    if (state.window) send({{"cmd", "close"}, {"view", number}});
    state.window = 0;
    return;
  }
  if (window != state.window) {
    if (ensureHelper()) embed(number, state, view);
    return;
  }
  const ui::Size pixels = pixelsOf(view);
  if (pixels == state.pixels) return;
  state.pixels = pixels;
  send({{"cmd", "resize"},
        {"view", number},
        {"width", static_cast<long>(pixels.width)},
        {"height", static_cast<long>(pixels.height)}});
}

void WebHelperClient::load(WebView& view, const std::string& url) {
  const int number = view.surfaceNumber();
  ViewState& state = views_[number];
  state.url = url;
  if (!ensureHelper()) return;
  if (state.window) {
    logDebugf("web view: view %d loads an address of %zu bytes", number, url.size());
    send({{"cmd", "load"}, {"view", number}, {"url", url}});
  } else if (view.nativeWindow()) {
    embed(number, state, view);
  }
  // Otherwise the page loads once the surface has its window.
}

void WebHelperClient::goBack(WebView& view) {
  if (views_[view.surfaceNumber()].window) send({{"cmd", "back"}, {"view", view.surfaceNumber()}});
}

void WebHelperClient::goForward(WebView& view) {
  if (views_[view.surfaceNumber()].window) send({{"cmd", "forward"}, {"view", view.surfaceNumber()}});
}

void WebHelperClient::reload(WebView& view) {
  if (views_[view.surfaceNumber()].window) send({{"cmd", "reload"}, {"view", view.surfaceNumber()}});
}

void WebHelperClient::setUserAgent(WebView& view, const std::string& agent) {
  ViewState& state = views_[view.surfaceNumber()];
  state.agent = agent;
  if (state.window) send({{"cmd", "agent"}, {"view", view.surfaceNumber()}, {"agent", agent}});
}

void WebHelperClient::onReport(unsigned generation, const Json& report) {
  if (generation != generation_) return;  // from a helper that has ended since
  const std::string event = report.value("event", "");
  const int number =
      report.contains("view") && report["view"].is_number_integer() ? report["view"].get<int>() : -1;
  auto it = views_.find(number);
  std::shared_ptr<WebView> view = it == views_.end() ? nullptr : it->second.view.lock();
  logDebugf("web view: the helper reports \"%s\" of view %d", event.c_str(), number);
  if (event == "finished" && view) {
    const std::string url = report.value("url", "");
    it->second.url = url;
    view->engineDidFinish(url, report.value("back", false), report.value("forward", false));
  } else if (event == "failed" && view) {
    view->engineDidFail(report.value("error", "failed"));
  } else if (event == "crashed" && view) {
    view->engineDidCrash();
  } else if (event == "closed" && it != views_.end()) {
    // The plug went with a window the helper still had, or the helper found no such window: embedded
    // again while the surface has one, but into one window only once, so a window another client
    // destroyed under us is not asked for over and over.
    const unsigned long closed = it->second.window;
    it->second.window = 0;
    if (!view || !view->nativeWindow()) return;
    if (closed == view->nativeWindow() && it->second.refused == closed) {
      logWarningf("web view: view %d could not be embedded in its window; its page is not shown", number);
      return;
    }
    it->second.refused = closed == view->nativeWindow() ? closed : 0;
    embed(number, it->second, *view);
  }
}

void WebHelperClient::onEnded(unsigned generation) {
  if (generation != generation_ || !process_) return;
  const double ranMs = Clock::current().monotonicMs() - startedMs_;
  process_->stop();
  process_.reset();
  if (ranMs >= kRestartEarnedAfterMs) restarts_ = 0;
  for (auto& [n, state] : views_) state.window = 0;
  if (restarts_ >= 1) {
    becomeUnavailable("the web view helper ended again");
    return;
  }
  ++restarts_;
  logWarning("web view: the helper ended; starting it again");
  if (!ensureHelper()) return;
  for (auto& [n, state] : views_) {
    auto view = state.view.lock();
    if (view && view->nativeWindow()) embed(n, state, *view);
  }
}

void WebHelperClient::becomeUnavailable(const std::string& why) {
  if (unavailable_) return;
  unavailable_ = true;
  logWarningf("web view: %s; pages are offered in the browser instead", why.c_str());
  for (auto& [n, state] : views_) {
    dispatch::Queue::main()->async([weak = state.view] {
      if (auto view = weak.lock()) view->engineAvailabilityChanged(false);
    });
  }
}

}  // namespace vl
