#include "VLEngine/doc/Vellisto_Chunk.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <thread>
#include <utility>

#include "VLEngine/doc/DocTextForm.h"
#include "VLEngine/doc/RecordJson.h"
#include "VLEngine/doc/Vellisto_BigDoc.h"
#include "VLEngine/search/CaseFoldScan.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Crypto.h"
#include "platform/foundation/Log.h"

namespace vl {

static_assert(Vellisto_Chunk::kJsonMaxDepth == RecordJson::kMaxDepth &&
              Vellisto_Chunk::kJsonMaxBytes == RecordJson::kMaxBytes);

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

namespace {

constexpr std::size_t kFieldCount = 7;
using Fields = Vellisto_Chunk::Fields;
using JsonKind = Fields::JsonKind;
// stampMicros_ when the time stamp's text is in the fields.
constexpr std::int64_t kStampInFields = std::numeric_limits<std::int64_t>::min();
// Microseconds up to 2^53 are exact as a double, so their quotient by a million is the value strtod
// reads from the text.
constexpr std::int64_t kMaxExactMicros = std::int64_t{1} << 53;

std::shared_ptr<const Fields> makePlainFields(std::size_t key, const std::weak_ptr<Vellisto_BigDoc>& doc) {
  auto fields = std::make_shared<Fields>();
  fields->jsonKind = static_cast<JsonKind>(key / 8);
  fields->aliasPresent = (key & 4) != 0;
  fields->richPresent = (key & 2) != 0;
  fields->hasWordList = (key & 1) != 0;
  fields->doc = doc;
  return fields;
}

// The shared fields of plain records without a doc, one per combination of presences.
const std::shared_ptr<const Fields>& plainFields(std::size_t key) {
  static const auto all = [] {
    std::array<std::shared_ptr<const Fields>, Vellisto_Chunk::kSharedFieldKinds> made;
    for (std::size_t k = 0; k < made.size(); ++k) made[k] = makePlainFields(k, {});
    return made;
  }();
  return all[key];
}

// The plain fields of the key for the records of `doc` (or of none).
std::shared_ptr<const Fields> sharedPlainFields(std::size_t key,
                                                const std::shared_ptr<Vellisto_BigDoc>& doc) {
  if (!doc) return plainFields(key);
  return doc->sharedFields(key, [&] { return makePlainFields(key, doc); });
}

// `%@` of a json value: a string as it stands, anything else as its JSON text.
std::string describe(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  return dumpJson(value);
}

// The microseconds of a time stamp written "%f" (digits, a point, six digits, no leading zero), which
// give that text back exactly; nothing for any other text.
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

// Drops the rare part when nothing in it is set any more.
void tidyRare(Fields& fields) {
  const RareFields* rare = fields.rare.get();
  if (rare && rare->rich.empty() && !rare->sigIsText && !rare->stampIsText) fields.rare.reset();
}

void setJsonOf(Fields& fields, const std::optional<Json>& json) {
  fields.jsonHasApp = fields.jsonHasOcr = false;
  fields.json.clear();
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
  auto ocr = json->find("ocr");
  fields.jsonHasOcr = ocr != json->end() && ocr->is_string();
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

// Earlier versions signed a text only up to its first zero byte, so texts that differ after one were
// taken for one record. Such a record is signed again over its whole text when it is read; a text
// without a zero byte always had, and keeps, the signature of its whole text.
std::optional<std::string> resignedAfterZeroByte(std::string_view context, const std::string& sig,
                                                 const std::optional<Json>& json) {
  if (context.find('\0') == std::string::npos) return std::nullopt;
  const std::string whole = Vellisto_Chunk::toBeSignedString(std::string(context), json);
  const std::string_view cut = std::string_view(whole).substr(0, whole.find('\0'));
  if (sig != Vellisto_Chunk::md5HexDigest(cut)) return std::nullopt;
  return Vellisto_Chunk::md5HexDigest(whole);
}

}  // namespace

namespace {

// How many bytes the next record allocated on this thread carries after itself.
thread_local std::size_t gTrailingBytes = 0;

// Allocates a record's block with room for its text after it: one allocation instead of two, and no
// string object.
template <class T>
struct TrailingBytesAllocator {
  using value_type = T;
  TrailingBytesAllocator() = default;
  template <class U>
  TrailingBytesAllocator(const TrailingBytesAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    return static_cast<T*>(::operator new(n * sizeof(T) + std::exchange(gTrailingBytes, 0)));
  }
  void deallocate(T* p, std::size_t) noexcept { ::operator delete(p); }
  template <class U>
  bool operator==(const TrailingBytesAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace

Vellisto_Chunk::Vellisto_Chunk() : fields_(plainFields(Fields().plainKey())) {}

std::shared_ptr<Vellisto_Chunk> Vellisto_Chunk::withText(std::string_view text) {
  // A text past what the size holds (no copy is that long) keeps what it can.
  text = text.substr(0, std::numeric_limits<std::uint32_t>::max());
  gTrailingBytes = text.size();
  auto chunk = std::allocate_shared<Vellisto_Chunk>(TrailingBytesAllocator<Vellisto_Chunk>());
  if (!text.empty()) std::memcpy(const_cast<char*>(chunk->textData()), text.data(), text.size());
  chunk->textSize_ = static_cast<std::uint32_t>(text.size());
  return chunk;
}

Vellisto_Chunk::~Vellisto_Chunk() = default;

// ---- the fields that change ----

namespace {

// Takes a record's one-byte lock on its fields' pointer, which is held for a copy or a swap of it.
class FieldsHold {
 public:
  explicit FieldsHold(std::atomic<bool>& busy) : busy_(busy) {
    for (int spins = 0; busy_.exchange(true, std::memory_order_acquire); ++spins) {
      if (spins > 64) std::this_thread::yield();
    }
  }
  ~FieldsHold() { busy_.store(false, std::memory_order_release); }
  FieldsHold(const FieldsHold&) = delete;
  FieldsHold& operator=(const FieldsHold&) = delete;

 private:
  std::atomic<bool>& busy_;
};

}  // namespace

std::shared_ptr<const Vellisto_Chunk::Fields> Vellisto_Chunk::fields() const {
  FieldsHold hold(fieldsBusy_);
  return fields_;
}

void Vellisto_Chunk::publish(std::shared_ptr<const Fields> fields) {
  if (fields->isPlain()) fields = sharedPlainFields(fields->plainKey(), fields->doc.lock());
  std::uint8_t hints = 0;
  if (!fields->alias.empty()) hints |= kHintAlias;
  if (fields->jsonKind == JsonKind::Dictionary && fields->jsonHasApp) hints |= kHintApp;
  if (fields->jsonKind == JsonKind::Dictionary && fields->jsonHasOcr) hints |= kHintOcr;
  if (fields->words && !fields->words->isEmpty()) hints |= kHintWords;
  {
    FieldsHold hold(fieldsBusy_);
    fields_.swap(fields);
  }
  hints_.store(hints, std::memory_order_release);
  // The fields replaced go here, outside the hold.
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
  publish(fields.isPlain() ? plainFields(fields.plainKey())
                           : std::make_shared<const Fields>(std::move(fields)));
}

void Vellisto_Chunk::changeFields(const std::function<void(Fields&)>& change) {
  auto changed = std::make_shared<Fields>(*fields());
  change(*changed);
  publish(std::move(changed));
}

std::shared_ptr<Vellisto_BigDoc> Vellisto_Chunk::getDocRef() const { return fields()->doc.lock(); }

void Vellisto_Chunk::setDocRef(const std::shared_ptr<Vellisto_BigDoc>& doc) {
  const std::shared_ptr<const Fields> current = fields();
  if (current->isPlain()) {
    // A record that loads has nothing of its own: it takes its doc's shared fields as they are.
    publish(sharedPlainFields(current->plainKey(), doc));
    return;
  }
  changeFields([&](Fields& fields) { fields.doc = doc; });
}

// ---- making records ----

std::shared_ptr<Vellisto_Chunk> Vellisto_Chunk::makeComplete(std::string sig, std::string timestamp,
                                                             std::string context,
                                                             std::optional<std::string> rich,
                                                             std::optional<Json> json,
                                                             std::optional<std::string> alias) {
  auto chunk = withText(context);
  chunk->setFlag(Vellisto_Chunk::kFlagComplete);
  Fields fields;
  fields.hasWordList = true;
  setRichOf(fields, std::move(rich));
  setJsonOf(fields, json);
  setAliasOf(fields, std::move(alias));
  chunk->settle(std::move(fields), sig, std::move(timestamp));
  return chunk;
}

std::string Vellisto_Chunk::toBeSignedString(const std::string& text, const std::optional<Json>& jsonData) {
  if (!jsonData || !jsonData->is_object()) return text;
  const Json& json = *jsonData;
  if (auto it = json.find("file"); it != json.end()) return text + "--file--" + describe(*it);
  if (auto it = json.find("image"); it != json.end()) return text + "--image--" + describe(*it);
  if (auto it = json.find("image_relative"); it != json.end()) return text + "--image--" + describe(*it);
  return text;
}

std::string Vellisto_Chunk::md5HexDigest(std::string_view text) { return md5Hex(text); }

std::string Vellisto_Chunk::nowTimestamp() {
  std::array<char, 64> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%f", Clock::current().now());
  return buffer.data();
}

std::shared_ptr<Vellisto_Chunk> Vellisto_Chunk::initWithContext(std::string context,
                                                                std::optional<std::string> rich,
                                                                std::optional<Json> json) {
  return initWithContext(std::move(context), std::move(rich), std::move(json), std::nullopt);
}

std::shared_ptr<Vellisto_Chunk> Vellisto_Chunk::initWithContext(std::string context,
                                                                std::optional<std::string> rich,
                                                                std::optional<Json> json,
                                                                std::optional<std::string> alias) {
  return initWithContext(std::move(context), std::move(rich), std::move(json), std::move(alias),
                         nowTimestamp());
}

std::shared_ptr<Vellisto_Chunk> Vellisto_Chunk::initWithContext(std::string context,
                                                                std::optional<std::string> rich,
                                                                std::optional<Json> json,
                                                                std::optional<std::string> alias,
                                                                std::string timestamp) {
  std::string sig = md5HexDigest(toBeSignedString(context, json));
  return makeComplete(std::move(sig), std::move(timestamp), std::move(context), std::move(rich),
                      std::move(json), std::move(alias));
}

std::shared_ptr<Vellisto_Chunk> Vellisto_Chunk::initDefaultChunk(const std::string& tip) {
  return makeComplete(md5HexDigest(tip), nowTimestamp(), tip, std::nullopt, Json{{"default_tip", "1"}},
                      std::nullopt);
}

std::shared_ptr<Vellisto_Chunk> Vellisto_Chunk::initSystemChunkWithAlias(const std::string& alias,
                                                                         const std::string& desc,
                                                                         const std::string& viewCls) {
  return makeComplete(md5HexDigest(alias + ":" + desc), nowTimestamp(), desc, std::nullopt,
                      Json{{"system", viewCls}}, alias);
}

std::shared_ptr<Vellisto_Chunk> Vellisto_Chunk::initWithChunkStr(std::string_view text, ReadIssue* issue) {
  std::array<std::string_view, kFieldCount> parts;
  std::size_t at = 0;
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    if (at == std::string_view::npos) return nullptr;
    doctext::Piece piece = doctext::nextPiece(text, at, doctext::kFieldSeparator);
    parts[i] = piece.text;
    at = piece.next;
  }
  std::shared_ptr<Vellisto_Chunk> chunk;
  if (parts[4].substr(0, doctext::kEscapeMarker.size()) == doctext::kEscapeMarker) {
    chunk = withText(doctext::unescape(parts[4]));
  } else {
    chunk = withText(parts[4]);
  }
  chunk->flag_.store(kFlagComplete, std::memory_order_relaxed);
  std::string sig = doctext::unescape(parts[0]);

  Fields fields;
  fields.hasWordList = true;
  // Words are escaped one by one, never the list as a whole.
  if (Vellisto_LRU words = Vellisto_LRU::initWithLRUStr(parts[1]); !words.isEmpty())
    fields.words = std::make_shared<const Vellisto_LRU>(std::move(words));
  setAliasOf(fields, doctext::unescape(parts[3]));
  setRichOf(fields, doctext::unescape(parts[5]));
  std::string unescapedJson;
  std::string_view jsonText = parts[6];
  if (jsonText.substr(0, doctext::kEscapeMarker.size()) == doctext::kEscapeMarker) {
    unescapedJson = doctext::unescape(jsonText);
    jsonText = unescapedJson;
  }
  ReadIssue jsonIssue = ReadIssue::None;
  const RecordJson::Inspection inspection = RecordJson::inspect(jsonText);
  switch (inspection.kind) {
    case RecordJson::Inspection::Kind::None:
      break;
    case RecordJson::Inspection::Kind::EmptyDictionary:
      fields.jsonKind = JsonKind::Dictionary;
      break;
    case RecordJson::Inspection::Kind::Dictionary:
      // Kept as the file holds it: written back byte for byte.
      fields.jsonKind = JsonKind::Dictionary;
      fields.json = std::string(jsonText);
      fields.jsonHasApp = inspection.hasApp;
      fields.jsonHasOcr = inspection.hasOcr;
      break;
    case RecordJson::Inspection::Kind::NotDictionary:
      logf("record: its json (%zu bytes) is not a dictionary (%s); the text is kept as it stands",
           jsonText.size(), inspection.reason.c_str());
      fields.jsonKind = JsonKind::Kept;
      fields.json = std::string(jsonText);
      jsonIssue = ReadIssue::JsonKeptAsText;
      break;
    case RecordJson::Inspection::Kind::BeyondBounds:
      logf("record: its json (%zu bytes) is dropped: %s", jsonText.size(), inspection.reason.c_str());
      jsonIssue = ReadIssue::JsonBeyondBounds;
      break;
  }
  if (issue) *issue = jsonIssue;
  if (chunk->context().find('\0') != std::string_view::npos) {
    const std::optional<Json> json = fields.jsonKind != JsonKind::Dictionary ? std::nullopt
                                     : fields.json.empty() ? std::optional<Json>(Json::object())
                                                           : RecordJson::parse(fields.json);
    if (std::optional<std::string> resigned = resignedAfterZeroByte(chunk->context(), sig, json))
      sig = std::move(*resigned);
  }
  chunk->settle(std::move(fields), sig, doctext::unescape(parts[2]));
  return chunk;
}

std::shared_ptr<Vellisto_Chunk> Vellisto_Chunk::fromDictionary(const Json& dictionary) {
  auto text = [&](const char* key) -> std::optional<std::string> {
    if (!dictionary.is_object()) return std::nullopt;
    auto it = dictionary.find(key);
    if (it == dictionary.end() || it->is_null()) return std::nullopt;
    return describe(*it);
  };
  auto chunk = withText(text("context").value_or(""));
  chunk->setLru(std::nullopt);
  if (!dictionary.is_object()) return chunk;
  chunk->setSig(text("sig").value_or(""));
  chunk->setTimestamp(text("timestamp").value_or(""));
  chunk->setRich(text("rich"));
  chunk->setAlias(text("alias"));
  if (auto it = dictionary.find("json"); it != dictionary.end() && it->is_object()) chunk->setJson(*it);
  return chunk;
}

// ---- reading ----

std::optional<std::string> Vellisto_Chunk::stringValue() const {
  if (isLogicallyDeleted()) return std::nullopt;
  const std::shared_ptr<const Fields> fields = this->fields();
  const std::string lruText = fields->words ? fields->words->stringValue() : std::string();
  const std::string sigText = sig();
  const std::string stamp = timestamp();
  static const std::string kEmpty;
  static const std::string kEmptyDictionary = "{}";
  const std::string& rich = fields->rare ? fields->rare->rich : kEmpty;
  const std::string& json = fields->json.empty() ? kEmptyDictionary : fields->json;
  const std::string_view parts[kFieldCount] = {sigText, lruText, stamp, fields->alias, context(), rich, json};

  std::string out;
  std::size_t size = 0;
  for (std::string_view part : parts) size += part.size() + doctext::kFieldSeparator.size();
  out.reserve(size);
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    if (i > 0) out.append(doctext::kFieldSeparator);
    // The word list escapes its own words; its joints are the word separator, not a field separator.
    if (i == 1) {
      out.append(parts[i]);
    } else {
      out.append(doctext::escapeField(parts[i]));
    }
  }
  return out;
}

Json Vellisto_Chunk::toDictionary() const {
  const std::shared_ptr<const Fields> fields = this->fields();
  Json dictionary = Json::object();
  dictionary["sig"] = sig();
  dictionary["timestamp"] = timestamp();
  dictionary["context"] = std::string(context());
  dictionary["rich"] = fields->rare ? fields->rare->rich : std::string();
  dictionary["json"] = json().value_or(Json::object());
  dictionary["alias"] = fields->alias;
  return dictionary;
}

std::string Vellisto_Chunk::sig() const {
  if (const std::shared_ptr<const Fields> fields = this->fields(); fields->rare && fields->rare->sigIsText)
    return fields->rare->sigText;
  return sig_.hex();
}

std::optional<RecordSignature> Vellisto_Chunk::signature() const {
  if (const std::shared_ptr<const Fields> fields = this->fields(); fields->rare && fields->rare->sigIsText)
    return std::nullopt;
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
  const std::shared_ptr<const Fields> fields = this->fields();
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
  const std::shared_ptr<const Fields> fields = this->fields();
  return fields->words ? fields->words->find(word) : kAbsent;
}

std::string Vellisto_Chunk::timestamp() const {
  for (;;) {
    const std::int64_t micros = stampMicros_.load(std::memory_order_acquire);
    if (micros != kStampInFields) return stampText(micros);
    const std::shared_ptr<const Fields> fields = this->fields();
    if (fields->rare && fields->rare->stampIsText) return fields->rare->stampText;
    // A change to a time stamp of the compact form is under way; its microseconds are stored already.
  }
}

double Vellisto_Chunk::timestampValue() const {
  for (;;) {
    const std::int64_t micros = stampMicros_.load(std::memory_order_acquire);
    if (micros != kStampInFields) return static_cast<double>(micros) / 1e6;
    const std::shared_ptr<const Fields> fields = this->fields();
    if (fields->rare && fields->rare->stampIsText) return fields->rare->stampValue;
  }
}

void Vellisto_Chunk::setTimestamp(std::string timestamp) {
  // Readers that meet kStampInFields look in the fields: the text goes there before the mark, and the
  // microseconds go in before the text leaves.
  if (std::optional<std::int64_t> micros = compactStamp(timestamp)) {
    stampMicros_.store(*micros, std::memory_order_release);
    if (fields()->rare && fields()->rare->stampIsText) {
      changeFields([](Fields& fields) {
        RareFields& rare = rareOf(fields);
        rare.stampIsText = false;
        rare.stampText.clear();
        rare.stampValue = 0;
        tidyRare(fields);
      });
    }
    return;
  }
  const double value = std::strtod(timestamp.c_str(), nullptr);
  changeFields([&](Fields& fields) {
    RareFields& rare = rareOf(fields);
    rare.stampIsText = true;
    rare.stampText = std::move(timestamp);
    rare.stampValue = value;
  });
  stampMicros_.store(kStampInFields, std::memory_order_release);
}

std::optional<std::string> Vellisto_Chunk::alias() const {
  const std::shared_ptr<const Fields> fields = this->fields();
  if (!fields->aliasPresent) return std::nullopt;
  return fields->alias;
}

void Vellisto_Chunk::setAlias(std::optional<std::string> alias) {
  changeFields([&](Fields& fields) { setAliasOf(fields, std::move(alias)); });
}

std::optional<std::string> Vellisto_Chunk::rich() const {
  const std::shared_ptr<const Fields> fields = this->fields();
  if (!fields->richPresent) return std::nullopt;
  return fields->rare ? fields->rare->rich : std::string();
}

void Vellisto_Chunk::setRich(std::optional<std::string> rich) {
  changeFields([&](Fields& fields) { setRichOf(fields, std::move(rich)); });
}

std::optional<Json> Vellisto_Chunk::json() const {
  const std::shared_ptr<const Fields> fields = this->fields();
  if (fields->jsonKind != JsonKind::Dictionary) return std::nullopt;
  if (fields->json.empty()) return Json::object();
  return RecordJson::parse(fields->json);
}

void Vellisto_Chunk::setJson(std::optional<Json> json) {
  changeFields([&](Fields& fields) { setJsonOf(fields, json); });
}

std::optional<std::string> Vellisto_Chunk::ocrText() const {
  if (!jsonHasOcr()) return std::nullopt;
  const std::optional<Json> json = this->json();
  if (!json || !json->is_object()) return std::nullopt;
  auto ocr = json->find("ocr");
  if (ocr == json->end() || !ocr->is_string()) return std::nullopt;
  return ocr->get<std::string>();
}

TextTraits Vellisto_Chunk::contextTraits() const {
  constexpr std::uint8_t kAscii = 1, kWellFormed = 2, kReady = 4;
  if (const std::uint8_t flags = traitsFlags_.load(std::memory_order_acquire); flags & kReady) {
    TextTraits traits;
    std::array<std::uint64_t, BigramSet::kWords> words;
    for (std::size_t i = 0; i < words.size(); ++i)
      words[i] = traitsBigrams_[i].load(std::memory_order_relaxed);
    traits.bigrams = BigramSet::fromWords(words);
    traits.specials = traitsSpecials_.load(std::memory_order_relaxed);
    traits.bytes.low = traitsBytesLow_.load(std::memory_order_relaxed);
    traits.bytes.high = traitsBytesHigh_.load(std::memory_order_relaxed);
    traits.ascii = (flags & kAscii) != 0;
    traits.wellFormed = (flags & kWellFormed) != 0;
    return traits;
  }
  TextTraits traits = TextTraits::of(context());
  for (std::size_t i = 0; i < BigramSet::kWords; ++i)
    traitsBigrams_[i].store(traits.bigrams.words()[i], std::memory_order_relaxed);
  traitsSpecials_.store(traits.specials, std::memory_order_relaxed);
  traitsBytesLow_.store(traits.bytes.low, std::memory_order_relaxed);
  traitsBytesHigh_.store(traits.bytes.high, std::memory_order_relaxed);
  traitsFlags_.store(
      static_cast<std::uint8_t>(kReady | (traits.ascii ? kAscii : 0) | (traits.wellFormed ? kWellFormed : 0)),
      std::memory_order_release);
  return traits;
}

// ---- changes journaled in the doc ----

void Vellisto_Chunk::updateTimestamp(std::string timestamp) {
  if (std::shared_ptr<Vellisto_BigDoc> doc = getDocRef()) {
    doc->changeChunk(*this, [&] {
      setTimestamp(std::move(timestamp));
      return true;
    });
    return;
  }
  setTimestamp(std::move(timestamp));
}

bool Vellisto_Chunk::editJson(const std::function<bool(Json& json)>& edit) {
  auto apply = [&] {
    std::optional<Json> current = json();
    Json edited = current && current->is_object() ? std::move(*current) : Json::object();
    if (!edit(edited)) return false;
    setJson(std::move(edited));
    return true;
  };
  if (std::shared_ptr<Vellisto_BigDoc> doc = getDocRef()) return doc->changeChunk(*this, apply);
  return apply();
}

}  // namespace vl
