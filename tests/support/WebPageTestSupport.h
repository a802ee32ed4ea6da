#pragma once

// clang-format off
// gtest and our headers before any X11 header: Xlib's macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>
#include <httplib.h>
#include "core/VLConfig.h"
#include "platform/foundation/ServiceHosts.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/paint/DesktopPainting.h"
#include "platform/system/web/WebEngine.h"
#include "platform/system/web/WebHelperClient.h"
#include "platform/ui/view/Appearance.h"
#include "platform/ui/window/Screen.h"
#include "platform/ui/window/WindowServer.h"
#include "theme/VLThemeManager.h"
#include "support/ProgramUnderTest.h"
#include "support/X11TestSupport.h"
#include "platform/system/x11/window/X11WindowServer.h"
// clang-format on

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

// The web view's road under Xvfb: a loopback site standing in for the search engines, and the real helper
// program showing its pages in our windows.
namespace vl::x11test {

// Pages on 127.0.0.1: "/search?q=..." (a results page that links to "/second"; the query "slow" holds
// its answer until released) and "/second". Each request's target and user agent are kept.
class LoopbackSite {
 public:
  struct Request {
    std::string path;
    std::string query;  // the "q" parameter, decoded
    std::string target;
    std::string agent;
  };

  LoopbackSite() {
    server_.Get("/search", [this](const httplib::Request& req, httplib::Response& res) {
      const std::string q = req.get_param_value("q");
      note(req, q);
      if (q == "slow") {
        std::unique_lock lock(mutex_);
        released_.wait(lock, [this] { return release_; });
      }
      res.set_content(page("#2f7d7a", "Results", "<a href=\"/second\">the second page</a>"), "text/html");
    });
    server_.Get("/second", [this](const httplib::Request& req, httplib::Response& res) {
      note(req, "");
      res.set_content(page("#d8a23a", "Second page", "reached from the results"), "text/html");
    });
    // "/opener?to=<address>": a page that is one link; a click asks for a new window at the address
    // (window.open returns once the window was asked for), then fetches "/opened".
    server_.Get("/opener", [this](const httplib::Request& req, httplib::Response& res) {
      note(req, "");
      const std::string to = req.get_param_value("to");
      res.set_content(page("#5b4b8a", "Opener",
                           "<a href='#' style='position:fixed;left:0;top:0;right:0;bottom:0' "
                           "onclick=\"window.open('" +
                               to + "'); fetch('/opened'); return false;\">open</a>"),
                      "text/html");
    });
    server_.Get("/opened", [this](const httplib::Request& req, httplib::Response& res) {
      note(req, "");
      res.set_content("", "text/plain");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
  }
  ~LoopbackSite() {
    release();
    server_.stop();
    thread_.join();
  }

  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::vector<Request> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  std::size_t count(const std::string& path, const std::string& query) const {
    std::size_t n = 0;
    for (const Request& r : requests()) n += r.path == path && r.query == query;
    return n;
  }
  void release() {
    std::lock_guard lock(mutex_);
    release_ = true;
    released_.notify_all();
  }

 private:
  static std::string page(const std::string& colour, const std::string& title, const std::string& body) {
    return "<!DOCTYPE html><html><head><meta name=viewport content='width=device-width'></head>"
           "<body style='margin:0;background:" +
           colour + ";color:#fff;font:16px sans-serif'><h1 style='margin:12px'>" + title +
           "</h1><p style='margin:12px'>" + body + "</p></body></html>";
  }
  void note(const httplib::Request& req, const std::string& q) {
    std::lock_guard lock(mutex_);
    requests_.push_back({req.path, q, req.target, req.get_header_value("User-Agent")});
  }

  httplib::Server server_;
  int port_ = -1;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable released_;
  bool release_ = false;
  std::vector<Request> requests_;
};

// The display's window server, desktop painting, the shipped themes, settings in a private home, the
// engines' hosts on the loopback site, and the helper program as the web engine. Skips when the helper
// was not built (no WebKitGTK), saying so.
class WebPageX11Test : public X11Test {
 protected:
  void SetUp() override {
    X11Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
#ifndef VL_WEBVIEW_HELPER
    VL_SKIP_WITHOUT_DESKTOP("vellisto-webview was not built (no webkit2gtk-4.1 development files)");
#else
    env_.set("XDG_DATA_HOME", home_ / "data");
    // Marks what the helper starts, and what that starts in turn, so the test can end all of it.
    env_.set(kStartedBy, startedBy());
    env_.set("no_proxy", "127.0.0.1");
    env_.set("VELLISTO_APPEARANCE", std::nullopt);
    // Xvfb has no GPU: the pages draw without WebKit's accelerated compositing.
    env_.set("WEBKIT_DISABLE_COMPOSITING_MODE", "1");
    std::ofstream(home_ / "services.json") << R"({"google": ")" << site_.base() << R"("})";
    env_.set(kServicesFileVariable, home_ / "services.json");
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
    ui::SystemAppearance::shared().setDark(false);
    VLThemeManager::reloadThemeTableForTesting(VL_RESOURCES_DIR);
    VLThemeManager::shared().resetForTesting();
    paint::installDesktopPainting();
    probe_ = XOpenDisplay(display_.c_str());
    ASSERT_NE(probe_, nullptr);
    server_ = x11::X11WindowServer::create(display_);
    ASSERT_NE(server_, nullptr);
    ui::WindowServer::install(server_);
    client_ = WebHelperClient::create(VL_WEBVIEW_HELPER, display_, [] { return 1.0; });
    WebEngine::install(client_);
#endif
  }
  void TearDown() override {
    WebEngine::install(nullptr);
    client_.reset();
    endProcessesWithEnvironment(std::string(kStartedBy) + "=" + startedBy());
    ui::WindowServer::install(nullptr);
    server_.reset();
    if (probe_) XCloseDisplay(probe_);
    ui::Screen::resetToDefault();
    ui::SystemAppearance::shared().setDark(false);
    paint::uninstallDesktopPainting();
    UserDefaults::resetForTesting();
    VLConfig::resetForTesting();
  }

  struct Geometry {
    int x = -1, y = -1, w = 0, h = 0;
    bool viewable = false;
    bool operator==(const Geometry&) const = default;
  };
  Geometry geometry(unsigned long w) {
    XWindowAttributes a{};
    if (w == 0 || !XGetWindowAttributes(probe_, w, &a)) return {};
    return {a.x, a.y, a.width, a.height, a.map_state == IsViewable};
  }
  // Pages take a while to start on a busy machine.
  static constexpr int kPageMs = 120000;
  static constexpr const char* kStartedBy = "VL_TEST_STARTED_BY";
  std::string startedBy() const { return home_ / "helper"; }

  test::PrivateHome home_;
  test::ScopedEnv env_;
  LoopbackSite site_;
  Display* probe_ = nullptr;
  std::shared_ptr<x11::X11WindowServer> server_;
  std::shared_ptr<WebHelperClient> client_;
};

}  // namespace vl::x11test
