#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Text.h"
#include "platform/ui/graphics/Color.h"
#include "platform/ui/text/Font.h"
#include "platform/ui/text/ParagraphStyle.h"

namespace vl::ui {

// The attributes of a stretch of text. Every attribute is optional: an unset one means "as the view that
// draws the text says". A colour may be given as a value, as a theme asset key, or both (the theme layer
// resolves the key and the value is then what it resolved to).
struct TextAttributes {
  std::optional<Font> font;
  std::optional<Color> foregroundColor;
  std::optional<std::string> foregroundColorAssetKey;
  std::optional<Color> backgroundColor;
  std::optional<std::string> backgroundColorAssetKey;
  std::optional<UnderlineStyle> underlineStyle;
  std::optional<TextAlignment> alignment;
  // A line through the text, drawn like an underline.
  std::optional<UnderlineStyle> strikethroughStyle;
  // Where the text points (a URL as written); the text view draws a link in the link colour, underlined,
  // unless the run sets its own colour or underline.
  std::optional<std::string> link;
  // Space below a paragraph, in points; taken from the paragraph's last character, its line end.
  std::optional<double> paragraphSpacing;

  // Each attribute set in `over` replaces this one's.
  void merge(const TextAttributes& over);
  bool empty() const;
  // A background as value or key: the text is highlighted.
  bool hasBackground() const { return backgroundColor.has_value() || backgroundColorAssetKey.has_value(); }
  bool operator==(const TextAttributes&) const = default;
};

// One attribute, for removal.
enum class TextAttribute {
  Font,
  ForegroundColor,
  ForegroundColorAssetKey,
  BackgroundColor,
  BackgroundColorAssetKey,
  Underline,
  Alignment,
  Strikethrough,
  Link,
  ParagraphSpacing,
};

// UTF-8 text with attributes on ranges counted in UTF-16 code units. The runs cover the text without gaps
// or overlaps, and neighbouring runs always differ (equal ones are joined), so runs() is the shortest
// description. Ranges that reach past the end are clamped; ranges that cut a surrogate pair are widened
// to whole characters. A value type; not thread-safe for concurrent writes.
class AttributedString {
 public:
  struct Run {
    Range range;
    TextAttributes attributes;
    bool operator==(const Run&) const = default;
  };

  AttributedString() = default;
  // Invalid UTF-8 is replaced by U+FFFD so every index stays meaningful.
  explicit AttributedString(std::string_view text, const TextAttributes& attributes = {});

  const std::string& string() const { return text_; }
  // UTF-16 code units.
  std::size_t length() const { return length_; }
  bool empty() const { return length_ == 0; }
  const std::vector<Run>& runs() const { return runs_; }

  // The attributes at a UTF-16 index and the run's range; past the end: empty attributes and NotFound.
  TextAttributes attributesAt(std::size_t index, Range* effectiveRange = nullptr) const;
  // The runs that meet the range, clipped to it.
  std::vector<Run> runsInRange(Range range) const;
  // The first range whose attributes satisfy `pred`, or a range with location NotFound.
  template <typename Pred>
  Range firstRangeWhere(Pred pred) const {
    for (const auto& r : runs_) {
      if (pred(r.attributes)) return r.range;
    }
    return {};
  }

  // Replaces the attributes over the range.
  void setAttributes(const TextAttributes& attributes, Range range);
  // The same over every range (in any order, overlapping or not) in one pass: the search matches of a
  // long text cost the text and the matches once, not the text once per match.
  void setAttributes(const TextAttributes& attributes, std::vector<Range> ranges);
  // Merges: the attributes set in `attributes` replace those over the range, the others stay.
  void addAttributes(const TextAttributes& attributes, Range range);
  void removeAttribute(TextAttribute attribute, Range range);
  // Changes the attributes of every run where it stands, in one pass (runs that become equal are joined).
  void mapAttributes(const std::function<void(TextAttributes&)>& change);

  void append(const AttributedString& other);
  void append(std::string_view text, const TextAttributes& attributes = {});
  // Inserted text takes the attributes of the character before the range (the first one at the start).
  void replaceCharacters(Range range, std::string_view text);
  void replaceCharacters(Range range, const AttributedString& text);
  void deleteCharacters(Range range) { replaceCharacters(range, std::string_view()); }
  AttributedString attributedSubstring(Range range) const;
  // The same for a range of whole characters whose bytes the caller knows: it costs the part's size and a
  // search through the runs, never a walk from the start of a long text.
  AttributedString attributedSubstring(Range range, ByteRange bytes) const;

  bool operator==(const AttributedString&) const = default;

 private:
  // Clamps to the text and widens to code point boundaries; the result always lies inside the text.
  Range normalized(Range range) const;

 public:
  // The bytes of a range of whole characters.
  ByteRange bytesOf(Range range) const;

 private:
  // Splits runs so that a run boundary falls at `index` (0 < index < length).
  void splitAt(std::size_t index);
  void coalesce();
  template <typename Fn>
  void modify(Range range, Fn fn);

  std::string text_;
  std::size_t length_ = 0;
  std::vector<Run> runs_;
};

}  // namespace vl::ui
