#include "theme/VLAppearanceToken.h"

namespace vl {

const std::string& VLAppearanceToken::text() const {
  static const std::string empty;
  return value_ ? *value_ : empty;
}

}  // namespace vl
