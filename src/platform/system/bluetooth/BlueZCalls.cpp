#include "platform/system/bluetooth/BlueZCalls.h"

#include <cctype>

#include "platform/foundation/Log.h"

namespace vl::bluetooth::bluez {

const Properties* interfaceOf(const Interfaces& interfaces, const std::string& interface) {
  auto it = interfaces.find(interface);
  return it == interfaces.end() ? nullptr : &it->second;
}

void sendAsync(sdbus::IProxy& proxy, const std::string& interface, const std::string& method,
               const Arguments& arguments, std::chrono::milliseconds timeout, RawReply done) {
  auto guarded = [done = std::move(done)](sdbus::MethodReply* reply, const std::string& error) {
    try {
      done(reply, error);
    } catch (const std::exception& e) {
      logErrorf("bluetooth: handling the reply failed: %s", e.what());
    }
  };
  std::string failure;
  try {
    auto call = proxy.createMethodCall(interface, method);
    if (arguments) arguments(call);
    const auto usec = std::chrono::duration_cast<std::chrono::microseconds>(timeout).count();
    (void)proxy.callMethod(
        call,
        [guarded](sdbus::MethodReply& reply, const sdbus::Error* error) {
          if (error) {
            const std::string text = error->getMessage();
            guarded(nullptr, error->getName() + (text.empty() ? "" : " (" + text + ")"));
          } else {
            guarded(&reply, {});
          }
        },
        static_cast<std::uint64_t>(usec));
    return;
  } catch (const sdbus::Error& e) {
    failure = e.getName() + " (" + e.getMessage() + ")";
  }
  guarded(nullptr, failure);
}

std::string lowerUUID(std::string uuid) {
  for (char& c : uuid) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return uuid;
}

std::string shortError(const std::string& error) {
  for (const char* prefix : {"org.bluez.Error.", "org.freedesktop.DBus.Error."}) {
    const std::string p(prefix);
    if (error.rfind(p, 0) == 0) return error.substr(p.size());
  }
  return error;
}

}  // namespace vl::bluetooth::bluez
