#pragma once

// The fields of a record that change, as Vellisto_Chunk keeps them; its two source files share them.
#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "VLEngine/LRU/Vellisto_LRU.h"
#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "platform/foundation/Json.h"

namespace vl {

// What is rare in a record, kept apart so that the fields of most records stay small: rich text, the
// text recognised in an image (a search reads it at every keystroke, so it is taken out of the json
// once), and a signature or time stamp that the compact forms do not hold (a damaged doc, a peer's text).
struct RareFields {
  std::string rich;
  std::string ocr;
  std::string sigText;
  std::string stampText;
  double stampValue = 0;
  bool sigIsText = false;
  bool stampIsText = false;
};

// Never changed once published (fields_); a change publishes a changed copy. Counted by the records and
// handles that hold it (FieldsRef): a pointer of eight bytes in each record, where a std::shared_ptr
// takes sixteen.
struct Vellisto_Chunk::Fields {
  // A copy starts a count of its own.
  struct Count {
    mutable std::atomic<std::uint32_t> value{0};
    Count() = default;
    Count(const Count&) noexcept {}
    Count& operator=(const Count&) noexcept { return *this; }
  };
  Count refs;
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
  bool jsonHasAppCopied = false;
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

// One count of a Fields.
class FieldsRef {
 public:
  using Fields = Vellisto_Chunk::Fields;
  FieldsRef() = default;
  // A count of its own on `fields`.
  explicit FieldsRef(const Fields* fields) : fields_(fields) {
    if (fields_) fields_->refs.value.fetch_add(1, std::memory_order_relaxed);
  }
  // Takes over a count someone holds.
  static FieldsRef adopt(const Fields* fields) {
    FieldsRef ref;
    ref.fields_ = fields;
    return ref;
  }
  // A new Fields, counted once.
  static FieldsRef make(Fields fields) {
    auto* made = new Fields(std::move(fields));
    made->refs.value.store(1, std::memory_order_relaxed);
    return adopt(made);
  }
  FieldsRef(const FieldsRef& other) : FieldsRef(other.fields_) {}
  FieldsRef(FieldsRef&& other) noexcept : fields_(std::exchange(other.fields_, nullptr)) {}
  FieldsRef& operator=(FieldsRef other) noexcept {
    std::swap(fields_, other.fields_);
    return *this;
  }
  ~FieldsRef() {
    if (fields_ && fields_->refs.value.fetch_sub(1, std::memory_order_acq_rel) == 1) delete fields_;
  }
  // Hands the count over to the caller.
  const Fields* release() { return std::exchange(fields_, nullptr); }
  const Fields* get() const { return fields_; }
  const Fields* operator->() const { return fields_; }
  const Fields& operator*() const { return *fields_; }

 private:
  const Fields* fields_ = nullptr;
};

// A time stamp as a reader found it: its microseconds, or (for one of another form) the fields that
// hold its text.
struct Vellisto_Chunk::Stamp {
  std::int64_t micros = 0;
  FieldsRef text;
};

namespace recordfields {

using Fields = Vellisto_Chunk::Fields;
using JsonKind = Fields::JsonKind;
// stampMicros_ when the time stamp's text is in the fields.
constexpr std::int64_t kStampInFields = std::numeric_limits<std::int64_t>::min();

// The fields records without a doc share, one per combination of presences.
const FieldsRef& plainFields(std::size_t key);
// The plain fields of the key for the records of `doc` (or of none).
FieldsRef sharedPlainFields(std::size_t key, const std::shared_ptr<Vellisto_BigDoc>& doc);
// The microseconds of a time stamp written "%f" (digits, a point, six digits, no leading zero), which
// give that text back exactly; nothing for any other text.
std::optional<std::int64_t> compactStamp(std::string_view text);
std::string stampText(std::int64_t micros);
// The rare part of the fields, made or copied so that it can change.
RareFields& rareOf(Fields& fields);
// Drops the rare part when nothing in it is set any more.
void tidyRare(Fields& fields);
void setJsonOf(Fields& fields, const std::optional<Json>& json);
// The json's recognised text, kept in the rare part; "" drops it.
void setOcrOf(Fields& fields, std::string ocr);
void setAliasOf(Fields& fields, std::optional<std::string> alias);
void setRichOf(Fields& fields, std::optional<std::string> rich);

}  // namespace recordfields
}  // namespace vl
