#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vl {

// Turns a doc text into the bytes of its file and back.
class Vellisto_CodecDelegate {
 public:
  struct Decoded {
    std::string text;
    // False when the data was cut off or damaged; `text` is then what could be read before the fault.
    bool complete = true;
    std::string error;
    // Bytes after the end of the data, which the text does not cover; a file holding them is damaged.
    std::size_t trailingBytes = 0;
  };

  virtual ~Vellisto_CodecDelegate() = default;
  // Nothing when the text cannot be encoded (the empty text included).
  virtual std::optional<std::string> encode(std::string_view text) = 0;
  // Nothing when the data cannot be decoded completely.
  virtual std::optional<std::string> decode(std::string_view data) = 0;
  // What a damaged file still holds. A codec that cannot tell gives all or nothing.
  virtual Decoded decodeReadable(std::string_view data) {
    Decoded decoded;
    if (auto text = decode(data)) {
      decoded.text = std::move(*text);
    } else {
      decoded.complete = false;
      decoded.error = "cannot decode";
    }
    return decoded;
  }
};

}  // namespace vl
