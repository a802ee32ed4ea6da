#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/web/WebEngine.h"

namespace vl {

// The web engine without a display: it keeps each view's back-and-forward list and answers every
// navigation on the main queue, without fetching anything. Unit tests read what was asked of it.
class HeadlessWebEngine : public WebEngine {
 public:
  struct Load {
    int view = 0;
    std::string url;
    std::string agent;
  };

  // Every page loaded, going back and forward included, in order.
  const std::vector<Load>& loads() const { return loads_; }
  // What a load answers: nullopt finishes it, a text fails it with that error. By default every load
  // finishes.
  void setResponder(std::function<std::optional<std::string>(const std::string& url)> responder) {
    responder_ = std::move(responder);
  }
  // Ends the page's process of a view, as a crash would.
  void crash(int viewNumber);
  void setAvailable(bool available);

  void attach(WebView& view) override;
  void detach(int viewNumber) override;
  void surfaceChanged(WebView&) override {}
  void load(WebView& view, const std::string& url) override;
  void goBack(WebView& view) override;
  void goForward(WebView& view) override;
  void reload(WebView& view) override;
  void setUserAgent(WebView& view, const std::string& agent) override;
  bool available() const override { return available_; }

 private:
  struct History {
    std::weak_ptr<WebView> view;
    std::vector<std::string> entries;
    long index = -1;
    std::string agent;
  };
  // Shows entries[index] of the view's history, answering on the main queue.
  void show(int viewNumber, long index, bool fresh, const std::string& url);

  std::map<int, History> views_;
  std::vector<Load> loads_;
  std::function<std::optional<std::string>(const std::string&)> responder_;
  bool available_ = true;
};

}  // namespace vl
