#include "VLEngine/doc/record/Vellisto_Chunk.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <thread>
#include <utility>

#include "VLEngine/doc/bigdoc/DocTextForm.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "VLEngine/doc/record/RecordFields.h"
#include "VLEngine/doc/record/RecordJson.h"
#include "VLEngine/search/CaseFoldScan.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Crypto.h"
#include "platform/foundation/Log.h"

namespace vl {

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

namespace {

constexpr std::size_t kFieldCount = 7;
// `%@` of a json value: a string as it stands, anything else as its JSON text.
std::string describe(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  return dumpJson(value);
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

Vellisto_Chunk::Vellisto_Chunk() : fields_(FieldsRef(plainFields(Fields().plainKey())).release()) {}

std::shared_ptr<Vellisto_Chunk> Vellisto_Chunk::withText(std::string_view text) {
  // A text past what the size holds (no copy is that long) keeps what it can.
  text = text.substr(0, std::numeric_limits<std::uint32_t>::max());
  gTrailingBytes = text.size();
  auto chunk = std::allocate_shared<Vellisto_Chunk>(TrailingBytesAllocator<Vellisto_Chunk>());
  if (!text.empty()) std::memcpy(const_cast<char*>(chunk->textData()), text.data(), text.size());
  chunk->textSize_ = static_cast<std::uint32_t>(text.size());
  return chunk;
}

Vellisto_Chunk::~Vellisto_Chunk() { FieldsRef::adopt(fields_); }

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
      fields.jsonHasAppCopied = inspection.hasAppCopied;
      setOcrOf(fields, inspection.ocr);
      break;
    case RecordJson::Inspection::Kind::NotDictionary:
      logWarningf("record: its json (%zu bytes) is not a dictionary (%s); the text is kept as it stands",
                  jsonText.size(), inspection.reason.c_str());
      fields.jsonKind = JsonKind::Kept;
      fields.json = std::string(jsonText);
      jsonIssue = ReadIssue::JsonKeptAsText;
      break;
    case RecordJson::Inspection::Kind::BeyondBounds:
      logWarningf("record: its json (%zu bytes) is dropped: %s", jsonText.size(), inspection.reason.c_str());
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
  const FieldsRef fields = this->fields();
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
  // Rich text, alias and json of one version of the record: a peer never gets a mix of two changes.
  const FieldsRef fields = this->fields();
  Json dictionary = Json::object();
  dictionary["sig"] = sig();
  dictionary["timestamp"] = timestamp();
  dictionary["context"] = std::string(context());
  dictionary["rich"] = fields->rare ? fields->rare->rich : std::string();
  dictionary["json"] = jsonOf(*fields).value_or(Json::object());
  dictionary["alias"] = fields->alias;
  return dictionary;
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

}  // namespace vl
