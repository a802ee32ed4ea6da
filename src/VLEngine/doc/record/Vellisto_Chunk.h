#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "VLEngine/LRU/Vellisto_LRU.h"
#include "VLEngine/doc/record/RecordJson.h"
#include "VLEngine/doc/record/RecordSignature.h"
#include "VLEngine/doc/record/RecordText.h"
#include "VLEngine/search/CaseFoldScan.h"
#include "platform/foundation/Json.h"

namespace vl {

class FieldsRef;
class Vellisto_BigDoc;

// One stored clip.
//
// Its text, rich text and signature never change once it is made. What does change (the json, the
// alias, the search words, the time stamp, the deleted flag) changes by replacing a whole value that
// is itself never changed, atomically: any thread reads a record without waiting for a writer and gets
// each field whole, as it was before or after a change made meanwhile on another thread (an image
// download, a sync transfer, the user's choice). The accessors below therefore hand out copies.
//
// A record held by a doc is changed through that doc (Vellisto_BigDoc::changeChunk; change,
// updateTimestamp and editJson do it), which lets one writer at a time change it and journals each change.
// The plain setters publish a new value and write nothing: they serve records no doc holds yet, and the doc's
// own changes.
class Vellisto_Chunk {
 public:
  static constexpr std::int32_t kFlagComplete = 1;
  static constexpr std::int32_t kFlagDeleted = 0x10;

  Vellisto_Chunk();
  ~Vellisto_Chunk();
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
  // The bounds of a record's json.
  static constexpr std::size_t kJsonMaxDepth = RecordJson::kMaxDepth;
  static constexpr std::size_t kJsonMaxBytes = RecordJson::kMaxBytes;
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

  // Makes `change` (made of the plain setters; it says whether it changed anything) with no other change
  // of this record in between, journaled in the doc that holds the record; a record no doc holds just
  // changes. Whether it changed.
  bool change(const std::function<bool()>& change);
  // Sets the time stamp, journaled in the record's doc.
  void updateTimestamp(std::string timestamp);
  // Changes the json as `edit` says, with no other change of this record in between, journaled in the
  // record's doc. `edit` gets the json as it is (an empty dictionary when there is none or it is not a
  // dictionary) and returns false to leave it as it was. Whether the json changed.
  bool editJson(const std::function<bool(Json& json)>& edit);

  // The doc that holds the record (held weakly, with the fields: records of one doc share it).
  std::shared_ptr<Vellisto_BigDoc> getDocRef() const;
  void setDocRef(const std::shared_ptr<Vellisto_BigDoc>& doc);
  void setDocRef(const std::weak_ptr<Vellisto_BigDoc>& doc) { setDocRef(doc.lock()); }

  // kFlagComplete, kFlagDeleted or 0.
  std::int32_t flag() const { return flag_.load(std::memory_order_acquire); }
  void setFlag(std::int32_t flag) { flag_.store(static_cast<std::uint8_t>(flag), std::memory_order_release); }
  bool isLogicallyDeleted() const { return (flag() & kFlagDeleted) != 0; }
  std::string sig() const;
  // The signature as its bytes; nothing for a signature that is not 32 lowercase hex characters.
  std::optional<RecordSignature> signature() const;
  // The same bytes without asking: all zero when the signature is not of that form.
  const RecordSignature& signatureBytes() const { return sig_; }

  // The search words with which the user chose the record; nullptr for a record made by
  // fromDictionary, which has no list.
  std::shared_ptr<const Vellisto_LRU> lru() const;
  void setLru(std::optional<Vellisto_LRU> lru);
  // Offers a word to the list (a new list replaces the old one). A record without a list ignores it.
  void offerSearchWord(const std::string& word);
  // The word's place in the list (0 for the newest), or the list's maxSize + 1 when it is not there
  // or the record has no list. Searches ask it of every record they find.
  std::int32_t searchWordPosition(const std::string& word) const;

  std::string timestamp() const;
  void setTimestamp(std::string timestamp);
  // The time stamp as a number: searches and listings rank every record by it.
  double timestampValue() const;
  std::optional<std::string> alias() const;
  void setAlias(std::optional<std::string> alias);
  bool hasAlias() const { return (hints_.load(std::memory_order_acquire) & kHintAlias) != 0; }
  // Set once when the record is made and never changed after: searches keep byte offsets into it. It lies
  // in the record's own allocation, right after the record.
  RecordText context() const { return RecordText(std::string_view(textData(), textSize_)); }
  // What a search needs to know of the text before reading it (TextTraits::of): worked out when first
  // asked and kept, so that most texts that cannot match are ruled out without being read.
  TextTraits contextTraits() const;
  std::optional<std::string> rich() const;
  void setRich(std::optional<std::string> rich);
  // A copy of the json, read from the text the record keeps.
  std::optional<Json> json() const;
  void setJson(std::optional<Json> json);
  // Whether the json is a dictionary with the key "app" (a copied application): every search asks it of
  // every record.
  bool jsonHasApp() const { return (hints_.load(std::memory_order_acquire) & kHintApp) != 0; }
  // Whether this is an application record that a copy of its name refreshed since the index appended
  // it: the unfiltered history lists it with the copies.
  bool isCopiedApplication() const { return (hints_.load(std::memory_order_acquire) & kHintAppCopied) != 0; }
  // Whether the json holds text recognised in an image ("ocr"), which a search also looks at.
  bool jsonHasOcr() const { return (hints_.load(std::memory_order_acquire) & kHintOcr) != 0; }
  // That recognised text; nothing when there is none.
  std::optional<std::string> ocrText() const;

  // How many times two writers were caught changing one record at once in this process (each is also
  // logged): a record held by a doc changes only through the doc.
  static std::uint64_t writerClashes();

  struct Fields;
  // How many kinds of fields records share (by what is present of them, whatever they hold): a doc keeps
  // one of each for its records (Vellisto_BigDoc::sharedFields).
  static constexpr std::size_t kSharedFieldKinds = 24;

 private:
  // What one glance tells a search about the fields, without reading them.
  static constexpr std::uint8_t kHintAlias = 1;  // a non-empty alias
  static constexpr std::uint8_t kHintApp = 2;
  static constexpr std::uint8_t kHintOcr = 4;
  static constexpr std::uint8_t kHintWords = 8;  // a non-empty search-word list
  static constexpr std::uint8_t kHintAppCopied = 16;

  static std::shared_ptr<Vellisto_Chunk> makeComplete(std::string sig, std::string timestamp,
                                                      std::string context, std::optional<std::string> rich,
                                                      std::optional<Json> json,
                                                      std::optional<std::string> alias);
  // A record whose allocation holds the text after it.
  static std::shared_ptr<Vellisto_Chunk> withText(std::string_view text);
  const char* textData() const { return reinterpret_cast<const char*>(this) + sizeof(Vellisto_Chunk); }
  void setSig(const std::string& sig);
  FieldsRef fields() const;
  static std::optional<Json> jsonOf(const Fields& fields);
  struct Stamp;
  Stamp stamp() const;
  // While the record is made: its fields, signature and time stamp at once.
  void settle(Fields fields, const std::string& sig, std::string timestamp);
  // Publishes the fields `change` makes of a copy of the current ones, with `stamp` as the time stamp's
  // microseconds when given, as one change.
  void changeFields(const std::function<void(Fields&)>& change,
                    std::optional<std::int64_t> stamp = std::nullopt);
  // Replaces the fields, their hints and (when given) the stamp at once, under fieldsState_'s hold.
  void publish(FieldsRef fields, std::optional<std::int64_t> stamp = std::nullopt);

  // What every search reads of every record comes first, next to the reference counts that a
  // make_shared record keeps just before it: a search walks a hundred thousand records, and each cache
  // line it need not fetch is time the user waits.
  std::atomic<std::uint8_t> flag_{0};
  std::atomic<std::uint8_t> hints_{0};
  // Bit 1 is held only to copy or swap the pointer to the fields (a spin of a few instructions); bit 2
  // marks a change under way, so that a second writer at the same time is caught.
  mutable std::atomic<std::uint8_t> fieldsState_{0};
  // The traits are written whole before traitsFlags_ gets its ready bit (release), and read after it
  // is seen (acquire); two searches that work them out at once store the same values.
  mutable std::atomic<std::uint8_t> traitsFlags_{0};
  std::uint32_t textSize_ = 0;
  // The time stamp in microseconds when it is written "%f" of a time the microseconds hold exactly
  // (every time stamp this program makes); else kStampInFields, and the fields hold its text.
  std::atomic<std::int64_t> stampMicros_{0};
  mutable std::atomic<std::uint64_t> traitsSpecials_{0};
  mutable std::atomic<std::uint64_t> traitsBytesLow_{0};
  mutable std::atomic<std::uint64_t> traitsBytesHigh_{0};
  mutable std::array<std::atomic<std::uint64_t>, BigramSet::kWords> traitsBigrams_{};
  // The fields that change, what is rare (a signature or time stamp of another form, rich text) and the
  // doc; the records of a doc with nothing of the sort share one value. Read and replaced under
  // fieldsState_'s hold.
  const Fields* fields_ = nullptr;
  RecordSignature sig_;
};

}  // namespace vl
