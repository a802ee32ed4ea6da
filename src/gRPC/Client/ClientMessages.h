#pragma once

#include <string>

#include "gRPC/Common/MediaSlices.h"
#include "platform/foundation/Json.h"
#include "sync_network.pb.h"

// The client's side of the dictionary/message mapping. Builders check every key before anything is
// sent and leave the reason in `error` when they refuse.
namespace vl::clientmessages {

bool authRequest(const Json& request, syncnetwork::AuthRequest* out, std::string* error);
bool byeRequest(const Json& request, syncnetwork::ByeRequest* out, std::string* error);
bool getChunksRequest(const Json& request, syncnetwork::GetChunksRequest* out, std::string* error);
[[nodiscard]] bool sendChunksRequest(const Json& request, syncnetwork::SendChunksRequest* out,
                                     std::string* error);
bool getMediametaRequest(const Json& request, syncnetwork::GetMediametaRequest* out, std::string* error);

// The upload: the image bytes to slice (shared by the slices on their way) and the fields every slice
// repeats.
struct Upload {
  syncwire::SharedBytes data;
  std::string accessToken;
  std::string chunkSig;
};
// Takes the request's "data" over, without a copy of its own.
[[nodiscard]] bool upload(Json request, Upload* out, std::string* error);

// Success replies; the Auth reply names field 4 "network_name".
Json authReply(const syncnetwork::AuthResponse& response);
Json byeReply(const syncnetwork::ByeResponse& response);
Json getChunksReply(const syncnetwork::GetChunksResponse& response);
Json sendChunksReply(const syncnetwork::SendChunksResponse& response);
Json sendMediametaReply(const syncnetwork::SendMediametaResponse& response);
// One streamed download message, as the media handler receives it; its data is taken over.
Json mediaMessage(syncwire::DownloadedSlice&& message);

}  // namespace vl::clientmessages
