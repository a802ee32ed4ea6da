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
    // Bytes that follow the end of the first member, which nothing reads.
    std::size_t trailingBytes = 0;
  };

  // Far more text than a doc of a thousand clips holds: inflating stops here, so a small file that
  // claims gigabytes (a gzip bomb) costs a bounded amount of memory and time.
  static constexpr std::size_t kMaxInflatedBytes = std::size_t{512} << 20;

  // Empty input gives nothing; otherwise one gzip member at zlib's default level.
  static std::optional<std::string> gzipData(std::string_view input);
  // Empty input gives the empty data; a stream that does not end cleanly gives nothing. Only the first
  // member counts: bytes after it are ignored.
  static std::optional<std::string> ungzipData(std::string_view input);
  // Like ungzipData, but keeps what was read up to a fault. Output beyond `maxOutput` is a fault
  // (logged), and what was read up to the bound is kept.
  static Inflated ungzipReadable(std::string_view input, std::size_t maxOutput = kMaxInflatedBytes);
};

}  // namespace vl
