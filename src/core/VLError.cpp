#include "core/VLError.h"

#include <utility>

namespace vl {

VLError::VLError(long code, Json userInfo) : code_(code), userInfo_(std::move(userInfo)) {}

VLError VLError::ofCode(long code, const std::string& message) {
  return VLError(code, Json{{"message", message}});
}

}  // namespace vl
