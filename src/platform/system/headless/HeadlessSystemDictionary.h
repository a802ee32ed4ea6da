#pragma once

#include <map>
#include <mutex>
#include <string>

#include "platform/system/SystemDictionary.h"

namespace vl {

// A dictionary that knows the definitions a test sets, answered at once; every other word has none.
class HeadlessSystemDictionary final : public SystemDictionary {
 public:
  DictionaryAnswer lookUp(const std::string& word, std::function<void()> arrived = {}) override;
  void setDefinition(const std::string& word, std::string definition);

 private:
  std::mutex mutex_;
  std::map<std::string, std::string> definitions_;
};

}  // namespace vl
