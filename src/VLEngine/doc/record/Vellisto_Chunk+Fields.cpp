// The fields of a record that change: how they are read whole without a lock and replaced.
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/record/RecordFields.h"
#include "VLEngine/doc/record/RecordJson.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace recordfields {

namespace {

// Microseconds up to 2^53 are exact as a double, so their quotient by a million is the value strtod
// reads from the text.
constexpr std::int64_t kMaxExactMicros = std::int64_t{1} << 53;

FieldsRef makePlainFields(std::size_t key, const std::weak_ptr<Vellisto_BigDoc>& doc) {
  Fields fields;
  fields.jsonKind = static_cast<JsonKind>(key / 8);
  fields.aliasPresent = (key & 4) != 0;
  fields.richPresent = (key & 2) != 0;
  fields.hasWordList = (key & 1) != 0;
  fields.doc = doc;
  return FieldsRef::make(std::move(fields));
}

}  // namespace

const FieldsRef& plainFields(std::size_t key) {
  // Never let go of: records may outlive any static.
  static const auto& all = *new std::array<FieldsRef, Vellisto_Chunk::kSharedFieldKinds>([] {
    std::array<FieldsRef, Vellisto_Chunk::kSharedFieldKinds> made;
    for (std::size_t k = 0; k < made.size(); ++k) made[k] = makePlainFields(k, {});
    return made;
  }());
  return all[key];
}

FieldsRef sharedPlainFields(std::size_t key, const std::shared_ptr<Vellisto_BigDoc>& doc) {
  if (!doc) return plainFields(key);
  // The doc holds one count of each of its shared fields, which goes with the doc.
  const std::shared_ptr<const Fields> shared = doc->sharedFields(key, [&] {
    return std::shared_ptr<const Fields>(makePlainFields(key, doc).release(),
                                         [](const Fields* fields) { FieldsRef::adopt(fields); });
  });
  return FieldsRef(shared.get());
}

std::optional<std::int64_t> compactStamp(std::string_view text) {
  const std::size_t point = text.find('.');
  if (point == std::string_view::npos || point == 0 || text.size() - point != 7 || point > 16)
    return std::nullopt;
  if (text[0] == '0' && point != 1) return std::nullopt;
  std::int64_t micros = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i == point) continue;
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    micros = micros * 10 + (text[i] - '0');
    if (micros > kMaxExactMicros) return std::nullopt;
  }
  return micros;
}

std::string stampText(std::int64_t micros) {
  std::array<char, 32> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%lld.%06lld", static_cast<long long>(micros / 1000000),
                static_cast<long long>(micros % 1000000));
  return buffer.data();
}

RareFields& rareOf(Fields& fields) {
  auto rare = fields.rare ? std::make_shared<RareFields>(*fields.rare) : std::make_shared<RareFields>();
  RareFields& out = *rare;
  fields.rare = std::move(rare);
  return out;
}

void tidyRare(Fields& fields) {
  const RareFields* rare = fields.rare.get();
  if (rare && rare->rich.empty() && rare->ocr.empty() && !rare->sigIsText && !rare->stampIsText)
    fields.rare.reset();
}

void setOcrOf(Fields& fields, std::string ocr) {
  if (!ocr.empty()) {
    rareOf(fields).ocr = std::move(ocr);
  } else if (fields.rare && !fields.rare->ocr.empty()) {
    rareOf(fields).ocr.clear();
  }
  tidyRare(fields);
}

void setJsonOf(Fields& fields, const std::optional<Json>& json) {
  fields.jsonHasApp = fields.jsonHasOcr = fields.jsonHasAppCopied = false;
  fields.json.clear();
  setOcrOf(fields, std::string());
  if (!json) {
    fields.jsonKind = JsonKind::None;
    return;
  }
  if (!json->is_object()) {
    // As a reload would read it: the text is kept, and the json reads as none.
    fields.jsonKind = JsonKind::Kept;
    fields.json = RecordJson::textOf(*json);
    return;
  }
  fields.jsonKind = JsonKind::Dictionary;
  if (json->empty()) return;
  fields.json = RecordJson::textOf(*json);
  fields.jsonHasApp = json->contains("app");
  fields.jsonHasAppCopied = json->contains(RecordJson::kApplicationCopiedKey);
  auto ocr = json->find("ocr");
  fields.jsonHasOcr = ocr != json->end() && ocr->is_string();
  if (fields.jsonHasOcr) setOcrOf(fields, ocr->get<std::string>());
}

void setAliasOf(Fields& fields, std::optional<std::string> alias) {
  fields.aliasPresent = alias.has_value();
  fields.alias = alias ? std::move(*alias) : std::string();
}

void setRichOf(Fields& fields, std::optional<std::string> rich) {
  fields.richPresent = rich.has_value();
  if (rich && !rich->empty()) {
    rareOf(fields).rich = std::move(*rich);
  } else if (fields.rare && !fields.rare->rich.empty()) {
    rareOf(fields).rich.clear();
  }
  tidyRare(fields);
}

}  // namespace recordfields

using recordfields::compactStamp;
using recordfields::Fields;
using recordfields::JsonKind;
using recordfields::kStampInFields;
using recordfields::plainFields;
using recordfields::rareOf;
using recordfields::setAliasOf;
using recordfields::setJsonOf;
using recordfields::setOcrOf;
using recordfields::setRichOf;
using recordfields::sharedPlainFields;
using recordfields::stampText;
using recordfields::tidyRare;

// ---- the fields that change ----

namespace {

constexpr std::uint8_t kHeld = 1;
constexpr std::uint8_t kWriting = 2;
// How often a reader looks again for a time stamp that a change is moving between its two places.
constexpr int kStampLooks = 4096;

std::atomic<std::uint64_t> gWriterClashes{0};

void yieldAfter(int spins) {
  if (spins > 64) std::this_thread::yield();
}

// Takes a record's one-bit lock on its fields' pointer, which is held for a copy or a swap of it.
class FieldsHold {
 public:
  explicit FieldsHold(std::atomic<std::uint8_t>& state) : state_(state) {
    for (int spins = 0; state_.fetch_or(kHeld, std::memory_order_acquire) & kHeld; ++spins) yieldAfter(spins);
  }
  ~FieldsHold() { state_.fetch_and(static_cast<std::uint8_t>(~kHeld), std::memory_order_release); }
  FieldsHold(const FieldsHold&) = delete;
  FieldsHold& operator=(const FieldsHold&) = delete;

 private:
  std::atomic<std::uint8_t>& state_;
};

// Marks a change of a record under way. A record of a doc changes only through its doc, one writer at a
// time: a second writer meanwhile would publish a copy made before the first one's change and lose it,
// so it is reported where it happens.
class WriterMark {
 public:
  WriterMark(std::atomic<std::uint8_t>& state, const Vellisto_Chunk& chunk)
      : state_(state), clash_((state.fetch_or(kWriting, std::memory_order_acq_rel) & kWriting) != 0) {
    if (!clash_) return;
    gWriterClashes.fetch_add(1, std::memory_order_relaxed);
    logErrorf("record %s: two writers change it at once; one of the changes may be lost",
              chunk.signatureBytes().hex().c_str());
  }
  ~WriterMark() {
    if (!clash_) state_.fetch_and(static_cast<std::uint8_t>(~kWriting), std::memory_order_release);
  }
  WriterMark(const WriterMark&) = delete;
  WriterMark& operator=(const WriterMark&) = delete;

 private:
  std::atomic<std::uint8_t>& state_;
  const bool clash_;
};

}  // namespace

std::uint64_t Vellisto_Chunk::writerClashes() { return gWriterClashes.load(std::memory_order_relaxed); }

FieldsRef Vellisto_Chunk::fields() const {
  // Counted while held: a change cannot let go of them in between.
  FieldsHold hold(fieldsState_);
  return FieldsRef(fields_);
}

void Vellisto_Chunk::publish(FieldsRef fields, std::optional<std::int64_t> stamp) {
  if (fields->isPlain()) fields = sharedPlainFields(fields->plainKey(), fields->doc.lock());
  std::uint8_t hints = 0;
  if (!fields->alias.empty()) hints |= kHintAlias;
  if (fields->jsonKind == JsonKind::Dictionary && fields->jsonHasApp) hints |= kHintApp;
  if (fields->jsonKind == JsonKind::Dictionary && fields->jsonHasOcr) hints |= kHintOcr;
  if (fields->jsonKind == JsonKind::Dictionary && fields->jsonHasApp && fields->jsonHasAppCopied)
    hints |= kHintAppCopied;
  if (fields->words && !fields->words->isEmpty()) hints |= kHintWords;
  const Fields* replaced = nullptr;
  {
    // The hints and the stamp change with the fields they tell of: two publishers one after the other
    // leave the last one's hints, and a reader never meets a stamp that points into fields without it.
    FieldsHold hold(fieldsState_);
    replaced = fields_;
    fields_ = fields.release();
    hints_.store(hints, std::memory_order_release);
    if (stamp) stampMicros_.store(*stamp, std::memory_order_release);
  }
  // The record's count of the fields replaced goes here, outside the hold.
  FieldsRef::adopt(replaced);
}

void Vellisto_Chunk::settle(Fields fields, const std::string& sig, std::string timestamp) {
  // The record is nobody else's yet: its fields are set as they are, with what is rare in them.
  if (std::optional<RecordSignature> compact = RecordSignature::ofHex(sig)) {
    sig_ = *compact;
  } else {
    RareFields& rare = rareOf(fields);
    rare.sigIsText = true;
    rare.sigText = sig;
  }
  if (std::optional<std::int64_t> micros = compactStamp(timestamp)) {
    stampMicros_.store(*micros, std::memory_order_relaxed);
  } else {
    RareFields& rare = rareOf(fields);
    rare.stampIsText = true;
    rare.stampValue = std::strtod(timestamp.c_str(), nullptr);
    rare.stampText = std::move(timestamp);
    stampMicros_.store(kStampInFields, std::memory_order_relaxed);
  }
  publish(fields.isPlain() ? plainFields(fields.plainKey()) : FieldsRef::make(std::move(fields)));
}

void Vellisto_Chunk::changeFields(const std::function<void(Fields&)>& change,
                                  std::optional<std::int64_t> stamp) {
  WriterMark mark(fieldsState_, *this);
  Fields changed = *fields();
  change(changed);
  publish(FieldsRef::make(std::move(changed)), stamp);
}

std::shared_ptr<Vellisto_BigDoc> Vellisto_Chunk::getDocRef() const { return fields()->doc.lock(); }

void Vellisto_Chunk::setDocRef(const std::shared_ptr<Vellisto_BigDoc>& doc) {
  const FieldsRef current = fields();
  if (current->isPlain()) {
    // A record that loads has nothing of its own: it takes its doc's shared fields as they are.
    WriterMark mark(fieldsState_, *this);
    publish(sharedPlainFields(current->plainKey(), doc));
    return;
  }
  changeFields([&](Fields& fields) { fields.doc = doc; });
}

std::string Vellisto_Chunk::sig() const {
  if (const FieldsRef fields = this->fields(); fields->rare && fields->rare->sigIsText)
    return fields->rare->sigText;
  return sig_.hex();
}

std::optional<RecordSignature> Vellisto_Chunk::signature() const {
  if (const FieldsRef fields = this->fields(); fields->rare && fields->rare->sigIsText) return std::nullopt;
  return sig_;
}

void Vellisto_Chunk::setSig(const std::string& sig) {
  // Set before the record is shared, and never after.
  if (std::optional<RecordSignature> compact = RecordSignature::ofHex(sig)) {
    sig_ = *compact;
    if (fields()->rare && fields()->rare->sigIsText) {
      changeFields([](Fields& fields) {
        RareFields& rare = rareOf(fields);
        rare.sigIsText = false;
        rare.sigText.clear();
        tidyRare(fields);
      });
    }
    return;
  }
  sig_ = RecordSignature{};
  changeFields([&](Fields& fields) {
    RareFields& rare = rareOf(fields);
    rare.sigIsText = true;
    rare.sigText = sig;
  });
}

std::shared_ptr<const Vellisto_LRU> Vellisto_Chunk::lru() const {
  const FieldsRef fields = this->fields();
  if (!fields->hasWordList) return nullptr;
  if (fields->words) return fields->words;
  static const auto kEmpty = std::make_shared<const Vellisto_LRU>();
  return kEmpty;
}

void Vellisto_Chunk::setLru(std::optional<Vellisto_LRU> lru) {
  changeFields([&](Fields& fields) {
    fields.hasWordList = lru.has_value();
    fields.words = lru && !lru->isEmpty() ? std::make_shared<const Vellisto_LRU>(std::move(*lru)) : nullptr;
  });
}

void Vellisto_Chunk::offerSearchWord(const std::string& word) {
  if (word.empty() || !fields()->hasWordList) return;
  changeFields([&](Fields& fields) {
    // A list shares its nodes, so a changed one is built anew from the words.
    Vellisto_LRU words =
        fields.words ? Vellisto_LRU::initWithLRUStr(fields.words->stringValue()) : Vellisto_LRU();
    words.set(word);
    fields.words = std::make_shared<const Vellisto_LRU>(std::move(words));
  });
}

std::int32_t Vellisto_Chunk::searchWordPosition(const std::string& word) const {
  static const std::int32_t kAbsent = Vellisto_LRU().maxSize() + 1;
  if (!(hints_.load(std::memory_order_acquire) & kHintWords)) return kAbsent;
  const FieldsRef fields = this->fields();
  return fields->words ? fields->words->find(word) : kAbsent;
}

Vellisto_Chunk::Stamp Vellisto_Chunk::stamp() const {
  // The stamp and the fields change together, so a second look finds the time stamp a change moved
  // between them. Only writers that break the one-writer rule can leave the mark with fields that hold
  // no text (the clash is reported where it happens): the looks are bounded, and such a record reads
  // as the oldest time rather than hanging its reader.
  for (int look = 0; look < kStampLooks; ++look) {
    const std::int64_t micros = stampMicros_.load(std::memory_order_acquire);
    if (micros != kStampInFields) return {micros, FieldsRef()};
    FieldsRef fields = this->fields();
    if (fields->rare && fields->rare->stampIsText) return {micros, std::move(fields)};
    yieldAfter(look);
  }
  static std::atomic<bool> reported{false};
  if (!reported.exchange(true, std::memory_order_relaxed))
    logErrorf("record %s: its time stamp was lost to two writers; it reads as 0",
              signatureBytes().hex().c_str());
  return {0, FieldsRef()};
}

std::string Vellisto_Chunk::timestamp() const {
  const Stamp stamp = this->stamp();
  return stamp.text.get() ? stamp.text->rare->stampText : stampText(stamp.micros);
}

double Vellisto_Chunk::timestampValue() const {
  if (const std::int64_t micros = stampMicros_.load(std::memory_order_acquire); micros != kStampInFields)
    return static_cast<double>(micros) / 1e6;
  const Stamp stamp = this->stamp();
  return stamp.text.get() ? stamp.text->rare->stampValue : static_cast<double>(stamp.micros) / 1e6;
}

void Vellisto_Chunk::setTimestamp(std::string timestamp) {
  // Readers that meet kStampInFields look in the fields; the mark and the text come and go together.
  if (std::optional<std::int64_t> micros = compactStamp(timestamp)) {
    if (const FieldsRef current = fields(); current->rare && current->rare->stampIsText) {
      changeFields(
          [](Fields& fields) {
            RareFields& rare = rareOf(fields);
            rare.stampIsText = false;
            rare.stampText.clear();
            rare.stampValue = 0;
            tidyRare(fields);
          },
          *micros);
    } else {
      WriterMark mark(fieldsState_, *this);
      FieldsHold hold(fieldsState_);
      stampMicros_.store(*micros, std::memory_order_release);
    }
    return;
  }
  const double value = std::strtod(timestamp.c_str(), nullptr);
  changeFields(
      [&](Fields& fields) {
        RareFields& rare = rareOf(fields);
        rare.stampIsText = true;
        rare.stampText = std::move(timestamp);
        rare.stampValue = value;
      },
      kStampInFields);
}

std::optional<std::string> Vellisto_Chunk::alias() const {
  const FieldsRef fields = this->fields();
  if (!fields->aliasPresent) return std::nullopt;
  return fields->alias;
}

void Vellisto_Chunk::setAlias(std::optional<std::string> alias) {
  changeFields([&](Fields& fields) { setAliasOf(fields, std::move(alias)); });
}

std::optional<std::string> Vellisto_Chunk::rich() const {
  const FieldsRef fields = this->fields();
  if (!fields->richPresent) return std::nullopt;
  return fields->rare ? fields->rare->rich : std::string();
}

void Vellisto_Chunk::setRich(std::optional<std::string> rich) {
  changeFields([&](Fields& fields) { setRichOf(fields, std::move(rich)); });
}

std::optional<Json> Vellisto_Chunk::json() const { return jsonOf(*fields()); }

std::optional<Json> Vellisto_Chunk::jsonOf(const Fields& fields) {
  if (fields.jsonKind != JsonKind::Dictionary) return std::nullopt;
  if (fields.json.empty()) return Json::object();
  return RecordJson::parse(fields.json);
}

void Vellisto_Chunk::setJson(std::optional<Json> json) {
  changeFields([&](Fields& fields) { setJsonOf(fields, json); });
}

std::optional<std::string> Vellisto_Chunk::ocrText() const {
  if (!jsonHasOcr()) return std::nullopt;
  const FieldsRef fields = this->fields();
  if (fields->jsonKind != JsonKind::Dictionary || !fields->jsonHasOcr) return std::nullopt;
  return fields->rare ? fields->rare->ocr : std::string();
}

// ---- changes journaled in the doc ----

bool Vellisto_Chunk::change(const std::function<bool()>& change) {
  if (std::shared_ptr<Vellisto_BigDoc> doc = getDocRef()) return doc->changeChunk(*this, change);
  return change();
}

void Vellisto_Chunk::updateTimestamp(std::string timestamp) {
  change([&] {
    setTimestamp(std::move(timestamp));
    return true;
  });
}

bool Vellisto_Chunk::editJson(const std::function<bool(Json& json)>& edit) {
  return change([&] {
    std::optional<Json> current = json();
    Json edited = current && current->is_object() ? std::move(*current) : Json::object();
    if (!edit(edited)) return false;
    setJson(std::move(edited));
    return true;
  });
}

}  // namespace vl
