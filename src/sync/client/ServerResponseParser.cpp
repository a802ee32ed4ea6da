#include "sync/client/ServerResponseParser.h"

#include <string_view>

#include "sync/client/ClientSession.h"
#include "sync/transfer/FileTransferCenter.h"

namespace vl {

void ServerResponseParser::getMediametaResponse(const Json& message) {
  ClientSession* session = ClientSession::currentSession();
  if (!session || !message.is_object()) return;
  const std::string sig = jsonString(message, "chunk_sig");
  if (sig.empty()) return;
  FileTransferCenter& center = FileTransferCenter::defaultCenter();
  // Only images this device is waiting for are asked for again.
  if (jsonInteger(message, "code") == 601) {
    if (center.getEntity(sig)) session->getMediametaWithSigForAWhile(sig);
    return;
  }
  auto data = message.find("data");
  if (data == message.end() || !data->is_binary() || data->get_binary().empty()) return;
  const auto& bytes = data->get_binary();
  if (!center.appendSlice(sig, jsonInteger(message, "total_packages"),
                          std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) {
    return;
  }
  if (!jsonBool(message, "end")) return;
  center.end(sig);
  session->imageDidArrive(sig);
}

}  // namespace vl
