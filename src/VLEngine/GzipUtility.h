#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vl {

// gzip streams through zlib. Byte strings are held in std::string.
class GzipUtility {
 public:
  // What inflating gave before it stopped.
  struct Inflated {
    std::string data;
    // True when the first gzip member ended with its trailer checked; false for a cut-off, corrupt or
    // foreign stream, whose `data` is what could be read before the fault.
    bool complete = false;
    std::string error;  // zlib's message when not complete
  };

  // Empty input gives nothing; otherwise one gzip member at zlib's default level.
  static std::optional<std::string> gzipData(std::string_view input);
  // Empty input gives the empty data; a stream that does not end cleanly gives nothing. Only the first
  // member counts: bytes after it are ignored.
  static std::optional<std::string> ungzipData(std::string_view input);
  // Like ungzipData, but keeps what was read up to a fault.
  static Inflated ungzipReadable(std::string_view input);
};

}  // namespace vl
