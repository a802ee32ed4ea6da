#include "VLEngine/doc/Vellisto_Chunk.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "VLEngine/doc/DocTextForm.h"
#include "VLEngine/doc/Vellisto_BigDoc.h"
#include "VLEngine/search/CaseFoldScan.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Crypto.h"
#include "platform/foundation/JsonBounded.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

constexpr std::size_t kFieldCount = 7;

// `%@` of a json value: a string as it stands, anything else as its JSON text.
std::string describe(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  return dumpJson(value);
}

// Most records carry an empty kind dictionary; skipping the parser for it keeps doc loading close to
// the speed of decompression.
bool isEmptyObjectText(std::string_view text) {
  if (text.size() < 2 || text.front() != '{' || text.back() != '}') return false;
  for (char c : text.substr(1, text.size() - 2)) {
    if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return false;
  }
  return true;
}

struct RecordJson {
  std::optional<Json> value;
  Vellisto_Chunk::ReadIssue issue = Vellisto_Chunk::ReadIssue::None;
};

RecordJson parseRecordJson(std::string_view text) {
  if (isEmptyObjectText(text)) return {Json::object(), Vellisto_Chunk::ReadIssue::None};
  if (text.empty()) return {};
  BoundedJson parsed = parseJsonBounded(text, Vellisto_Chunk::kJsonMaxDepth, Vellisto_Chunk::kJsonMaxBytes);
  if (parsed.ok() && parsed.value->is_object())
    return {std::move(parsed.value), Vellisto_Chunk::ReadIssue::None};
  if (parsed.status == BoundedJson::Status::TooDeep || parsed.status == BoundedJson::Status::TooLarge) {
    logWarningf("record: its json (%zu bytes) is dropped: %s", text.size(), parsed.reason.c_str());
    return {std::nullopt, Vellisto_Chunk::ReadIssue::JsonBeyondBounds};
  }
  logWarningf("record: its json (%zu bytes) is not a dictionary (%s); the text is kept as it stands",
              text.size(), parsed.ok() ? "another JSON value" : parsed.reason.c_str());
  return {std::nullopt, Vellisto_Chunk::ReadIssue::JsonKeptAsText};
}

// Pretty-printed as every earlier version wrote it for the flat dictionaries records carry, with each
// member's value written compact: the indentation never grows with the depth of a value.
void appendRecordJson(std::string& out, const Json& json) {
  if (!json.is_object() || json.empty()) {
    out.append(dumpJson(json));
    return;
  }
  out.append("{\n");
  bool first = true;
  for (auto it = json.begin(); it != json.end(); ++it) {
    if (!first) out.append(",\n");
    first = false;
    out.append("  ");
    out.append(dumpJson(Json(it.key())));
    out.append(": ");
    out.append(dumpJson(it.value()));
  }
  out.append("\n}");
}

// Earlier versions signed a text only up to its first zero byte, so texts that differ after one were
// taken for one record. Such a record is signed again over its whole text when it is read; a text
// without a zero byte always had, and keeps, the signature of its whole text.
void resignIfCutAtZeroByte(Vellisto_Chunk& chunk) {
  if (chunk.context().find('\0') == std::string::npos) return;
  const std::string whole = Vellisto_Chunk::toBeSignedString(chunk.context(), chunk.json());
  const std::string_view cut = std::string_view(whole).substr(0, whole.find('\0'));
  if (chunk.sig() == Vellisto_Chunk::md5HexDigest(cut)) chunk.setSig(Vellisto_Chunk::md5HexDigest(whole));
}

}  // namespace

std::shared_ptr<Vellisto_Chunk> Vellisto_Chunk::makeComplete(std::string sig, std::string timestamp,
                                                             std::string context,
                                                             std::optional<std::string> rich,
                                                             std::optional<Json> json,
                                                             std::optional<std::string> alias) {
  auto chunk = std::make_shared<Vellisto_Chunk>();
  chunk->setFlag(Vellisto_Chunk::kFlagComplete);
  chunk->setLru(Vellisto_LRU());
  chunk->setSig(std::move(sig));
  chunk->setTimestamp(std::move(timestamp));
  chunk->setContext(std::move(context));
  chunk->setRich(std::move(rich));
  chunk->setJson(std::move(json));
  chunk->setAlias(std::move(alias));
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
  std::array<std::string_view, kFieldCount> fields;
  std::size_t at = 0;
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    if (at == std::string_view::npos) return nullptr;
    doctext::Piece piece = doctext::nextPiece(text, at, doctext::kFieldSeparator);
    fields[i] = piece.text;
    at = piece.next;
  }
  auto chunk = std::make_shared<Vellisto_Chunk>();
  chunk->flag_ = kFlagComplete;
  chunk->sig_ = doctext::unescape(fields[0]);
  // Words are escaped one by one, never the list as a whole.
  chunk->setLru(Vellisto_LRU::initWithLRUStr(fields[1]));
  chunk->setTimestamp(doctext::unescape(fields[2]));
  chunk->alias_ = doctext::unescape(fields[3]);
  chunk->setContext(doctext::unescape(fields[4]));
  chunk->rich_ = doctext::unescape(fields[5]);
  std::string unescapedJson;
  std::string_view jsonText = fields[6];
  if (jsonText.substr(0, doctext::kEscapeMarker.size()) == doctext::kEscapeMarker) {
    unescapedJson = doctext::unescape(jsonText);
    jsonText = unescapedJson;
  }
  RecordJson json = parseRecordJson(jsonText);
  chunk->setJson(std::move(json.value));
  if (json.issue == ReadIssue::JsonKeptAsText)
    chunk->keptJsonText_ = std::make_unique<const std::string>(jsonText);
  if (issue) *issue = json.issue;
  resignIfCutAtZeroByte(*chunk);
  return chunk;
}

std::shared_ptr<Vellisto_Chunk> Vellisto_Chunk::fromDictionary(const Json& dictionary) {
  auto chunk = std::make_shared<Vellisto_Chunk>();
  if (!dictionary.is_object()) return chunk;
  auto text = [&](const char* key) -> std::optional<std::string> {
    auto it = dictionary.find(key);
    if (it == dictionary.end() || it->is_null()) return std::nullopt;
    return describe(*it);
  };
  chunk->sig_ = text("sig").value_or("");
  chunk->setTimestamp(text("timestamp").value_or(""));
  chunk->setContext(text("context").value_or(""));
  chunk->rich_ = text("rich");
  chunk->alias_ = text("alias");
  if (auto it = dictionary.find("json"); it != dictionary.end() && it->is_object()) chunk->setJson(*it);
  return chunk;
}

std::optional<std::string> Vellisto_Chunk::stringValue() const {
  if (isLogicallyDeleted()) return std::nullopt;
  const std::string lruText = hasLru_ ? lru_.stringValue() : std::string();
  // Written in place: a copy of the json per write is what a large one cannot afford.
  std::string jsonText;
  if (keptJsonText_) {
    jsonText = *keptJsonText_;
  } else if (json_) {
    appendRecordJson(jsonText, *json_);
  } else {
    jsonText = "{}";
  }
  const std::string* parts[kFieldCount] = {&sig_,     &lruText, &timestamp_, nullptr,
                                           &context_, nullptr,  &jsonText};
  static const std::string kEmpty;
  parts[3] = alias_ ? &*alias_ : &kEmpty;
  parts[5] = rich_ ? &*rich_ : &kEmpty;

  std::string out;
  std::size_t size = 0;
  for (const std::string* part : parts) size += part->size() + doctext::kFieldSeparator.size();
  out.reserve(size);
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    if (i > 0) out.append(doctext::kFieldSeparator);
    // The word list escapes its own words; its joints are the word separator, not a field separator.
    out.append(i == 1 ? *parts[i] : doctext::escapeField(*parts[i]));
  }
  return out;
}

Json Vellisto_Chunk::toDictionary() const {
  Json dictionary = Json::object();
  dictionary["sig"] = sig_;
  dictionary["timestamp"] = timestamp_;
  dictionary["context"] = context_;
  dictionary["rich"] = rich_.value_or("");
  dictionary["json"] = json_ ? *json_ : Json::object();
  dictionary["alias"] = alias_.value_or("");
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
  TextTraits traits = TextTraits::of(context_);
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

void Vellisto_Chunk::setTimestamp(std::string timestamp) {
  timestamp_ = std::move(timestamp);
  timestampValue_ = std::strtod(timestamp_.c_str(), nullptr);
}

void Vellisto_Chunk::updateTimestamp(std::string timestamp) {
  auto doc = getDocRef();
  if (!doc) {
    setTimestamp(std::move(timestamp));
    return;
  }
  {
    RecursiveMutexLock lock(doc->mutex());
    setTimestamp(std::move(timestamp));
  }
  doc->persistChunk(*this);
}

}  // namespace vl
