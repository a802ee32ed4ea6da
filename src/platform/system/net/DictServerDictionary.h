#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/system/SystemDictionary.h"
#include "platform/system/net/DictClient.h"

namespace vl {

// The system dictionary as a DICT server answers it. Each word is asked once and its answer (a
// definition or none) kept; lookups run one at a time on a queue of their own, so the caller never
// waits. A server that does not answer within the limits (its name not resolved in time included) is
// not asked again for 30 seconds of vl::Clock: words asked meanwhile, and those already waiting in the
// queue, have no definition (they are asked again later).
class DictServerDictionary final : public SystemDictionary {
 public:
  static constexpr double kQuietSeconds = 30;
  static constexpr std::size_t kCachedWords = 512;

  // `resolve` resolves the server's name (the system's resolver when empty).
  explicit DictServerDictionary(DictEndpoint endpoint, DictLimits limits = {}, DictResolver resolve = {});
  // The server VELLISTO_DICT_SERVER names, else 127.0.0.1:2628.
  static std::shared_ptr<DictServerDictionary> fromEnvironment();

  DictionaryAnswer lookUp(const std::string& word, std::function<void()> arrived = {}) override;
  // How many questions went to the server so far.
  std::size_t questionsAsked() const;
  // Waits until the lookups started so far have ended (their answers are kept, their callbacks posted).
  void waitUntilIdle();

 private:
  struct State {
    DictEndpoint endpoint;
    DictLimits limits;
    DictResolver resolve;
    std::mutex mutex;  // leaf: guards the rest
    std::map<std::string, std::optional<std::string>> answers;
    std::deque<std::string> answerOrder;  // oldest first, for the cap
    std::map<std::string, std::vector<std::function<void()>>> pending;
    double quietUntil = 0;
    std::size_t asked = 0;
  };
  static void ask(const std::shared_ptr<State>& state, const std::string& word);

  std::shared_ptr<State> state_;
  std::shared_ptr<dispatch::Queue> queue_;
};

}  // namespace vl
