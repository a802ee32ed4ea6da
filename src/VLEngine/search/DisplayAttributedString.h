#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Json.h"
#include "platform/foundation/Text.h"
#include "platform/ui/text/AttributedString.h"
#include "platform/ui/text/Font.h"

namespace vl {

class SearchQuery;
class Vellisto_Chunk;

// One row of a result list: the record's text with its highlight, the matched ranges, the record's json
// and time stamp.
//
// A search builds up to a thousand rows while the list shows a dozen, so a result row keeps what its
// highlight and attributes will be and works them out the first time someone asks for them.
// The rows of a list are shared between the list and the replay cache; read them from one thread at a
// time (the main thread), as the lists do.
class DisplayAttributedString {
 public:
  // Asset keys a result row is coloured with.
  static constexpr const char* kNormalColorKey = "fontNormalColor";
  static constexpr const char* kMatchedColorKey = "fontMatchedColor";
  static constexpr const char* kMatchedBackgroundKey = "recordMatchedColor";
  // At most this many matches are highlighted in the attributed text (the first ones): each is a run of
  // its own that every copy of the text copies, and a long record can hold a match on every line.
  static constexpr std::size_t kMaxHighlighted = 10000;

  DisplayAttributedString() = default;
  DisplayAttributedString(const DisplayAttributedString&) = delete;
  DisplayAttributedString& operator=(const DisplayAttributedString&) = delete;

  // A row whose attributed text is the plain text, without attributes.
  static std::shared_ptr<DisplayAttributedString> initWithString(const std::string& text);
  // A row of a result list: the text in kNormalColorKey, each highlight range (up to kMaxHighlighted)
  // replaced by kMatchedColorKey on kMatchedBackgroundKey, and `font` over the whole text. `rangeList`
  // starts as the highlight ranges, all of them.
  static std::shared_ptr<DisplayAttributedString> resultRow(std::string text, std::vector<Range> highlight,
                                                            const ui::Font& font);
  // The same with the ranges of `query` in the text, found when first asked for.
  static std::shared_ptr<DisplayAttributedString> resultRow(std::string text,
                                                            std::shared_ptr<const SearchQuery> query,
                                                            const ui::Font& font);

  ui::AttributedString& mutableAttributedString();
  // The text without building its attributes.
  const std::string& string() const;

  const std::vector<Range>& rangeList();
  void setRangeList(std::vector<Range> ranges);
  const std::optional<Json>& json() const;
  void setJson(std::optional<Json> json);
  // The json is the record's, read from it the first time it is asked for: a search builds a thousand
  // rows, and a list reads the json of the few it shows.
  void setJsonOfRecord(std::shared_ptr<const Vellisto_Chunk> chunk);
  double timestamp() const { return timestamp_; }
  void setTimestamp(double timestamp) { timestamp_ = timestamp; }
  double priority() const { return priority_; }

 private:
  void build();
  void findRanges();

  std::once_flag built_;
  ui::AttributedString attributed_;
  // Until built: the text and how to decorate it.
  std::string text_;
  bool decorate_ = false;
  std::vector<Range> highlight_;
  ui::Font font_;

  std::once_flag rangesFound_;
  std::shared_ptr<const SearchQuery> rangeQuery_;
  std::vector<Range> rangeList_;
  mutable std::once_flag jsonRead_;
  mutable std::shared_ptr<const Vellisto_Chunk> jsonRecord_;
  mutable std::optional<Json> json_;
  double timestamp_ = 0;
  double priority_ = 0;
};

}  // namespace vl
