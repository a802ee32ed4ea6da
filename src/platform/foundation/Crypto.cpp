#include "platform/foundation/Crypto.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdlib>
#include <memory>

#include "platform/foundation/Log.h"

namespace vl {

namespace {

std::string digestHex(const EVP_MD* md, std::string_view data) {
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  if (!ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1 ||
      EVP_DigestUpdate(ctx.get(), data.data(), data.size()) != 1 ||
      EVP_DigestFinal_ex(ctx.get(), out, &len) != 1) {
    logError("crypto: digest failed");
    return {};
  }
  return hexString(std::string_view(reinterpret_cast<const char*>(out), len));
}

}  // namespace

std::string md5Hex(std::string_view data) { return digestHex(EVP_md5(), data); }

std::string sha256Hex(std::string_view data) { return digestHex(EVP_sha256(), data); }

std::string randomBytes(std::size_t count) {
  std::string out(count, '\0');
  if (count == 0) return out;
  if (RAND_bytes(reinterpret_cast<unsigned char*>(out.data()), static_cast<int>(count)) != 1) {
    // Identifiers made from predictable bytes would collide across devices; better to stop loudly.
    logError("crypto: no source of random bytes");
    std::abort();
  }
  return out;
}

std::string hexString(std::string_view bytes, bool uppercase) {
  const char* digits = uppercase ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 0xf]);
  }
  return out;
}

std::string uuidString() {
  std::string bytes = randomBytes(16);
  bytes[6] = static_cast<char>((static_cast<unsigned char>(bytes[6]) & 0x0f) | 0x40);  // version 4
  bytes[8] = static_cast<char>((static_cast<unsigned char>(bytes[8]) & 0x3f) | 0x80);  // RFC 4122 variant
  std::string hex = hexString(bytes, true);
  return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" +
         hex.substr(20);
}

}  // namespace vl
