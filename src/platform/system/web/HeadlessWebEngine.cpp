#include "platform/system/web/HeadlessWebEngine.h"

#include "platform/dispatch/Dispatch.h"
#include "platform/system/web/WebView.h"

namespace vl {

void HeadlessWebEngine::attach(WebView& view) {
  History& h = views_[view.surfaceNumber()];
  h.view = std::dynamic_pointer_cast<WebView>(view.self());
}

void HeadlessWebEngine::detach(int viewNumber) { views_.erase(viewNumber); }

void HeadlessWebEngine::setUserAgent(WebView& view, const std::string& agent) {
  views_[view.surfaceNumber()].agent = agent;
}

void HeadlessWebEngine::show(int viewNumber, long index, bool fresh, const std::string& url) {
  History& h = views_[viewNumber];
  loads_.push_back({viewNumber, url, h.agent});
  const std::optional<std::string> error = responder_ ? responder_(url) : std::nullopt;
  if (!error) {
    if (fresh) {
      // A new page drops the pages ahead of the current one.
      if (h.index + 1 < static_cast<long>(h.entries.size()))
        h.entries.resize(static_cast<std::size_t>(h.index + 1));
      h.entries.push_back(url);
      index = static_cast<long>(h.entries.size()) - 1;
    }
    h.index = index;
  }
  const bool back = h.index > 0, forward = h.index + 1 < static_cast<long>(h.entries.size());
  dispatch::Queue::main()->async([weak = h.view, url, error, back, forward] {
    auto view = weak.lock();
    if (!view) return;
    if (error) {
      view->engineDidFail(*error);
    } else {
      view->engineDidFinish(url, back, forward);
    }
  });
}

void HeadlessWebEngine::load(WebView& view, const std::string& url) {
  if (!available_) return;
  show(view.surfaceNumber(), -1, true, url);
}

void HeadlessWebEngine::goBack(WebView& view) {
  History& h = views_[view.surfaceNumber()];
  if (!available_ || h.index <= 0) return;
  show(view.surfaceNumber(), h.index - 1, false, h.entries[static_cast<std::size_t>(h.index - 1)]);
}

void HeadlessWebEngine::goForward(WebView& view) {
  History& h = views_[view.surfaceNumber()];
  if (!available_ || h.index + 1 >= static_cast<long>(h.entries.size())) return;
  show(view.surfaceNumber(), h.index + 1, false, h.entries[static_cast<std::size_t>(h.index + 1)]);
}

void HeadlessWebEngine::reload(WebView& view) {
  History& h = views_[view.surfaceNumber()];
  if (!available_ || h.index < 0) return;
  show(view.surfaceNumber(), h.index, false, h.entries[static_cast<std::size_t>(h.index)]);
}

void HeadlessWebEngine::crash(int viewNumber) {
  auto it = views_.find(viewNumber);
  if (it == views_.end()) return;
  dispatch::Queue::main()->async([weak = it->second.view] {
    if (auto view = weak.lock()) view->engineDidCrash();
  });
}

void HeadlessWebEngine::setAvailable(bool available) {
  available_ = available;
  for (auto& [n, h] : views_) {
    dispatch::Queue::main()->async([weak = h.view, available] {
      if (auto view = weak.lock()) view->engineAvailabilityChanged(available);
    });
  }
}

}  // namespace vl
