#pragma once

#include <memory>
#include <string>

namespace vl {

class WebView;

// What draws the pages of every web view. A view tells its engine what the user asks; the engine
// answers through the view's engine*() methods on the main thread, never from inside the call that
// asked. Views are named by their surface number. Main thread only.
class WebEngine {
 public:
  virtual ~WebEngine() = default;

  // The headless twin until a desktop backend installs another; nullptr goes back to it. Views keep the
  // engine they were made with.
  static std::shared_ptr<WebEngine> installed();
  static void install(std::shared_ptr<WebEngine> engine);

  // A view starts or stops using the engine; the engine keeps no strong reference to it.
  virtual void attach(WebView& view) = 0;
  virtual void detach(int viewNumber) = 0;
  // The view's native window or its size changed.
  virtual void surfaceChanged(WebView& view) = 0;
  virtual void load(WebView& view, const std::string& url) = 0;
  virtual void goBack(WebView& view) = 0;
  virtual void goForward(WebView& view) = 0;
  virtual void reload(WebView& view) = 0;
  virtual void setUserAgent(WebView& view, const std::string& agent) = 0;
  // Whether pages can be shown at all (the headless twin always can).
  virtual bool available() const = 0;
};

}  // namespace vl
