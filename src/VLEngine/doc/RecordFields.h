#pragma once

// The fields of a record that change, as Vellisto_Chunk keeps them; its two source files share them.
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "VLEngine/LRU/Vellisto_LRU.h"
#include "VLEngine/doc/Vellisto_Chunk.h"
#include "platform/foundation/Json.h"

namespace vl {

// What is rare in a record, kept apart so that the fields of most records stay small: rich text, and a
// signature or time stamp that the compact forms do not hold (a damaged doc, a peer's text).
struct RareFields {
  std::string rich;
  std::string sigText;
  std::string stampText;
  double stampValue = 0;
  bool sigIsText = false;
  bool stampIsText = false;
};

// Never changed once published (fields_); a change publishes a changed copy.
struct Vellisto_Chunk::Fields {
  enum class JsonKind : std::uint8_t {
    None,
    // `json` is the dictionary's text; "" for an empty dictionary.
    Dictionary,
    // `json` is a text that is not a dictionary, written back as it was read; json() gives nothing.
    Kept,
  };
  JsonKind jsonKind = JsonKind::None;
  std::weak_ptr<Vellisto_BigDoc> doc;
  bool jsonHasApp = false;
  bool jsonHasOcr = false;
  bool aliasPresent = false;
  bool richPresent = false;
  bool hasWordList = true;
  std::string json;
  std::string alias;
  // Null for an empty list (or none).
  std::shared_ptr<const Vellisto_LRU> words;
  std::shared_ptr<const RareFields> rare;

  // Nothing but the presence of fields: records like this (of one doc) share one value.
  bool isPlain() const { return json.empty() && alias.empty() && !words && !rare; }
  std::size_t plainKey() const {
    return static_cast<std::size_t>(jsonKind) * 8 + (aliasPresent ? 4 : 0) + (richPresent ? 2 : 0) +
           (hasWordList ? 1 : 0);
  }
};

namespace recordfields {

using Fields = Vellisto_Chunk::Fields;
using JsonKind = Fields::JsonKind;
// stampMicros_ when the time stamp's text is in the fields.
constexpr std::int64_t kStampInFields = std::numeric_limits<std::int64_t>::min();

// The fields records without a doc share, one per combination of presences.
const std::shared_ptr<const Fields>& plainFields(std::size_t key);
// The plain fields of the key for the records of `doc` (or of none).
std::shared_ptr<const Fields> sharedPlainFields(std::size_t key, const std::shared_ptr<Vellisto_BigDoc>& doc);
// The microseconds of a time stamp written "%f" (digits, a point, six digits, no leading zero), which
// give that text back exactly; nothing for any other text.
std::optional<std::int64_t> compactStamp(std::string_view text);
std::string stampText(std::int64_t micros);
// The rare part of the fields, made or copied so that it can change.
RareFields& rareOf(Fields& fields);
// Drops the rare part when nothing in it is set any more.
void tidyRare(Fields& fields);
void setJsonOf(Fields& fields, const std::optional<Json>& json);
void setAliasOf(Fields& fields, std::optional<std::string> alias);
void setRichOf(Fields& fields, std::optional<std::string> rich);

}  // namespace recordfields
}  // namespace vl
