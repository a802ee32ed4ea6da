#include "gRPC/Server/ServerCalls.h"

#include <grpcpp/impl/codegen/proto_utils.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

namespace vl {

namespace {

using AsyncService = SyncAsyncService;

// Answers that only a caller with a right password or an admitted token gets.
bool admits(int code) { return code == 200 || code == 601; }

// The device a call speaks for: Auth by the device's id (each Auth issues a new token, so tokens would
// let one device sign in on every connection), every other call by its token, which one device holds
// at a time.
template <class Request>
std::string deviceOf(const Request& request) {
  if constexpr (std::is_same_v<Request, syncnetwork::AuthRequest>) {
    return "device:" + request.device_id();
  } else {
    return "token:" + request.access_token();
  }
}

class ServerCall : public LoopTag {
 protected:
  explicit ServerCall(ServerEnvironment& environment) : environment_(environment) {}

  // Starts an operation unless the server is going away; false means the call must simply end.
  bool next(const std::function<void()>& operation) {
    return environment_.loop.begin([&](grpc::CompletionQueue*) { operation(); });
  }

  // What goes on the queue: the loop turns a tag back into a LoopTag, so it must leave as one.
  void* tag() { return static_cast<LoopTag*>(this); }

  ServerEnvironment& environment_;
  grpc::ServerContext context_;
};

template <class Request, class Response>
class UnaryServerCall final : public ServerCall {
 public:
  using Writer = grpc::ServerAsyncResponseWriter<Response>;
  using Listen = void (AsyncService::*)(grpc::ServerContext*, Request*, Writer*, grpc::CompletionQueue*,
                                        grpc::ServerCompletionQueue*, void*);
  using Handle = Response (ServerProvider::*)(const Request&, const std::string& peer);

  static void listen(ServerEnvironment& environment, Listen request, Handle handle) {
    auto* call = new UnaryServerCall(environment, request, handle);
    if (!call->next([&] {
          (environment.service.*request)(&call->context_, &call->request_, &call->writer_, environment.queue,
                                         environment.queue, call->tag());
        })) {
      delete call;
    }
  }

  void proceed(bool ok) override {
    if (!ok || answered_) {
      delete this;  // the server is shutting down, or the answer has gone out
      return;
    }
    listen(environment_, listen_, handle_);
    const ConnectionGate::Caller caller = environment_.gate.answering(context_.peer());
    response_ = std::invoke(handle_, environment_.provider, request_, caller.address);
    environment_.gate.noteCall(caller, admits(response_.status().code()), deviceOf(request_));
    answered_ = true;
    if (!next([&] { writer_.Finish(response_, grpc::Status::OK, tag()); })) delete this;
  }

 private:
  UnaryServerCall(ServerEnvironment& environment, Listen request, Handle handle)
      : ServerCall(environment), listen_(request), handle_(handle), writer_(&context_) {}

  Listen listen_;
  Handle handle_;
  Request request_;
  Response response_;
  Writer writer_;
  bool answered_ = false;
};

// GetMediameta: the slices are written one at a time, each after the previous write completed.
class DownloadServerCall final : public ServerCall {
 public:
  static void listen(ServerEnvironment& environment) {
    auto* call = new DownloadServerCall(environment);
    if (!call->next([&] {
          environment.service.RequestGetMediameta(&call->context_, &call->requestBytes_, &call->writer_,
                                                  environment.queue, environment.queue, call->tag());
        })) {
      delete call;
    }
  }

  void proceed(bool ok) override {
    switch (step_) {
      case Step::Waiting: {
        if (!ok) return delete this;
        listen(environment_);
        syncnetwork::GetMediametaRequest request;
        const grpc::Status read = grpc::SerializationTraits<syncnetwork::GetMediametaRequest>::Deserialize(
            &requestBytes_, &request);
        if (!read.ok()) {
          // What gRPC answers a request that does not decode, when it decodes it itself.
          step_ = Step::Finishing;
          if (!next([&] { writer_.Finish(read, tag()); })) delete this;
          return;
        }
        const ConnectionGate::Caller caller = environment_.gate.answering(context_.peer());
        stream_ = std::make_unique<MediametaStream>(environment_.provider.getMediameta(request));
        environment_.gate.noteCall(caller, admits(stream_->statusCode()), deviceOf(request));
        writeNext();
        break;
      }
      case Step::Writing:
        if (ok) {
          writeNext();
        } else {
          finish();  // the client has gone; end the call all the same
        }
        break;
      case Step::Finishing:
        delete this;
        break;
    }
  }

 private:
  enum class Step { Waiting, Writing, Finishing };

  explicit DownloadServerCall(ServerEnvironment& environment) : ServerCall(environment), writer_(&context_) {}

  void writeNext() {
    if (index_ >= stream_->count()) return finish();
    message_ = stream_->wireMessage(index_++);
    step_ = Step::Writing;
    if (!next([&] { writer_.Write(message_, tag()); })) delete this;
  }

  void finish() {
    step_ = Step::Finishing;
    stream_.reset();
    if (!next([&] { writer_.Finish(grpc::Status::OK, tag()); })) delete this;
  }

  Step step_ = Step::Waiting;
  grpc::ByteBuffer requestBytes_;
  grpc::ServerAsyncWriter<grpc::ByteBuffer> writer_;
  std::unique_ptr<MediametaStream> stream_;
  std::size_t index_ = 0;
  grpc::ByteBuffer message_;
};

// SendMediameta: every slice read goes to the upload handler; the end of the stream gives the answer.
class UploadServerCall final : public ServerCall {
 public:
  static void listen(ServerEnvironment& environment) {
    auto* call = new UploadServerCall(environment);
    if (!call->next([&] {
          environment.service.RequestSendMediameta(&call->context_, &call->reader_, environment.queue,
                                                   environment.queue, call->tag());
        })) {
      delete call;
    }
  }

  void proceed(bool ok) override {
    switch (step_) {
      case Step::Waiting:
        if (!ok) return delete this;
        listen(environment_);
        // Taken while the stream keeps its connection, not when the stream has ended.
        caller_ = environment_.gate.caller(context_.peer());
        upload_ = environment_.provider.sendMediameta();
        readNext();
        break;
      case Step::Reading:
        if (ok) {
          if (device_.empty()) device_ = deviceOf(request_);
          upload_->message(request_);
          readNext();
        } else {
          // The stream has ended: cleanly (half-close) or because the client went away; the upload
          // tells the two apart by the slices it was promised.
          response_ = upload_->finish();
          // A stream without slices is answered without a token; it proves nothing.
          environment_.gate.noteCall(caller_, upload_->slices() > 0 && admits(response_.status().code()),
                                     device_);
          step_ = Step::Finishing;
          if (!next([&] { reader_.Finish(response_, grpc::Status::OK, tag()); })) delete this;
        }
        break;
      case Step::Finishing:
        delete this;
        break;
    }
  }

 private:
  enum class Step { Waiting, Reading, Finishing };

  explicit UploadServerCall(ServerEnvironment& environment) : ServerCall(environment), reader_(&context_) {}

  void readNext() {
    step_ = Step::Reading;
    request_.Clear();
    if (!next([&] { reader_.Read(&request_, tag()); })) {
      upload_->finish();
      delete this;
    }
  }

  Step step_ = Step::Waiting;
  grpc::ServerAsyncReader<syncnetwork::SendMediametaResponse, syncnetwork::SendMediametaRequest> reader_;
  std::unique_ptr<MediametaUpload> upload_;
  ConnectionGate::Caller caller_;
  std::string device_;
  syncnetwork::SendMediametaRequest request_;
  syncnetwork::SendMediametaResponse response_;
};

}  // namespace

void listenForCalls(ServerEnvironment& environment) {
  using syncnetwork::AuthRequest, syncnetwork::AuthResponse, syncnetwork::GetChunksRequest,
      syncnetwork::GetChunksResponse, syncnetwork::SendChunksRequest, syncnetwork::SendChunksResponse,
      syncnetwork::ByeRequest, syncnetwork::ByeResponse;
  UnaryServerCall<AuthRequest, AuthResponse>::listen(environment, &AsyncService::RequestAuth,
                                                     &ServerProvider::auth);
  UnaryServerCall<GetChunksRequest, GetChunksResponse>::listen(environment, &AsyncService::RequestGetChunks,
                                                               &ServerProvider::getChunks);
  UnaryServerCall<SendChunksRequest, SendChunksResponse>::listen(
      environment, &AsyncService::RequestSendChunks, &ServerProvider::sendChunks);
  DownloadServerCall::listen(environment);
  UploadServerCall::listen(environment);
  UnaryServerCall<ByeRequest, ByeResponse>::listen(environment, &AsyncService::RequestBye,
                                                   &ServerProvider::bye);
}

}  // namespace vl
