#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "VLEngine/CaseFoldScan.h"
#include "VLEngine/LRU/Vellisto_LRU.h"
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
  // The text form inside a doc; nullptr when it has fewer than seven fields.
  static std::shared_ptr<Vellisto_Chunk> initWithChunkStr(std::string_view text);
  // A record as device sync sends it: only the six dictionary fields, flag 0, no word list, no doc.
  static std::shared_ptr<Vellisto_Chunk> fromDictionary(const Json& dictionary);

  // The text whose MD5 is a record's signature: the text alone, or with the file or image it names,
  // so that two copies of one file are one record whatever else their json says.
  static std::string toBeSignedString(const std::string& text, const std::optional<Json>& jsonData);
  // 32 lowercase hex characters of the MD5 of the text up to its first zero byte.
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
  Vellisto_LRU* lru() { return lru_ ? &*lru_ : nullptr; }
  const Vellisto_LRU* lru() const { return lru_ ? &*lru_ : nullptr; }
  void setLru(std::optional<Vellisto_LRU> lru) { lru_ = std::move(lru); }
  const std::string& timestamp() const { return timestamp_; }
  void setTimestamp(std::string timestamp);
  // The time stamp as a number, read once when it is set: searches and listings rank every record
  // by it.
  double timestampValue() const { return timestampValue_; }
  const std::optional<std::string>& alias() const { return alias_; }
  void setAlias(std::optional<std::string> alias) { alias_ = std::move(alias); }
  bool hasAlias() const { return alias_ && !alias_->empty(); }
  const std::string& context() const { return context_; }
  void setContext(std::string context) {
    context_ = std::move(context);
    contextForm_.store(kFormUnknown, std::memory_order_relaxed);
    bigramsReady_.store(false, std::memory_order_relaxed);
  }
  // Whether the text is well-formed UTF-8: looked at when first asked and kept until the text
  // changes, so that a search counts the text's UTF-16 units without decoding it every time.
  bool hasWellFormedContext() const;
  // The pairs of ASCII characters in the text's folding (BigramSet::ofFolding), kept the same way, so
  // that a search rules out most texts that cannot match without reading them.
  BigramSet contextBigrams() const;
  const std::optional<std::string>& rich() const { return rich_; }
  void setRich(std::optional<std::string> rich) { rich_ = std::move(rich); }
  const std::optional<Json>& json() const { return json_; }
  void setJson(std::optional<Json> json) { json_ = std::move(json); }

 private:
  std::weak_ptr<Vellisto_BigDoc> docRef_;
  std::weak_ptr<WeakChunkWrapper> sortedWeak_;
  std::int32_t flag_ = 0;
  std::string sig_;
  // Held in place: a doc load makes a hundred thousand records, most with an empty list.
  std::optional<Vellisto_LRU> lru_;
  std::string timestamp_;
  double timestampValue_ = 0;
  std::optional<std::string> alias_;
  std::string context_;
  static constexpr std::uint8_t kFormUnknown = 0, kFormWellFormed = 1, kFormIllFormed = 2;
  mutable std::atomic<std::uint8_t> contextForm_{kFormUnknown};
  // Written whole before bigramsReady_ is set (release), read after it is seen set (acquire); two
  // searches that compute it at once store the same words.
  mutable std::atomic<bool> bigramsReady_{false};
  mutable std::array<std::atomic<std::uint64_t>, BigramSet::kWords> contextBigrams_{};
  std::optional<std::string> rich_;
  std::optional<Json> json_;
};

}  // namespace vl
