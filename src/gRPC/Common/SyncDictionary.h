#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Json.h"
#include "sync_network.pb.h"

// Conversions between sync dictionaries (JSON objects keyed by wire field names) and the wire
// messages, shared by the client and the server.
namespace vl::syncwire {

// Largest number of image bytes in one streamed message, both directions.
inline constexpr std::int64_t kPackageSize = 3145728;
// Both ends accept and send messages up to this size; a slice plus its envelope is far below it, and
// a large batch of records still fits.
inline constexpr int kMaxMessageBytes = 64 * 1024 * 1024;
inline constexpr int kDefaultPort = 21900;
// How far each end lets an image stream run ahead of its reader: more than two slices, so the next
// slice is on its way while one is read.
inline constexpr int kStreamWindowBytes = 8 * 1024 * 1024;

// The port a serving device listens on: kDefaultPort, unless VELLISTO_SYNC_PORT names another valid
// port (two instances on one machine, tests of the layers above).
int syncPort();

// Number of slices an image of `bytes` bytes travels in.
std::int64_t sliceCount(std::size_t bytes);

// {"code": code, "msg": msg}
Json statusDictionary(int code, const std::string& msg);
// {"status": {"code": code, "msg": msg}}
Json statusReply(int code, const std::string& msg);
// The status of a response; an absent status reads as code 0 with an empty msg.
Json statusDictionary(const syncnetwork::Status& status);

// The record dictionary of a wire record: "sig", "timestamp", "alias", "context", "rich", "json".
Json recordFromChunk(const syncnetwork::Chunk& chunk);
Json recordsFromChunks(const google::protobuf::RepeatedPtrField<syncnetwork::Chunk>& chunks);

// Proto3 strings must be UTF-8 or the peer rejects the whole message; a record with a stray byte is
// sent with U+FFFD in its place rather than holding up every record in the same call.
std::string wireText(std::string_view text);

// JSON text that comes from a peer (the description of a network it advertises) is bounded while the
// parser reads it: text longer than kMaxPeerJsonBytes is refused unread, and the parse stops at the
// first container nested deeper than kMaxPeerJsonDepth, before anything deeper is built. A refusal
// gives nullopt, one log line and, when asked for, the reason in `error`.
inline constexpr int kMaxPeerJsonDepth = 64;
inline constexpr std::size_t kMaxPeerJsonBytes = 1024 * 1024;
std::optional<Json> parsePeerJson(std::string_view text, std::string* error = nullptr,
                                  int maxDepth = kMaxPeerJsonDepth, std::size_t maxBytes = kMaxPeerJsonBytes);

// Reads typed values out of a dictionary. The first problem (a missing required key, a value of
// another type) is kept and every later read fails, so a caller checks ok() once at the end.
class DictionaryReader {
 public:
  explicit DictionaryReader(const Json& dictionary);

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  bool has(std::string_view key) const;

  // A missing optional key leaves `out` untouched; a present key must have the right type.
  bool text(std::string_view key, std::string* out, bool required = true);
  // Any JSON number, as a double.
  bool number(std::string_view key, double* out, bool required = true);
  // An integral number that fits in 32 bits.
  bool int32(std::string_view key, std::int32_t* out, bool required = true);
  // A byte block (a JSON binary value).
  bool bytes(std::string_view key, std::string* out, bool required = true);
  bool textList(std::string_view key, google::protobuf::RepeatedPtrField<std::string>* out,
                bool required = true);
  // A list of record dictionaries, each with all six keys.
  bool records(std::string_view key, google::protobuf::RepeatedPtrField<syncnetwork::Chunk>* out,
               bool required = true);
  // "status": {"code": 32-bit integer, "msg": text}.
  bool status(syncnetwork::Status* out);

  // Fails the reader with `problem` unless it has failed already.
  void fail(std::string problem);

 private:
  const Json* find(std::string_view key, bool required);
  // The value under `key` when `is` holds for it; else nullptr, with `*result` what the read answers:
  // ok() for a key that is absent (a failure when required), false for a value of another kind (`what`).
  const Json* typed(std::string_view key, bool required, bool (Json::*is)() const noexcept, const char* what,
                    bool* result);
  bool chunk(const Json& record, std::size_t index, syncnetwork::Chunk* out);

  const Json& dictionary_;
  std::string error_;
};

}  // namespace vl::syncwire
