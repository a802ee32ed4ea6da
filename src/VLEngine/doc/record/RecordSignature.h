#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace vl {

// A record signature as the 16 bytes of the MD5 that its 32 lowercase hexadecimal characters spell:
// a hundred thousand records keep their signature in half the room, and an index compares and hashes
// two words instead of a text.
struct RecordSignature {
  std::array<std::uint8_t, 16> bytes{};

  // Nothing for any text but 32 lowercase hexadecimal characters (a damaged doc, a peer's text).
  static std::optional<RecordSignature> ofHex(std::string_view hex) {
    if (hex.size() != 32) return std::nullopt;
    RecordSignature sig;
    for (std::size_t i = 0; i < 16; ++i) {
      const int high = digit(hex[2 * i]);
      const int low = digit(hex[2 * i + 1]);
      if (high < 0 || low < 0) return std::nullopt;
      sig.bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return sig;
  }

  std::string hex() const {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out(32, '0');
    for (std::size_t i = 0; i < 16; ++i) {
      out[2 * i] = kDigits[bytes[i] >> 4];
      out[2 * i + 1] = kDigits[bytes[i] & 15];
    }
    return out;
  }

  bool operator==(const RecordSignature&) const = default;

  // The bytes are an MD5 already: any eight of them spread well.
  struct Hash {
    std::size_t operator()(const RecordSignature& sig) const noexcept {
      std::uint64_t word = 0;
      std::memcpy(&word, sig.bytes.data(), sizeof word);
      return static_cast<std::size_t>(word);
    }
  };

 private:
  static int digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  }
};

}  // namespace vl
