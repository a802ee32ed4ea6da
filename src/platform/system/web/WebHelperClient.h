#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/foundation/Json.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/system/web/WebEngine.h"
#include "platform/system/web/WebHelperProcess.h"
#include "platform/ui/graphics/Geometry.h"

namespace vl {

class WebView;

// The web engine on the desktop: the helper program vellisto-webview (GTK and WebKitGTK), started on
// the first web view, shows each view's page in a plug embedded in the view's native surface. We send
// it commands as JSON lines; its reports come back through WebHelperProcess's reader thread and are
// handled on the main queue. A helper that ends (a crash, a kill) is started once more and every view is
// embedded and loaded again; when it ends again, or there is no helper program, the views are told that
// pages cannot be shown here. A helper that ran for a minute earns its restart back. Pages that follow
// the light or dark look (the manual) get ours. Main thread only.
class WebHelperClient : public WebEngine, public std::enable_shared_from_this<WebHelperClient> {
 public:
  static constexpr double kRestartEarnedAfterMs = 60000;

  // `program` is the helper's path; `displayName` the X display the surfaces live on; `scale` answers
  // the screens' pixels per point when sizes are sent.
  static std::shared_ptr<WebHelperClient> create(std::string program, std::string displayName,
                                                 std::function<double()> scale);
  ~WebHelperClient() override;

  // $VELLISTO_WEBVIEW when set, else "vellisto-webview" beside the running program.
  static std::string defaultProgramPath();

  void attach(WebView& view) override;
  void detach(int viewNumber) override;
  void surfaceChanged(WebView& view) override;
  void load(WebView& view, const std::string& url) override;
  void goBack(WebView& view) override;
  void goForward(WebView& view) override;
  void reload(WebView& view) override;
  void setUserAgent(WebView& view, const std::string& agent) override;
  bool available() const override { return !unavailable_; }

  // Ends the helper for good (at quit): its reader thread is joined, nothing starts it again.
  void close();
  // The running helper's process id, -1 when none runs (tests end it to see it come back).
  int helperPid() const { return process_ ? process_->pid() : -1; }

 private:
  struct ViewState {
    std::weak_ptr<WebView> view;
    unsigned long window = 0;  // the native window the page is embedded in, 0 when not embedded
    ui::Size pixels;           // the size last sent
    std::string agent;
    std::string url;            // the page to show again after a restart
    unsigned long refused = 0;  // a window the helper could not embed in, tried again once
  };

  WebHelperClient(std::string program, std::string displayName, std::function<double()> scale);
  bool ensureHelper();
  void send(const Json& command);
  void embed(int number, ViewState& state, WebView& view);
  ui::Size pixelsOf(const WebView& view) const;
  void onReport(unsigned generation, const Json& report);
  void onEnded(unsigned generation);
  void becomeUnavailable(const std::string& why);
  // Pages that ask for the light or dark look get ours.
  void sendAppearance();

  std::string program_;
  std::string displayName_;
  std::function<double()> scale_;
  std::map<int, ViewState> views_;
  std::unique_ptr<WebHelperProcess> process_;
  unsigned generation_ = 0;
  int restarts_ = 0;
  double startedMs_ = 0;
  bool unavailable_ = false;
  bool closed_ = false;
  Observation appearance_;
};

}  // namespace vl
