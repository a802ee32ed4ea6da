#include "gRPC/Common/MediaSlices.h"

#include <google/protobuf/io/coded_stream.h>
#include <google/protobuf/io/zero_copy_stream_impl_lite.h>
#include <google/protobuf/wire_format_lite.h>
#include <grpcpp/support/proto_buffer_reader.h>
#include <grpcpp/support/slice.h>

#include <algorithm>

namespace vl::syncwire {

namespace {

using google::protobuf::internal::WireFormatLite;
using google::protobuf::io::CodedInputStream;
using google::protobuf::io::CodedOutputStream;

constexpr int kDataField = 3;

void releaseHolder(void* holder) { delete static_cast<SharedBytes*>(holder); }

// A slice over part of `image` that keeps `image` alive for as long as gRPC holds the slice.
grpc::Slice viewOf(const SharedBytes& image, std::size_t offset, std::size_t length) {
  auto* holder = new SharedBytes(image);
  auto* start = const_cast<std::uint8_t*>(image->data() + offset);
  return grpc::Slice(start, length, &releaseHolder, holder);
}

// `head`, then field 3 (the data) as a view, then `tail`: fields 1-2, 3, 4-5 in ascending order, as
// the library writes them. Empty data is not written, as proto3 leaves a default value out.
grpc::ByteBuffer assemble(std::string head, const SharedBytes& image, std::size_t offset, std::size_t length,
                          const std::string& tail) {
  if (length > 0) {
    std::uint8_t key[16];
    std::uint8_t* end = CodedOutputStream::WriteTagToArray(
        WireFormatLite::MakeTag(kDataField, WireFormatLite::WIRETYPE_LENGTH_DELIMITED), key);
    end = CodedOutputStream::WriteVarint64ToArray(length, end);
    head.append(reinterpret_cast<const char*>(key), static_cast<std::size_t>(end - key));
  }
  std::vector<grpc::Slice> slices;
  slices.reserve(3);
  if (!head.empty()) slices.emplace_back(head);
  if (length > 0) slices.push_back(viewOf(image, offset, length));
  if (!tail.empty()) slices.emplace_back(tail);
  return grpc::ByteBuffer(slices.data(), slices.size());
}

}  // namespace

grpc::ByteBuffer uploadMessage(const std::string& accessToken, const std::string& chunkSig,
                               std::int32_t totalPackages, const SharedBytes& image, std::size_t offset,
                               std::size_t length) {
  syncnetwork::SendMediametaRequest head, tail;
  head.set_access_token(accessToken);
  head.set_chunk_sig(chunkSig);
  tail.set_total_packages(totalPackages);
  return assemble(head.SerializeAsString(), image, offset, length, tail.SerializeAsString());
}

grpc::ByteBuffer downloadMessage(const syncnetwork::Status& status, const std::string& chunkSig,
                                 const SharedBytes& image, std::size_t offset, std::size_t length,
                                 std::int32_t totalPackages, bool end) {
  syncnetwork::GetMediametaResponse head, tail;
  *head.mutable_status() = status;
  head.set_chunk_sig(chunkSig);
  tail.set_total_packages(totalPackages);
  tail.set_end(end);
  return assemble(head.SerializeAsString(), image, offset, length, tail.SerializeAsString());
}

bool readDownloadMessage(grpc::ByteBuffer& buffer, DownloadedSlice* out) {
  *out = DownloadedSlice();
  grpc::ProtoBufferReader reader(&buffer);
  if (!reader.status().ok()) return false;
  CodedInputStream in(&reader);
  // Every field but the data is handed to the library as it came, so it reads them by its own rules.
  std::string others;
  {
    google::protobuf::io::StringOutputStream othersStream(&others);
    CodedOutputStream othersOut(&othersStream);
    const std::uint32_t dataKey =
        WireFormatLite::MakeTag(kDataField, WireFormatLite::WIRETYPE_LENGTH_DELIMITED);
    for (std::uint32_t tag = in.ReadTag(); tag != 0; tag = in.ReadTag()) {
      if (tag != dataKey) {
        if (!WireFormatLite::SkipField(&in, tag, &othersOut)) return false;
        continue;
      }
      std::uint32_t length = 0;
      if (!in.ReadVarint32(&length)) return false;
      // A later occurrence replaces an earlier one. The buffer is filled as the bytes are read, never
      // zeroed first.
      out->data.clear();
      out->data.reserve(length);
      while (out->data.size() < length) {
        const void* chunk = nullptr;
        int available = 0;
        if (!in.GetDirectBufferPointer(&chunk, &available) || available <= 0) return false;
        const auto take =
            std::min<std::size_t>(static_cast<std::size_t>(available), length - out->data.size());
        const auto* first = static_cast<const std::uint8_t*>(chunk);
        out->data.insert(out->data.end(), first, first + take);
        in.Skip(static_cast<int>(take));
      }
    }
    if (!in.ConsumedEntireMessage()) return false;
  }
  syncnetwork::GetMediametaResponse fields;
  if (!fields.ParseFromString(others)) return false;
  out->status = fields.status();
  out->chunkSig = fields.chunk_sig();
  out->totalPackages = fields.total_packages();
  out->end = fields.end();
  return true;
}

}  // namespace vl::syncwire
