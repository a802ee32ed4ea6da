#pragma once

#include <functional>
#include <string>

#include "think/Action.h"

namespace vl {

// Looks a single word up in the system dictionary: its label is the start of the definition, and its
// text steers the preview to the dictionary view of the word. Running it does nothing.
class DictionaryAction final : public Action {
 public:
  static DictionaryAction& shared();
  const char* name() const override { return "DictionaryAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kDictionaryWord}; }

  // Whether the dictionary knows the word right now; keeps the first five words of its definition as
  // the label. A word not known yet is looked up in the background (nothing waits for it), and the
  // handler hears about it on the main queue once its definition arrived.
  bool wordInDictionary(const std::string& word);
  void setDefinitionArrived(std::function<void(const std::string& word)> handler) {
    arrived_ = std::move(handler);
  }

  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  // Empty; "custom_view" and "translate_words" of the json now name the dictionary view and the word.
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;
  // Nothing: the result is a view, and an empty text must not replace the user's clipboard.
  void doTask(const std::string&) override {}
  const std::string& pronunciation() const { return pronunciation_; }

 private:
  DictionaryAction() = default;
  std::string pronunciation_;
  std::function<void(const std::string&)> arrived_;
};

// The first five words of a definition joined by single spaces; "" when it has fewer than five.
std::string definitionHead(const std::string& definition);

}  // namespace vl
