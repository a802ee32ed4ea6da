#include "lookup/TranslateView.h"

#include <algorithm>

#include "lookup/DictionaryService.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "platform/system/net/HttpFetcher.h"

namespace vl {

namespace {

constexpr double kRowHeight = 20;
constexpr double kDescHeight = 200;

HttpFetchOptions pageFetchOptions() {
  HttpFetchOptions options;
  options.timeoutSeconds = 10;
  // A word's page is a few hundred KiB at most.
  options.maxBytes = 4 * 1024 * 1024;
  return options;
}

std::shared_ptr<ui::TextView> makeText(const ui::Rect& frame, std::size_t maximumLines) {
  auto text = ui::TextView::create(frame);
  styleTranslateText(*text, maximumLines);
  return text;
}

// A record from another device can name any text: control characters and broken UTF-8 never reach
// the dictionary.
bool isLookupWord(const std::string& word) {
  if (word.empty() || word.size() > TranslateView::kMaxWordBytes || !isValidUtf8(word)) return false;
  return std::none_of(word.begin(), word.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

}  // namespace

std::shared_ptr<TranslateView> TranslateView::create(const ui::Rect& frame) {
  auto view = std::make_shared<TranslateView>(frame);
  view->build();
  return view;
}

TranslateView::TranslateView(const ui::Rect& frame) : CustomView(frame) {}

void TranslateView::build() {
  const double w = frame().width(), h = frame().height();
  loading_ = makeText({0, h - kRowHeight, w, kRowHeight}, 1);
  loading_->setString(localized("translate.loading"));
  addSubview(loading_);

  transContainer_ = ui::View::create(bounds());
  keywordsTextView_ = makeText({0, h - kRowHeight, w, kRowHeight}, 1);
  pronounceView1_ = PronounceView::create({0, h - 50, w, kRowHeight});
  pronounceView2_ =
      PronounceView::create({0, pronounceView1_->frame().minY() - kRowHeight - 10, w, kRowHeight});
  descTextView_ = makeText({0, pronounceView2_->frame().minY() - kDescHeight, w, kDescHeight}, 0);
  descTextView_->setSelectable(true);
  for (const std::shared_ptr<ui::View>& part : {std::static_pointer_cast<ui::View>(keywordsTextView_),
                                                std::static_pointer_cast<ui::View>(pronounceView1_),
                                                std::static_pointer_cast<ui::View>(pronounceView2_),
                                                std::static_pointer_cast<ui::View>(descTextView_)}) {
    transContainer_->addSubview(part);
  }
  transContainer_->setHidden(true);
  addSubview(transContainer_);
  // The rows keep to the top and take the width when the preview changes size.
  transContainer_->setAutoresizingMask(ui::View::WidthSizable | ui::View::HeightSizable);
  for (const std::shared_ptr<ui::View>& row :
       {std::static_pointer_cast<ui::View>(loading_), std::static_pointer_cast<ui::View>(keywordsTextView_),
        std::static_pointer_cast<ui::View>(pronounceView1_),
        std::static_pointer_cast<ui::View>(pronounceView2_),
        std::static_pointer_cast<ui::View>(descTextView_)}) {
    row->setAutoresizingMask(ui::View::WidthSizable | ui::View::MinYMargin);
  }
}

void TranslateView::showLoading() {
  loadingNow_ = true;
  loading_->setString(localized("translate.loading"));
  loading_->setHidden(false);
  transContainer_->setHidden(true);
}

void TranslateView::setJsonData(const std::optional<Json>& json, const std::string&) {
  const std::uint64_t lookup = ++generation_;
  std::string word;
  if (json && json->is_object()) {
    auto it = json->find("translate_words");
    if (it != json->end() && it->is_string()) word = it->get<std::string>();
  }
  showLoading();
  if (!isLookupWord(word)) {
    logWarningf("translate: a word of %zu bytes is not looked up", word.size());
    renderUI(TranslateItem{});
    return;
  }
  logDebugf("translate: looking up a word of %zu bytes", word.size());
  const std::string base = dictionaryBaseURL();
  std::weak_ptr<TranslateView> weak = std::static_pointer_cast<TranslateView>(self());
  HttpFetcher::shared()->getAsync(
      dictionaryLookupURL(base, word), pageFetchOptions(),
      [weak, lookup, base](const HttpResponse& response) {
        // Parsed here, off the main thread; the main thread only shows the result.
        std::optional<TranslateItem> item;
        if (response.ok()) {
          item = TranslateItem::parse(response.body, charsetOfContentType(response.contentType), base);
        } else {
          logWarningf("translate: the dictionary did not answer (status %ld)", response.status);
        }
        dispatch::Queue::main()->async([weak, lookup, item = std::move(item)]() mutable {
          if (auto view = weak.lock()) view->answer(lookup, std::move(item));
        });
      });
}

void TranslateView::answer(std::uint64_t lookup, std::optional<TranslateItem> item) {
  if (lookup != generation_) {
    ++staleAnswers_;
    return;
  }
  if (item) {
    renderUI(*item);
  } else {
    showFailure();
  }
}

void TranslateView::renderUI(const TranslateItem& item) {
  loadingNow_ = false;
  loading_->setHidden(true);
  transContainer_->setHidden(false);
  keywordsTextView_->setString(item.keywords);
  // Rows the page has no pronunciation for are emptied: they may hold an earlier word's.
  const auto& list = item.pronounceList;
  if (!list.empty()) {
    pronounceView1_->setPronounce(list[0]);
  } else {
    pronounceView1_->clear();
  }
  if (list.size() >= 2) {
    pronounceView2_->setPronounce(list[1]);
  } else {
    pronounceView2_->clear();
  }
  std::string desc = item.desc;
  if (!desc.empty() && !item.engTrans.empty()) desc += '\n';
  desc += item.engTrans;
  descTextView_->setString(desc);
}

void TranslateView::showFailure() {
  loadingNow_ = false;
  keywordsTextView_->setString("");
  pronounceView1_->clear();
  pronounceView2_->clear();
  descTextView_->setString("");
  transContainer_->setHidden(true);
  loading_->setString(localized("translate.failed"));
  loading_->setHidden(false);
}

}  // namespace vl
