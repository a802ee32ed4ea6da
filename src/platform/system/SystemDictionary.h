#pragma once

#include <functional>
#include <memory>
#include <string>

namespace vl {

// What the dictionary knows of a word right now.
struct DictionaryAnswer {
  enum class State {
    Found,
    NotFound,
    // Being looked up; the answer comes later.
    Pending,
  };
  State state = State::NotFound;
  std::string definition;
};

// The system dictionary: a word's definition text. Asking never waits: an answer not known yet starts
// a lookup in the background and says Pending, and `arrived` then runs on the main queue once that
// lookup found a definition (a word without one changes nothing, so it is not reported). A backend is
// installed once at start; the headless one knows only the words a test gives it. Thread-safe.
class SystemDictionary {
 public:
  virtual ~SystemDictionary() = default;

  static std::shared_ptr<SystemDictionary> shared();
  // nullptr goes back to a fresh headless dictionary.
  static void install(std::shared_ptr<SystemDictionary> backend);

  virtual DictionaryAnswer lookUp(const std::string& word, std::function<void()> arrived = {}) = 0;
};

}  // namespace vl
