#include "platform/system/net/DictServerDictionary.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/Log.h"

namespace vl {

DictServerDictionary::DictServerDictionary(DictEndpoint endpoint, DictLimits limits, DictResolver resolve)
    : state_(std::make_shared<State>()), queue_(dispatch::Queue::serial("vl.dictionary")) {
  state_->endpoint = std::move(endpoint);
  state_->limits = limits;
  state_->resolve = std::move(resolve);
}

std::shared_ptr<DictServerDictionary> DictServerDictionary::fromEnvironment() {
  return std::make_shared<DictServerDictionary>(DictEndpoint::fromEnvironment());
}

DictionaryAnswer DictServerDictionary::lookUp(const std::string& word, std::function<void()> arrived) {
  if (!dictWordIsSafe(word)) return {};
  {
    std::lock_guard lock(state_->mutex);
    if (auto known = state_->answers.find(word); known != state_->answers.end()) {
      if (!known->second) return {};
      return {DictionaryAnswer::State::Found, *known->second};
    }
    if (Clock::current().now() < state_->quietUntil) return {};
    auto [waiting, fresh] = state_->pending.try_emplace(word);
    if (arrived) waiting->second.push_back(std::move(arrived));
    if (!fresh) return {DictionaryAnswer::State::Pending, {}};
  }
  queue_->async([state = state_, word] { ask(state, word); });
  return {DictionaryAnswer::State::Pending, {}};
}

void DictServerDictionary::ask(const std::shared_ptr<State>& state, const std::string& word) {
  {
    std::lock_guard lock(state->mutex);
    if (Clock::current().now() < state->quietUntil) {
      // Queued before the server failed: it would only fail again, each at the cost of the limits.
      state->pending.erase(word);
      return;
    }
  }
  const DictReply reply = dictDefine(state->endpoint, word, state->limits, state->resolve);
  std::vector<std::function<void()>> waiting;
  {
    std::lock_guard lock(state->mutex);
    ++state->asked;
    if (auto it = state->pending.find(word); it != state->pending.end()) {
      waiting = std::move(it->second);
      state->pending.erase(it);
    }
    if (reply.status == DictStatus::Found || reply.status == DictStatus::NoMatch) {
      if (state->answerOrder.size() >= kCachedWords) {
        state->answers.erase(state->answerOrder.front());
        state->answerOrder.pop_front();
      }
      state->answerOrder.push_back(word);
      state->answers[word] =
          reply.status == DictStatus::Found ? std::optional(reply.definition) : std::nullopt;
    } else {
      state->quietUntil = Clock::current().now() + kQuietSeconds;
      // The word itself stays out of the log: it is what the user copied.
      logWarningf("dictionary: %s:%u %s; not asked again for %.0f s", state->endpoint.host.c_str(),
                  static_cast<unsigned>(state->endpoint.port),
                  reply.status == DictStatus::Unreachable ? "did not answer" : "gave no dictionary answer",
                  kQuietSeconds);
    }
  }
  if (reply.status != DictStatus::Found) return;
  for (auto& callback : waiting) dispatch::Queue::main()->async(std::move(callback));
}

void DictServerDictionary::waitUntilIdle() {
  queue_->sync([] {});
}

std::size_t DictServerDictionary::questionsAsked() const {
  std::lock_guard lock(state_->mutex);
  return state_->asked;
}

}  // namespace vl
