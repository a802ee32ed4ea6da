#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Windows/Main/preview/CustomView.h"
#include "lookup/PronounceView.h"
#include "lookup/TranslateItem.h"
#include "platform/ui/text/TextView.h"

namespace vl {

// The preview of the dictionary action: the online dictionary's entry for json "translate_words" — the
// headword, up to two pronunciations with play buttons, and the definitions. While the page loads one
// line says so; a request that fails says that instead. Pages are fetched and parsed off the main
// thread, and only the newest lookup's answer is shown: the selection may move on faster than the
// service answers.
class TranslateView : public CustomView {
 public:
  static constexpr const char* kClassName = "TranslateView";
  // A longer text is no word of the dictionary action; it is not sent.
  static constexpr std::size_t kMaxWordBytes = 256;

  static std::shared_ptr<TranslateView> create(const ui::Rect& frame);
  explicit TranslateView(const ui::Rect& frame);

  // Starts a lookup of json "translate_words"; the record text is not used.
  void setJsonData(const std::optional<Json>& json, const std::string& context) override;
  // Shows a parsed page; rows the page has no entry for are emptied.
  void renderUI(const TranslateItem& item);
  // Ends the loading state with a short message.
  void showFailure();

  const std::shared_ptr<ui::TextView>& loading() const { return loading_; }
  const std::shared_ptr<ui::View>& transContainer() const { return transContainer_; }
  const std::shared_ptr<ui::TextView>& keywordsTextView() const { return keywordsTextView_; }
  const std::shared_ptr<PronounceView>& pronounceView1() const { return pronounceView1_; }
  const std::shared_ptr<PronounceView>& pronounceView2() const { return pronounceView2_; }
  const std::shared_ptr<ui::TextView>& descTextView() const { return descTextView_; }
  bool isLoading() const { return loadingNow_; }
  // Answers of earlier lookups that arrived after a newer one began, and were dropped.
  std::size_t staleAnswers() const { return staleAnswers_; }

 private:
  void build();
  void showLoading();
  void answer(std::uint64_t lookup, std::optional<TranslateItem> item);

  std::shared_ptr<ui::TextView> loading_;
  std::shared_ptr<ui::View> transContainer_;
  std::shared_ptr<ui::TextView> keywordsTextView_;
  std::shared_ptr<PronounceView> pronounceView1_;
  std::shared_ptr<PronounceView> pronounceView2_;
  std::shared_ptr<ui::TextView> descTextView_;
  // Counts lookups; an answer carries the count its lookup began with.
  std::uint64_t generation_ = 0;
  bool loadingNow_ = false;
  std::size_t staleAnswers_ = 0;
};

}  // namespace vl
