#include "platform/system/headless/HeadlessSystemDictionary.h"

namespace vl {

DictionaryAnswer HeadlessSystemDictionary::lookUp(const std::string& word, std::function<void()>) {
  std::lock_guard lock(mutex_);
  auto it = definitions_.find(word);
  if (it == definitions_.end()) return {};
  return {DictionaryAnswer::State::Found, it->second};
}

void HeadlessSystemDictionary::setDefinition(const std::string& word, std::string definition) {
  std::lock_guard lock(mutex_);
  definitions_[word] = std::move(definition);
}

}  // namespace vl
