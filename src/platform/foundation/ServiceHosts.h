#pragma once

#include <string>
#include <string_view>

namespace vl {

// Where an online service lives, as a base address ("https://www.example.org", no trailing "/"): the
// caller's public default, unless $VELLISTO_SERVICES names a JSON object file that maps the service's
// name to another base ({"google": "http://127.0.0.1:8080"}), as tests do to reach a loopback server.
// Only http and https bases with a host and no query count; anything else in the file is logged and the
// default stays. The file is read at each call (it is small and asked rarely), bounded in size and depth.
std::string serviceBaseURL(std::string_view service, std::string_view fallback);

inline constexpr const char* kServicesFileVariable = "VELLISTO_SERVICES";

}  // namespace vl
