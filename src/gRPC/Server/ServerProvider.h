#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gRPC/Common/MediaSlices.h"
#include "gRPC/Server/ServerRequestHandler.h"
#include "platform/foundation/Json.h"
#include "sync_network.pb.h"

namespace vl {

// The messages that answer one GetMediameta request: the image in slices of at most PACKAGE_SIZE
// bytes, or one empty message with end set when there is no image to send.
class MediametaStream {
 public:
  MediametaStream(syncnetwork::Status status, std::string chunkSig, std::vector<std::uint8_t> data,
                  bool hasData);

  std::size_t count() const;
  // Message `index` as it goes on the wire: its slice of the image is shared, not copied.
  grpc::ByteBuffer wireMessage(std::size_t index) const;
  // The same message read back.
  syncnetwork::GetMediametaResponse message(std::size_t index) const;
  int statusCode() const { return status_.code(); }

 private:
  syncnetwork::Status status_;
  std::string chunkSig_;
  syncwire::SharedBytes data_;
  bool hasData_;
};

class MediametaUpload;

// The service's six calls over the request handlers. Owns no sync logic: requests become
// dictionaries, replies become responses. Runs on the server's loop thread only.
class ServerProvider {
 public:
  static constexpr std::int64_t PACKAGE_SIZE = 3145728;

  explicit ServerProvider(std::shared_ptr<ServerRequestHandler> handler);

  // `peer` is the caller's address as gRPC gives it ("ipv4:192.168.1.20:53012"); Auth hands it to the
  // handler, which limits failed attempts per address.
  syncnetwork::AuthResponse auth(const syncnetwork::AuthRequest& request, const std::string& peer = {});
  syncnetwork::GetChunksResponse getChunks(const syncnetwork::GetChunksRequest& request,
                                           const std::string& peer = {});
  syncnetwork::SendChunksResponse sendChunks(const syncnetwork::SendChunksRequest& request,
                                             const std::string& peer = {});
  MediametaStream getMediameta(const syncnetwork::GetMediametaRequest& request);
  // The event handler of one SendMediameta call.
  std::unique_ptr<MediametaUpload> sendMediameta();
  syncnetwork::ByeResponse bye(const syncnetwork::ByeRequest& request, const std::string& peer = {});

 private:
  friend class MediametaUpload;
  // Runs one handler; a missing handler or one that throws gives a 500 reply.
  Json call(const char* operation, const std::function<Json(ServerRequestHandler&)>& body);

  std::shared_ptr<ServerRequestHandler> handler_;
};

// One upload in progress: each slice goes to the handler as it arrives; the end of the stream ends
// the transfer, unless the stream stopped short of the slices it announced.
class MediametaUpload {
 public:
  explicit MediametaUpload(ServerProvider& provider) : provider_(provider) {}

  // One slice; its bytes are taken out of `request`.
  void message(syncnetwork::SendMediametaRequest& request);
  // The stream has ended (cleanly or not); gives the call's one response.
  syncnetwork::SendMediametaResponse finish();
  std::int64_t slices() const { return received_; }

 private:
  ServerProvider& provider_;
  std::string chunkSig_;
  // The token the slices came with: the end of the stream carries none of its own.
  std::string accessToken_;
  std::int64_t received_ = 0;
  std::int32_t announced_ = 0;
};

}  // namespace vl
