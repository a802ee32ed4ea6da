#include "sync/store/AuthorizedBean.h"

#include <cmath>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Crypto.h"
#include "platform/foundation/Text.h"

namespace vl {

AuthorizedBean AuthorizedBean::ofDeviceId(const std::string& deviceId, const std::string& deviceName) {
  AuthorizedBean bean;
  bean.deviceId = cutToUtf16Length(sanitizeUtf8(deviceId), kMaxDeviceIdLength);
  bean.deviceName = cutToUtf16Length(sanitizeUtf8(deviceName), kMaxDeviceNameLength);
  bean.accessToken = uuidString();
  bean.authTime = Clock::current().now();
  return bean;
}

Json AuthorizedBean::toJson() const {
  return Json{{"deviceId", deviceId},
              {"deviceName", deviceName},
              {"accessToken", accessToken},
              {"authTime", authTime}};
}

std::optional<AuthorizedBean> AuthorizedBean::fromJson(const Json& value) {
  if (!value.is_object()) return std::nullopt;
  AuthorizedBean bean;
  bean.accessToken = jsonString(value, "accessToken");
  if (bean.accessToken.empty()) return std::nullopt;
  bean.deviceId = cutToUtf16Length(jsonString(value, "deviceId"), kMaxDeviceIdLength);
  bean.deviceName = cutToUtf16Length(jsonString(value, "deviceName"), kMaxDeviceNameLength);
  bean.authTime = jsonDouble(value, "authTime");
  if (!std::isfinite(bean.authTime)) bean.authTime = 0;  // the table is ordered by it
  return bean;
}

}  // namespace vl
