#include "VLEngine/doc/bigdoc/Vellisto_DefaultCodec.h"

#include "VLEngine/doc/gzip/GzipUtility.h"

namespace vl {

std::optional<std::string> Vellisto_DefaultCodec::encode(std::string_view text) {
  return GzipUtility::gzipData(text);
}

// Text bytes are handed on as they stand, not validated as UTF-8: a stray invalid byte in one record must
// not cost the whole doc.
std::optional<std::string> Vellisto_DefaultCodec::decode(std::string_view data) {
  GzipUtility::Inflated inflated = GzipUtility::ungzipReadable(data, maxTextBytes_);
  if (!inflated.complete) return std::nullopt;
  return std::move(inflated.data);
}

Vellisto_CodecDelegate::Decoded Vellisto_DefaultCodec::decodeReadable(std::string_view data) {
  GzipUtility::Inflated inflated = GzipUtility::ungzipReadable(data, maxTextBytes_);
  Decoded decoded;
  decoded.text = std::move(inflated.data);
  decoded.complete = inflated.complete;
  decoded.error = std::move(inflated.error);
  decoded.trailingBytes = inflated.trailingBytes;
  return decoded;
}

}  // namespace vl
