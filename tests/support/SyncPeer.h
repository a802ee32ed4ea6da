#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/foundation/Json.h"
#include "support/TestSupport.h"

namespace vl::test {

// The serving device of the sync client's tests: the vl-sync-peer program (tests/support/SyncPeerMain.cpp)
// in a HOME of its own, serving a network named "Peer network" (password "peer password") with the real
// request handlers on 127.0.0.1. It answers on a pipe of its own; its stdout and stderr go to a file in
// its folder.
//
// Commands (ask), one JSON object each, answered by one:
//   {"cmd": "copy", "text", "json"?}                  a new record; {"ok", "sig"}
//   {"cmd": "image", "text", "from", "name", "later"?} an image record of the file `from`, copied into the
//                                                      peer's file folder; its first "later" downloads
//                                                      are answered 601
//   {"cmd": "record", "text" | "sig"}                  {"found", "sig", "json", "timestamp",
//                                                       "image_bytes"?, "image_md5"?}; "text" names a
//                                                      record without json
//   {"cmd": "wait_text" | "wait_image", "text" | "sig", "ms"}
//                                                      waits for the record (with its image stored)
//   {"cmd": "wait_devices", "count", "ms"}             waits until that many devices are connected
//   {"cmd": "wait_upload", "sig", "ms"}                waits for an image slice of that sig
//   {"cmd": "wait_stalled", "ms"}                      waits until a poll is held by "stall"
//   {"cmd": "disconnect_all"}                          the serving user drops every device (600 next)
//   {"cmd": "hostile", "reply"}                        the next poll is answered with `reply` as it stands
//                                                      ("timestamp": "nan" gives a NaN)
//   {"cmd": "stall" | "release"}                       polls are held until released
//   {"cmd": "refuse_uploads", "times"}                 the next `times` uploads are not stored, as when too
//                                                      many images arrive at once (601)
//   {"cmd": "counts"}                                  {"polls", "answered", "later", "stalled", "uploads"}
class SyncPeer {
 public:
  // `environment` adds variables (VL_PEER_CLOCK_OFFSET=<seconds>).
  explicit SyncPeer(const std::vector<std::string>& environment = {});
  ~SyncPeer();
  SyncPeer(const SyncPeer&) = delete;
  SyncPeer& operator=(const SyncPeer&) = delete;

  static const std::string& path();
  bool started() const { return port_ > 0; }
  int port() const { return port_; }
  const std::string& networkId() const { return networkId_; }
  std::string errors() const;

  // One command and its answer; null when the peer gave none within `ms` (plus its own wait).
  Json ask(const Json& command, double ms = 30000);
  void kill();
  void pause();
  void resume();

 private:
  std::string readLine(double ms);

  TempDir dir_;
  pid_t pid_ = -1;
  int in_ = -1, out_ = -1;
  std::string buffer_;
  int port_ = 0;
  std::string networkId_;
};

}  // namespace vl::test
