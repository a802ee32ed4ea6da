#pragma once

#include <arpa/inet.h>
#include <grpcpp/generic/generic_stub.h>
#include <grpcpp/grpcpp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace vl::test {

// A TCP socket on 127.0.0.1 that never says a word. Without a port it listens (the kernel completes
// the handshake: a server that accepts a call and never answers); with one it connects (a client that
// never speaks).
class SilentSocket {
 public:
  explicit SilentSocket(int peerPort = 0) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(peerPort));
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    socklen_t length = sizeof address;
    if (peerPort) {
      connected_ = ::connect(fd_, raw, length) == 0;
    } else if (::bind(fd_, raw, length) == 0 && ::listen(fd_, 16) == 0) {
      ::getsockname(fd_, raw, &length);
      port_ = ntohs(address.sin_port);
    }
  }
  ~SilentSocket() { ::close(fd_); }
  int port() const { return port_; }
  bool connected() const { return connected_; }

 private:
  int fd_;
  int port_ = 0;
  bool connected_ = false;
};

inline std::shared_ptr<grpc::Channel> rawChannel(int port, int maxSend = -1) {
  grpc::ChannelArguments args;
  if (maxSend > 0) args.SetMaxSendMessageSize(maxSend);
  args.SetInt(GRPC_ARG_USE_LOCAL_SUBCHANNEL_POOL, 1);
  return grpc::CreateCustomChannel("127.0.0.1:" + std::to_string(port), grpc::InsecureChannelCredentials(),
                                   args);
}

// Sends `bytes` as the request of `method` without any schema, the way a foreign or broken peer would.
inline grpc::Status rawUnary(const std::shared_ptr<grpc::Channel>& channel, const std::string& method,
                             const std::string& bytes) {
  grpc::GenericStub stub(channel);
  grpc::ClientContext context;
  context.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(10));
  grpc::CompletionQueue queue;
  grpc::Slice slice(bytes);
  grpc::ByteBuffer request(&slice, 1);
  auto call = stub.PrepareUnaryCall(&context, method, request, &queue);
  call->StartCall();
  grpc::ByteBuffer reply;
  grpc::Status status;
  call->Finish(&reply, &status, reinterpret_cast<void*>(1));
  void* tag = nullptr;
  bool ok = false;
  queue.Next(&tag, &ok);
  queue.Shutdown();
  while (queue.Next(&tag, &ok)) {
  }
  return status;
}

}  // namespace vl::test
