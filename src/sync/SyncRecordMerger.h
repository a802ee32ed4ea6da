#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Json.h"

namespace vl {

// Merges record dictionaries that another device sent ("sig", "timestamp", "alias", "context", "rich",
// "json") into this device's clipboard history. The serving handlers use it for pushed records and for
// the records of a first sync; the joined device's session uses it for the records a poll brings.
//
// Each record is looked up by its context and json (the record signature):
//  - found, and the stored timestamp is equal or later: left alone;
//  - found, and earlier: it takes the received timestamp;
//  - not found: appended with the received alias and timestamp; a new image record is registered with
//    the FileTransferCenter, and its sig collected, so its bytes may follow.
// Every record merged moves to the head of the clipboard tab's recent list (unless that list is empty).
//
// Records from a peer are checked before anything changes: a list that is not an array of objects, one
// longer than kMaxRecordsPerCall, or any timestamp that is not a finite number refuses the whole call.
// Records whose json names an application ("app") or a file ("file") stay on their own device and are
// dropped. The received "sig" is never trusted: a record is known by the signature computed here.
// A text longer than the longest text kept (settings key 102) is cut as a copy made here would be, before
// it is looked up, so the same long text arriving again finds its record.
class SyncRecordMerger {
 public:
  // Far above what a device sends at once (a push carries one record, a first sync 20, a poll's page a
  // few hundred), and low enough that one call cannot take the memory of the machine.
  static constexpr std::size_t kMaxRecordsPerCall = 1000;
  // Contexts one merged copy may replace.
  static constexpr std::size_t kMaxMergingCopyParts = 100;
  static constexpr const char* kMergingCopySeparator = "__MERGING_COPY__";

  enum class Mode {
    // Records a device pushed as it copied them (SendChunks): the rich text is kept, a json
    // "merging_copy" first deletes the plain records it replaced, and the list animates the arrival.
    Push,
    // Records of a first sync or a poll (GetChunks): appended without rich text, "merging_copy" not
    // looked at, no arrival animation.
    Sync,
  };

  struct Outcome {
    // Sigs of the new image records, registered for their bytes.
    std::vector<std::string> imageSigs;
    // Every record appended or given a newer stamp, with that stamp.
    struct Merged {
      std::string sig;
      double stamp = 0;
    };
    std::vector<Merged> mergedRecords;
    // Texts cut to the longest text kept.
    std::size_t cut = 0;
    std::size_t appended = 0;
    std::size_t updated = 0;
    std::size_t unchanged = 0;
    std::size_t dropped = 0;
    std::size_t merged() const { return appended + updated; }
  };

  // Nothing, with the reason in `error`, when the list is refused; nothing has changed then.
  static std::optional<Outcome> merge(const Json& records, Mode mode, std::string* error = nullptr);

  // A record timestamp ("%f" seconds since 1970) as a finite number; nothing for anything else
  // ("", "abc", "nan", "inf", "1e999", trailing text).
  static std::optional<double> parseTimestamp(const std::string& text);
};

}  // namespace vl
