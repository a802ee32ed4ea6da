#pragma once

#include <string>

#include "platform/foundation/Json.h"

namespace vl {

// The error value failures are reported with: a fixed domain, a code and a "message" entry.
class VLError {
 public:
  static constexpr const char* kDomain = "com.vellisto.error";

  static VLError ofCode(long code, const std::string& message);

  const std::string& domain() const { return domain_; }
  long code() const { return code_; }
  // {"message": message}
  const Json& userInfo() const { return userInfo_; }
  std::string message() const { return jsonString(userInfo_, "message"); }

 private:
  VLError(long code, Json userInfo);

  std::string domain_ = kDomain;
  long code_ = 0;
  Json userInfo_;
};

}  // namespace vl
