#pragma once

#include <grpcpp/support/byte_buffer.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sync_network.pb.h"

// The two image streams' messages built straight onto the wire. An image goes in slices of up to
// 3 MiB; letting the Protocol Buffers library build each message would copy every slice twice (into
// the message, then into the encoded bytes). Here a message is its other fields, encoded by the library,
// around a view of the image's own bytes, which the message shares until gRPC has sent it. The bytes on
// the wire are exactly those the library would write for the same message.
namespace vl::syncwire {

using SharedBytes = std::shared_ptr<const std::vector<std::uint8_t>>;

// A SendMediametaRequest whose data is bytes [offset, offset + length) of `image`.
grpc::ByteBuffer uploadMessage(const std::string& accessToken, const std::string& chunkSig,
                               std::int32_t totalPackages, const SharedBytes& image, std::size_t offset,
                               std::size_t length);

// A GetMediametaResponse whose data is bytes [offset, offset + length) of `image` (`image` may be null
// when `length` is 0).
grpc::ByteBuffer downloadMessage(const syncnetwork::Status& status, const std::string& chunkSig,
                                 const SharedBytes& image, std::size_t offset, std::size_t length,
                                 std::int32_t totalPackages, bool end);

// One GetMediametaResponse as it came off the wire, its data read once into a buffer of its own.
struct DownloadedSlice {
  syncnetwork::Status status;
  std::string chunkSig;
  std::vector<std::uint8_t> data;
  std::int32_t totalPackages = 0;
  bool end = false;
};
// Reads `buffer` by the Protocol Buffers rules (unknown fields skipped, the last of repeated scalars
// kept); false when it is not a valid encoding.
bool readDownloadMessage(grpc::ByteBuffer& buffer, DownloadedSlice* out);

}  // namespace vl::syncwire
