#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "VLEngine/LRU/Vellisto_LRU.h"
#include "VLEngine/search/CaseFoldScan.h"
#include "platform/foundation/Json.h"

namespace vl {

class Vellisto_BigDoc;
class WeakChunkWrapper;

// One stored clip. A record held by a doc is guarded by that doc's lock: whoever changes or reads its
// fields while other threads may write the doc takes `Vellisto_BigDoc::mutex()` first (the doc's own
// operations do).
class Vellisto_Chunk {
 public:
  static constexpr std::int32_t kFlagComplete = 1;
  static constexpr std::int32_t kFlagDeleted = 0x10;

  Vellisto_Chunk() = default;
  Vellisto_Chunk(const Vellisto_Chunk&) = delete;
  Vellisto_Chunk& operator=(const Vellisto_Chunk&) = delete;

  static std::shared_ptr<Vellisto_Chunk> initWithContext(std::string context, std::optional<std::string> rich,
                                                         std::optional<Json> json);
  static std::shared_ptr<Vellisto_Chunk> initWithContext(std::string context, std::optional<std::string> rich,
                                                         std::optional<Json> json,
                                                         std::optional<std::string> alias);
  static std::shared_ptr<Vellisto_Chunk> initWithContext(std::string context, std::optional<std::string> rich,
                                                         std::optional<Json> json,
                                                         std::optional<std::string> alias,
                                                         std::string timestamp);
  // The tip an empty pin tab shows.
  static std::shared_ptr<Vellisto_Chunk> initDefaultChunk(const std::string& tip);
  // A record whose preview is a view of the named class.
  static std::shared_ptr<Vellisto_Chunk> initSystemChunkWithAlias(const std::string& alias,
                                                                  const std::string& desc,
                                                                  const std::string& viewCls);
  // A record json nested deeper than this, or longer than the byte bound, is damage: no clip nests
  // its kind dictionary, and a writer walking such a tree would stall every later write of the doc.
  static constexpr std::size_t kJsonMaxDepth = 64;
  static constexpr std::size_t kJsonMaxBytes = std::size_t{256} << 20;
  // What reading a text form had to give up.
  enum class ReadIssue {
    None,
    // The json field is not JSON, or not a dictionary: the record keeps the text and writes it back.
    JsonKeptAsText,
    // The json field is past the bounds: the record goes on without its json.
    JsonBeyondBounds,
  };
  // The text form inside a doc; nullptr when it has fewer than seven fields.
  static std::shared_ptr<Vellisto_Chunk> initWithChunkStr(std::string_view text, ReadIssue* issue = nullptr);
  // A record as device sync sends it: only the six dictionary fields, flag 0, no word list, no doc.
  static std::shared_ptr<Vellisto_Chunk> fromDictionary(const Json& dictionary);

  // The text whose MD5 is a record's signature: the text alone, or with the file or image it names,
  // so that two copies of one file are one record whatever else their json says.
  static std::string toBeSignedString(const std::string& text, const std::optional<Json>& jsonData);
  // 32 lowercase hex characters of the MD5 of the whole text, zero bytes included.
  static std::string md5HexDigest(std::string_view text);
  // Seconds since 1970 of the process clock, written with "%f".
  static std::string nowTimestamp();

  // Absent for a logically deleted record, which a doc writes as the empty text.
  std::optional<std::string> stringValue() const;
  Json toDictionary() const;

  // Sets the time stamp and asks the record's doc to persist.
  void updateTimestamp(std::string timestamp);

  std::shared_ptr<Vellisto_BigDoc> getDocRef() const { return docRef_.lock(); }
  void setDocRef(const std::shared_ptr<Vellisto_BigDoc>& doc) { docRef_ = doc; }
  void setDocRef(const std::weak_ptr<Vellisto_BigDoc>& doc) { docRef_ = doc; }
  std::shared_ptr<WeakChunkWrapper> getWeakSorted() const { return sortedWeak_.lock(); }
  void setWeakSorted(const std::shared_ptr<WeakChunkWrapper>& wrapper) { sortedWeak_ = wrapper; }

  std::int32_t flag() const { return flag_; }
  void setFlag(std::int32_t flag) { flag_ = flag; }
  bool isLogicallyDeleted() const { return (flag_ & kFlagDeleted) != 0; }
  const std::string& sig() const { return sig_; }
  void setSig(std::string sig) { sig_ = std::move(sig); }
  // Null for a record made by fromDictionary.
  Vellisto_LRU* lru() { return hasLru_ ? &lru_ : nullptr; }
  const Vellisto_LRU* lru() const { return hasLru_ ? &lru_ : nullptr; }
  void setLru(std::optional<Vellisto_LRU> lru) {
    hasLru_ = lru.has_value();
    lru_ = lru ? std::move(*lru) : Vellisto_LRU();
  }
  const std::string& timestamp() const { return timestamp_; }
  void setTimestamp(std::string timestamp);
  // The time stamp as a number, read once when it is set: searches and listings rank every record
  // by it.
  double timestampValue() const { return timestampValue_; }
  const std::optional<std::string>& alias() const { return alias_; }
  void setAlias(std::optional<std::string> alias) { alias_ = std::move(alias); }
  bool hasAlias() const { return alias_ && !alias_->empty(); }
  // Set once when the record is made and never changed after: searches keep byte offsets into it.
  const std::string& context() const { return context_; }
  // What a search needs to know of the text before reading it (TextTraits::of): worked out when first
  // asked and kept, so that most texts that cannot match are ruled out without being read.
  TextTraits contextTraits() const;
  const std::optional<std::string>& rich() const { return rich_; }
  void setRich(std::optional<std::string> rich) { rich_ = std::move(rich); }
  const std::optional<Json>& json() const { return json_; }
  void setJson(std::optional<Json> json) {
    json_ = std::move(json);
    keptJsonText_.reset();
    const bool object = json_ && json_->is_object();
    jsonHasApp_ = object && json_->contains("app");
    jsonHasOcr_ = false;
    if (object) {
      auto ocr = json_->find("ocr");
      jsonHasOcr_ = ocr != json_->end() && ocr->is_string();
    }
  }
  // Whether the json is a dictionary with the key "app" (a copied application), kept with the json:
  // every search asks it of every record.
  bool jsonHasApp() const { return jsonHasApp_; }
  // Whether the json holds text recognised in an image ("ocr"), which a search also looks at.
  bool jsonHasOcr() const { return jsonHasOcr_; }

 private:
  static std::shared_ptr<Vellisto_Chunk> makeComplete(std::string sig, std::string timestamp,
                                                      std::string context, std::optional<std::string> rich,
                                                      std::optional<Json> json,
                                                      std::optional<std::string> alias);
  void setContext(std::string context) { context_ = std::move(context); }

  // What every search reads of every record comes first, next to the reference counts that a
  // make_shared record keeps just before it: a search walks a hundred thousand records, and each cache
  // line it need not fetch is time the user waits.
  std::int32_t flag_ = 0;
  bool jsonHasApp_ = false;
  bool hasLru_ = false;
  bool jsonHasOcr_ = false;
  // The traits are written whole before traitsFlags_ gets its ready bit (release), and read after it
  // is seen (acquire); two searches that work them out at once store the same values.
  mutable std::atomic<std::uint8_t> traitsFlags_{0};
  double timestampValue_ = 0;
  mutable std::atomic<std::uint64_t> traitsSpecials_{0};
  mutable std::atomic<std::uint64_t> traitsBytesLow_{0};
  mutable std::atomic<std::uint64_t> traitsBytesHigh_{0};
  mutable std::array<std::atomic<std::uint64_t>, BigramSet::kWords> traitsBigrams_{};
  std::string context_;
  std::optional<std::string> alias_;
  // Held in place (empty unless hasLru_): a doc load makes a hundred thousand records, most with an
  // empty list.
  Vellisto_LRU lru_;

  std::weak_ptr<Vellisto_BigDoc> docRef_;
  std::weak_ptr<WeakChunkWrapper> sortedWeak_;
  std::string sig_;
  std::string timestamp_;
  std::optional<std::string> rich_;
  std::optional<Json> json_;
  // A json field that could not be read as a dictionary, written back as it was read so that nothing
  // the file held is lost; null for nearly every record.
  std::unique_ptr<const std::string> keptJsonText_;
};

}  // namespace vl
