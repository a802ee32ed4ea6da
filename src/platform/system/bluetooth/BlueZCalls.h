#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

// What the BlueZ backends share on the system bus thread: names of BlueZ's interfaces, the shapes of
// its property maps, and calls whose replies cannot hurt the connection.
namespace vl::bluetooth::bluez {

inline constexpr const char* kService = "org.bluez";
inline constexpr const char* kAdapter = "org.bluez.Adapter1";
inline constexpr const char* kDevice = "org.bluez.Device1";
inline constexpr const char* kGattManager = "org.bluez.GattManager1";
inline constexpr const char* kGattService = "org.bluez.GattService1";
inline constexpr const char* kGattCharacteristic = "org.bluez.GattCharacteristic1";
inline constexpr const char* kAdvertisingManager = "org.bluez.LEAdvertisingManager1";
inline constexpr const char* kAdvertisement = "org.bluez.LEAdvertisement1";
inline constexpr const char* kObjectManager = "org.freedesktop.DBus.ObjectManager";
inline constexpr const char* kProperties = "org.freedesktop.DBus.Properties";

using Properties = std::map<std::string, sdbus::Variant>;
using Interfaces = std::map<std::string, Properties>;
using ManagedObjects = std::map<sdbus::ObjectPath, Interfaces>;

// The property `key` when it holds a T; nothing when absent or of another type.
template <typename T>
std::optional<T> property(const Properties& properties, const std::string& key) {
  auto it = properties.find(key);
  if (it == properties.end() || !it->second.containsValueOfType<T>()) return std::nullopt;
  try {
    return it->second.get<T>();
  } catch (const sdbus::Error&) {
    return std::nullopt;
  }
}
// The properties of `interface`, or nullptr.
const Properties* interfaceOf(const Interfaces& interfaces, const std::string& interface);

using Arguments = std::function<void(sdbus::MethodCall& call)>;
// The raw outcome: the reply, or nullptr with the error's name and text.
using RawReply = std::function<void(sdbus::MethodReply* reply, const std::string& error)>;

// Sends a call without waiting; `done` runs on the bus thread when the reply, an error or the time-out
// arrives, and an exception it throws is logged, never let into sd-bus. A call that cannot be sent at
// all reports its error at once.
void sendAsync(sdbus::IProxy& proxy, const std::string& interface, const std::string& method,
               const Arguments& arguments, std::chrono::milliseconds timeout, RawReply done);

// The same with the reply read as `Results`: `done` gets "" and the values, or the error and empty
// values. A reply of another shape is an error ("malformed reply"), so a hostile answer costs nothing.
template <typename... Results>
void callAsync(sdbus::IProxy& proxy, const std::string& interface, const std::string& method,
               const Arguments& arguments, std::chrono::milliseconds timeout,
               std::type_identity_t<std::function<void(const std::string& error, Results... results)>> done) {
  sendAsync(proxy, interface, method, arguments, timeout,
            [done = std::move(done)](sdbus::MethodReply* reply, const std::string& error) {
              if (!reply) {
                done(error.empty() ? std::string("no reply") : error, Results{}...);
                return;
              }
              std::tuple<Results...> values;
              bool ok = true;
              try {
                std::apply([&](auto&... v) { ((*reply >> v), ...); }, values);
                ok = static_cast<bool>(*reply);
              } catch (const sdbus::Error&) {
                ok = false;
              }
              if (!ok) {
                done("malformed reply", Results{}...);
                return;
              }
              std::apply([&](auto&... v) { done(std::string(), std::move(v)...); }, values);
            });
}

// BlueZ writes UUIDs in lower case.
std::string lowerUUID(std::string uuid);

// The error's name without the "org.bluez.Error." or "org.freedesktop.DBus.Error." prefix, for log lines.
std::string shortError(const std::string& error);

}  // namespace vl::bluetooth::bluez
