#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/foundation/Json.h"

namespace vl {

// The serving device's request handlers. The service hands each request over as a dictionary keyed
// by wire field names, on the server's event-loop thread, and turns the reply back into the wire
// response. Every reply holds "status" = {"code": number, "msg": text}; a reply that doesn't, or
// that carries a key of the wrong type, is answered with code 500.
class ServerRequestHandler {
 public:
  virtual ~ServerRequestHandler() = default;

  // {"device_id", "network_id", "device_name", "password", "peer"} ("peer": the caller's address as
  // gRPC names it, e.g. "ipv4:192.168.1.20:53012"; "" when unknown)
  // -> "status", optional "access_token", "network_id", "netowrk_name".
  virtual Json auth(const Json& request) = 0;
  // {"access_token", "timestamp" (double), "chunks" (records)}
  // -> "status", optional "timestamp", "req_sigs", "chunks".
  virtual Json getChunks(const Json& request) = 0;
  // {"access_token", "chunks"} -> "status", optional "sigs".
  virtual Json sendChunks(const Json& request) = 0;
  // {"access_token", "chunk_sig"} -> "status", optional "data" (bytes).
  virtual Json getMediameta(const Json& request) = 0;
  // One uploaded slice: {"access_token", "chunk_sig", "data" (bytes), "total_packages"}.
  virtual void sendMediametaMessage(const Json& request) = 0;
  // The same slice as the service reads it, its bytes handed over rather than copied into a dictionary
  // (an image travels in slices of 3 MiB). By default it goes on to sendMediametaMessage.
  struct MediaSlice {
    std::string accessToken;
    std::string chunkSig;
    std::int32_t totalPackages = 0;
    std::string data;
  };
  virtual void sendMediametaSlice(MediaSlice slice) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(slice.data.data());
    sendMediametaMessage(
        Json{{"access_token", std::move(slice.accessToken)},
             {"chunk_sig", std::move(slice.chunkSig)},
             {"data", Json::binary(std::vector<std::uint8_t>(first, first + slice.data.size()))},
             {"total_packages", slice.totalPackages}});
  }
  // The upload's end: {"chunk_sig", "access_token", "slices"} (the sig and token of the stream's last
  // slice, both "" for a stream without slices; the number of slices it brought) -> "status".
  virtual Json sendMediametaEnd(const Json& request) = 0;
  // {"access_token"} -> "status".
  virtual Json bye(const Json& request) = 0;

  // An upload whose stream ended before all of its announced slices arrived: {"chunk_sig",
  // "access_token"}. Its slices must not be taken for a whole image. -> "status" of the call's answer;
  // by default 500.
  virtual Json sendMediametaAbort(const Json& request) {
    (void)request;
    return Json{{"status", {{"code", 500}, {"msg", "The upload ended before all of its slices arrived."}}}};
  }
};

}  // namespace vl
