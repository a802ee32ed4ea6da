#pragma once

#include "VLEngine/Vellisto_CodecDelegate.h"

namespace vl {

// Doc files are one gzip member of the UTF-8 doc text.
class Vellisto_DefaultCodec : public Vellisto_CodecDelegate {
 public:
  std::optional<std::string> encode(std::string_view text) override;
  std::optional<std::string> decode(std::string_view data) override;
  Decoded decodeReadable(std::string_view data) override;
};

}  // namespace vl
