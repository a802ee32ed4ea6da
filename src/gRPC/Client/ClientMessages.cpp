#include "gRPC/Client/ClientMessages.h"

#include <cstdint>
#include <limits>
#include <vector>

#include "gRPC/Common/SyncDictionary.h"

namespace vl::clientmessages {

using syncwire::DictionaryReader;

namespace {

bool finish(const DictionaryReader& reader, std::string* error) {
  if (reader.ok()) return true;
  *error = reader.error();
  return false;
}

Json textList(const google::protobuf::RepeatedPtrField<std::string>& list) {
  Json out = Json::array();
  for (const auto& text : list) out.push_back(text);
  return out;
}

}  // namespace

bool authRequest(const Json& request, syncnetwork::AuthRequest* out, std::string* error) {
  out->Clear();
  DictionaryReader reader(request);
  reader.text("network_id", out->mutable_network_id());
  reader.text("device_id", out->mutable_device_id());
  reader.text("device_name", out->mutable_device_name());
  reader.text("password", out->mutable_password());
  return finish(reader, error);
}

bool byeRequest(const Json& request, syncnetwork::ByeRequest* out, std::string* error) {
  out->Clear();
  DictionaryReader reader(request);
  reader.text("access_token", out->mutable_access_token());
  return finish(reader, error);
}

bool getChunksRequest(const Json& request, syncnetwork::GetChunksRequest* out, std::string* error) {
  out->Clear();
  DictionaryReader reader(request);
  double timestamp = 0;
  reader.text("access_token", out->mutable_access_token());
  reader.number("timestamp", &timestamp);
  reader.records("chunks", out->mutable_chunks(), false);
  out->set_timestamp(timestamp);
  return finish(reader, error);
}

bool sendChunksRequest(const Json& request, syncnetwork::SendChunksRequest* out, std::string* error) {
  out->Clear();
  DictionaryReader reader(request);
  reader.text("access_token", out->mutable_access_token());
  reader.records("chunks", out->mutable_chunks(), false);
  return finish(reader, error);
}

bool getMediametaRequest(const Json& request, syncnetwork::GetMediametaRequest* out, std::string* error) {
  out->Clear();
  DictionaryReader reader(request);
  reader.text("access_token", out->mutable_access_token());
  reader.text("chunk_sig", out->mutable_chunk_sig());
  return finish(reader, error);
}

bool upload(Json request, Upload* out, std::string* error) {
  *out = Upload();
  DictionaryReader reader(request);
  std::vector<std::uint8_t> data;
  auto found = request.is_object() ? request.find("data") : request.end();
  if (!request.is_object() || found == request.end()) {
    reader.fail("missing key \"data\"");
  } else if (!found->is_binary()) {
    reader.fail("\"data\" is not a byte block");
  } else {
    data = std::move(static_cast<std::vector<std::uint8_t>&>(found->get_binary()));
  }
  // Token and sig only travel inside slices, so an empty image may come without them.
  const bool needed = !data.empty();
  reader.text("access_token", &out->accessToken, needed);
  reader.text("chunk_sig", &out->chunkSig, needed);
  if (reader.ok() && syncwire::sliceCount(data.size()) > std::numeric_limits<std::int32_t>::max()) {
    reader.fail("\"data\" needs more slices than a 32-bit count can announce");
  }
  out->data = std::make_shared<const std::vector<std::uint8_t>>(std::move(data));
  return finish(reader, error);
}

Json authReply(const syncnetwork::AuthResponse& response) {
  return Json{{"status", syncwire::statusDictionary(response.status())},
              {"access_token", response.access_token()},
              {"network_id", response.network_id()},
              {"network_name", response.netowrk_name()}};
}

Json byeReply(const syncnetwork::ByeResponse& response) {
  return Json{{"status", syncwire::statusDictionary(response.status())}};
}

Json getChunksReply(const syncnetwork::GetChunksResponse& response) {
  return Json{{"status", syncwire::statusDictionary(response.status())},
              {"chunks", syncwire::recordsFromChunks(response.chunks())},
              {"timestamp", response.timestamp()},
              {"req_sigs", textList(response.req_sigs())}};
}

Json sendChunksReply(const syncnetwork::SendChunksResponse& response) {
  return Json{{"status", syncwire::statusDictionary(response.status())}, {"sigs", textList(response.sigs())}};
}

Json sendMediametaReply(const syncnetwork::SendMediametaResponse& response) {
  return Json{{"status", syncwire::statusDictionary(response.status())}};
}

Json mediaMessage(syncwire::DownloadedSlice&& message) {
  return Json{{"code", message.status.code()},
              {"chunk_sig", std::move(message.chunkSig)},
              {"data", Json::binary(std::move(message.data))},
              {"total_packages", message.totalPackages},
              {"end", message.end}};
}

}  // namespace vl::clientmessages
