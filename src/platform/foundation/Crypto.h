#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vl {

// Lowercase hexadecimal MD5 (32 characters). Used as a content signature, not for security.
std::string md5Hex(std::string_view data);
// Lowercase hexadecimal SHA-256 (64 characters).
std::string sha256Hex(std::string_view data);
// A random (version 4) UUID as 36 uppercase characters, e.g. "1B4E28BA-2FA1-41D2-883F-0016D3CCA427".
std::string uuidString();
// Cryptographically strong random bytes; aborts only if the system has no entropy source at all.
std::string randomBytes(std::size_t count);
std::string hexString(std::string_view bytes, bool uppercase = false);

}  // namespace vl
