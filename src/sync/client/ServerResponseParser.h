#pragma once

#include "platform/foundation/Json.h"

namespace vl {

// The joined device's handler of each streamed GetMediameta message
// {"code", "chunk_sig", "data", "total_packages", "end"}, called on the client's loop thread.
class ServerResponseParser {
 public:
  // 601: the serving device has the image still on its way; an image this device waits for (one
  // registered with FileTransferCenter) is asked for again a while later
  // (ClientSession::getMediametaWithSigForAWhile). A slice with data feeds the transfer registered
  // for its sig (FileTransferCenter), and the last one ends it: the image is stored and its record
  // updated. A message without data, for a sig nothing waits for, or after the session ended, is
  // ignored.
  static void getMediametaResponse(const Json& message);
};

}  // namespace vl
