#include "VLEngine/search/DisplayAttributedString.h"

#include <algorithm>

#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "VLEngine/search/SearchQuery.h"

namespace vl {

std::shared_ptr<DisplayAttributedString> DisplayAttributedString::initWithString(const std::string& text) {
  auto row = std::make_shared<DisplayAttributedString>();
  row->text_ = text;
  return row;
}

std::shared_ptr<DisplayAttributedString> DisplayAttributedString::resultRow(std::string text,
                                                                            std::vector<Range> highlight,
                                                                            const ui::Font& font) {
  auto row = std::make_shared<DisplayAttributedString>();
  row->text_ = std::move(text);
  row->decorate_ = true;
  row->rangeList_ = highlight;
  row->highlight_ = std::move(highlight);
  row->font_ = font;
  return row;
}

std::shared_ptr<DisplayAttributedString> DisplayAttributedString::resultRow(
    std::string text, std::shared_ptr<const SearchQuery> query, const ui::Font& font) {
  auto row = std::make_shared<DisplayAttributedString>();
  row->text_ = std::move(text);
  row->decorate_ = true;
  row->rangeQuery_ = std::move(query);
  row->font_ = font;
  return row;
}

const std::optional<Json>& DisplayAttributedString::json() const {
  std::call_once(jsonRead_, [this] {
    if (jsonRecord_) json_ = jsonRecord_->json();
    jsonRecord_.reset();
  });
  return json_;
}

void DisplayAttributedString::setJson(std::optional<Json> json) {
  std::call_once(jsonRead_, [] {});
  jsonRecord_.reset();
  json_ = std::move(json);
}

void DisplayAttributedString::setJsonOfRecord(std::shared_ptr<const Vellisto_Chunk> chunk) {
  jsonRecord_ = std::move(chunk);
}

void DisplayAttributedString::findRanges() {
  std::call_once(rangesFound_, [this] {
    if (!rangeQuery_) return;
    std::optional<SearchQuery::TextMatch> match = rangeQuery_->matchText(text_);
    if (match) rangeList_ = match->ranges;
    highlight_ = std::move(match ? match->ranges : std::vector<Range>());
    rangeQuery_.reset();
  });
}

const std::vector<Range>& DisplayAttributedString::rangeList() {
  findRanges();
  return rangeList_;
}

void DisplayAttributedString::setRangeList(std::vector<Range> ranges) {
  findRanges();
  rangeList_ = std::move(ranges);
}

void DisplayAttributedString::build() {
  findRanges();
  if (!decorate_) {
    attributed_ = ui::AttributedString(text_);
    return;
  }
  // Each run gets its font with its colours, in one pass over the matches.
  ui::TextAttributes normal;
  normal.foregroundColorAssetKey = kNormalColorKey;
  normal.font = font_;
  attributed_ = ui::AttributedString(text_, normal);
  ui::TextAttributes matched;
  matched.foregroundColorAssetKey = kMatchedColorKey;
  matched.backgroundColorAssetKey = kMatchedBackgroundKey;
  matched.font = font_;
  if (highlight_.size() > kMaxHighlighted) {
    std::partial_sort(highlight_.begin(), highlight_.begin() + kMaxHighlighted, highlight_.end(),
                      [](const Range& a, const Range& b) { return a.location < b.location; });
    highlight_.resize(kMaxHighlighted);
  }
  attributed_.setAttributes(matched, std::move(highlight_));
  highlight_.clear();
  highlight_.shrink_to_fit();
}

ui::AttributedString& DisplayAttributedString::mutableAttributedString() {
  std::call_once(built_, [this] { build(); });
  return attributed_;
}

const std::string& DisplayAttributedString::string() const { return text_; }

}  // namespace vl
