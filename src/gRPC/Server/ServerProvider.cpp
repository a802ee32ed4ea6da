#include "gRPC/Server/ServerProvider.h"

#include <grpcpp/impl/codegen/proto_utils.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <utility>
#include <vector>

#include "gRPC/Common/SyncDictionary.h"
#include "platform/foundation/Log.h"

namespace vl {

using syncwire::DictionaryReader;

namespace {

// A reply the service cannot turn into a response: the caller gets 500 and the log says why.
void malformed(const char* operation, const std::string& why, syncnetwork::Status* status) {
  logWarningf("sync server: malformed reply of %s: %s", operation, why.c_str());
  status->set_code(500);
  status->set_msg(std::string("Malformed reply of ") + operation + ": " + why);
}

// Auth's optional strings are taken only when present and text; anything else leaves them empty.
void optionalText(const Json& reply, const char* key, std::string* out) {
  auto it = reply.is_object() ? reply.find(key) : reply.end();
  if (reply.is_object() && it != reply.end() && it->is_string()) {
    *out = syncwire::wireText(it->get_ref<const std::string&>());
  }
}

}  // namespace

ServerProvider::ServerProvider(std::shared_ptr<ServerRequestHandler> handler)
    : handler_(std::move(handler)) {}

Json ServerProvider::call(const char* operation, const std::function<Json(ServerRequestHandler&)>& body) {
  if (!handler_) {
    logWarningf("sync server: no request handler for %s", operation);
    return syncwire::statusReply(500, "The server has no request handler.");
  }
  try {
    return body(*handler_);
  } catch (const std::exception& e) {
    logErrorf("sync server: %s handler threw: %s", operation, e.what());
  } catch (...) {
    logErrorf("sync server: %s handler threw", operation);
  }
  return syncwire::statusReply(500, std::string("The ") + operation + " handler failed.");
}

syncnetwork::AuthResponse ServerProvider::auth(const syncnetwork::AuthRequest& request,
                                               const std::string& peer) {
  const Json reply = call("auth", [&](ServerRequestHandler& handler) {
    return handler.auth(Json{{"device_id", request.device_id()},
                             {"network_id", request.network_id()},
                             {"device_name", request.device_name()},
                             {"password", request.password()},
                             {"peer", peer}});
  });
  syncnetwork::AuthResponse response;
  DictionaryReader reader(reply);
  if (!reader.status(response.mutable_status())) {
    malformed("auth", reader.error(), response.mutable_status());
    return response;
  }
  optionalText(reply, "access_token", response.mutable_access_token());
  optionalText(reply, "network_id", response.mutable_network_id());
  optionalText(reply, "netowrk_name", response.mutable_netowrk_name());
  return response;
}

syncnetwork::GetChunksResponse ServerProvider::getChunks(const syncnetwork::GetChunksRequest& request,
                                                         const std::string&) {
  const Json reply = call("getChunks", [&](ServerRequestHandler& handler) {
    return handler.getChunks(Json{{"access_token", request.access_token()},
                                  {"timestamp", request.timestamp()},
                                  {"chunks", syncwire::recordsFromChunks(request.chunks())}});
  });
  syncnetwork::GetChunksResponse response;
  DictionaryReader reader(reply);
  double timestamp = 0;
  reader.status(response.mutable_status());
  reader.number("timestamp", &timestamp, false);
  reader.textList("req_sigs", response.mutable_req_sigs(), false);
  reader.records("chunks", response.mutable_chunks(), false);
  if (!reader.ok()) {
    response.Clear();
    malformed("getChunks", reader.error(), response.mutable_status());
    return response;
  }
  response.set_timestamp(timestamp);
  return response;
}

syncnetwork::SendChunksResponse ServerProvider::sendChunks(const syncnetwork::SendChunksRequest& request,
                                                           const std::string&) {
  const Json reply = call("sendChunks", [&](ServerRequestHandler& handler) {
    return handler.sendChunks(Json{{"access_token", request.access_token()},
                                   {"chunks", syncwire::recordsFromChunks(request.chunks())}});
  });
  syncnetwork::SendChunksResponse response;
  DictionaryReader reader(reply);
  reader.status(response.mutable_status());
  reader.textList("sigs", response.mutable_sigs(), false);
  if (!reader.ok()) {
    response.Clear();
    malformed("sendChunks", reader.error(), response.mutable_status());
  }
  return response;
}

MediametaStream ServerProvider::getMediameta(const syncnetwork::GetMediametaRequest& request) {
  Json reply = call("getMediameta", [&](ServerRequestHandler& handler) {
    return handler.getMediameta(
        Json{{"access_token", request.access_token()}, {"chunk_sig", request.chunk_sig()}});
  });
  syncnetwork::Status status;
  DictionaryReader reader(reply);
  reader.status(&status);
  const bool hasData = reader.has("data");
  std::vector<std::uint8_t> data;
  if (hasData && reader.ok()) {
    // The image can be large; take it out of the reply rather than copy it.
    Json& value = reply["data"];
    if (value.is_binary()) {
      data = std::move(value.get_binary());
    } else {
      reader.fail("\"data\" is not a byte block");
    }
  }
  if (!reader.ok()) {
    status.Clear();
    malformed("getMediameta", reader.error(), &status);
    return MediametaStream(status, request.chunk_sig(), {}, false);
  }
  return MediametaStream(status, request.chunk_sig(), std::move(data), hasData);
}

std::unique_ptr<MediametaUpload> ServerProvider::sendMediameta() {
  return std::make_unique<MediametaUpload>(*this);
}

syncnetwork::ByeResponse ServerProvider::bye(const syncnetwork::ByeRequest& request, const std::string&) {
  const Json reply = call("bye", [&](ServerRequestHandler& handler) {
    return handler.bye(Json{{"access_token", request.access_token()}});
  });
  syncnetwork::ByeResponse response;
  DictionaryReader reader(reply);
  if (!reader.status(response.mutable_status())) malformed("bye", reader.error(), response.mutable_status());
  return response;
}

MediametaStream::MediametaStream(syncnetwork::Status status, std::string chunkSig,
                                 std::vector<std::uint8_t> data, bool hasData)
    : status_(std::move(status)),
      chunkSig_(std::move(chunkSig)),
      data_(std::make_shared<const std::vector<std::uint8_t>>(std::move(data))),
      hasData_(hasData) {}

std::size_t MediametaStream::count() const {
  if (!hasData_) return 1;
  return static_cast<std::size_t>(syncwire::sliceCount(data_->size()));
}

grpc::ByteBuffer MediametaStream::wireMessage(std::size_t index) const {
  if (!hasData_) return syncwire::downloadMessage(status_, chunkSig_, nullptr, 0, 0, 0, true);
  const auto slice = static_cast<std::size_t>(ServerProvider::PACKAGE_SIZE);
  const std::size_t offset = std::min(index * slice, data_->size());
  const std::size_t length = std::min(slice, data_->size() - offset);
  return syncwire::downloadMessage(status_, chunkSig_, data_, offset, length,
                                   static_cast<std::int32_t>(count()), index + 1 == count());
}

syncnetwork::GetMediametaResponse MediametaStream::message(std::size_t index) const {
  grpc::ByteBuffer wire = wireMessage(index);
  syncnetwork::GetMediametaResponse message;
  if (!grpc::SerializationTraits<syncnetwork::GetMediametaResponse>::Deserialize(&wire, &message).ok())
    logWarningf("sync server: an image message %zu of %s does not read back", index, chunkSig_.c_str());
  return message;
}

void MediametaUpload::message(syncnetwork::SendMediametaRequest& request) {
  // One line per slice: tracing, shown with the log's debug lines.
  if (logThreshold() <= LogLevel::kDebug) {
    std::fputs("data received\n", stdout);
    std::fflush(stdout);
  }
  chunkSig_ = request.chunk_sig();
  accessToken_ = request.access_token();
  announced_ = request.total_packages();
  ++received_;
  provider_.call("sendMediametaMessage", [&](ServerRequestHandler& handler) {
    handler.sendMediametaSlice(ServerRequestHandler::MediaSlice{request.access_token(), request.chunk_sig(),
                                                                request.total_packages(),
                                                                std::move(*request.mutable_data())});
    return Json();
  });
}

syncnetwork::SendMediametaResponse MediametaUpload::finish() {
  syncnetwork::SendMediametaResponse response;
  response.set_chunk_sig(chunkSig_);
  if (received_ > 0 && received_ != announced_) {
    // A peer that went away mid-upload (or miscounted): half an image must not be stored as whole.
    logWarningf("sync server: upload of %s stopped after %lld of %d slices", chunkSig_.c_str(),
                static_cast<long long>(received_), announced_);
    const Json reply = provider_.call("sendMediametaAbort", [&](ServerRequestHandler& handler) {
      return handler.sendMediametaAbort(Json{{"chunk_sig", chunkSig_}, {"access_token", accessToken_}});
    });
    DictionaryReader reader(reply);
    if (!reader.status(response.mutable_status())) {
      malformed("sendMediametaAbort", reader.error(), response.mutable_status());
    }
    return response;
  }
  const Json reply = provider_.call("sendMediametaEnd", [&](ServerRequestHandler& handler) {
    return handler.sendMediametaEnd(
        Json{{"chunk_sig", chunkSig_}, {"access_token", accessToken_}, {"slices", received_}});
  });
  DictionaryReader reader(reply);
  if (!reader.status(response.mutable_status())) {
    malformed("sendMediametaEnd", reader.error(), response.mutable_status());
  }
  return response;
}

}  // namespace vl
