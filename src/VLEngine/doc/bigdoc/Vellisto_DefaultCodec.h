#pragma once

#include "VLEngine/doc/bigdoc/Vellisto_CodecDelegate.h"
#include "VLEngine/doc/gzip/GzipUtility.h"

namespace vl {

// Doc files are one gzip member of the UTF-8 doc text.
class Vellisto_DefaultCodec : public Vellisto_CodecDelegate {
 public:
  // Decoding stops at `maxTextBytes` of text, which counts as damage.
  explicit Vellisto_DefaultCodec(std::size_t maxTextBytes = GzipUtility::kMaxInflatedBytes)
      : maxTextBytes_(maxTextBytes) {}

  std::optional<std::string> encode(std::string_view text) override;
  std::optional<std::string> decode(std::string_view data) override;
  Decoded decodeReadable(std::string_view data) override;

 private:
  std::size_t maxTextBytes_;
};

}  // namespace vl
