#include "gRPC/Client/ClientCalls.h"

#include <grpcpp/impl/codegen/proto_utils.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <utility>

#include "gRPC/Common/MediaSlices.h"
#include "gRPC/Common/SyncDictionary.h"
#include "platform/foundation/Log.h"

namespace vl {

ClientConnection::ClientConnection(const std::string& target) {
  grpc::ChannelArguments args;
  args.SetMaxReceiveMessageSize(syncwire::kMaxMessageBytes);
  args.SetMaxSendMessageSize(syncwire::kMaxMessageBytes);
  // A connection of its own, so that leaving a network really drops its socket and a later
  // connection to the same address starts clean.
  args.SetInt(GRPC_ARG_USE_LOCAL_SUBCHANNEL_POOL, 1);
  args.SetInt(GRPC_ARG_HTTP2_STREAM_LOOKAHEAD_BYTES, syncwire::kStreamWindowBytes);
  channel_ = grpc::CreateCustomChannel(target, grpc::InsecureChannelCredentials(), args);
  stub_ = std::shared_ptr<SyncStub>(syncnetwork::SyncNetworkService::NewStub(channel_));
  genericStub_ = std::make_shared<grpc::GenericStub>(channel_);
}

std::shared_ptr<SyncStub> ClientConnection::enter(grpc::ClientContext* context) {
  MutexLock lock(mutex_);
  if (closed_) return nullptr;
  active_.insert(context);
  return stub_;
}

std::shared_ptr<grpc::GenericStub> ClientConnection::enterGeneric(grpc::ClientContext* context) {
  MutexLock lock(mutex_);
  if (closed_) return nullptr;
  active_.insert(context);
  return genericStub_;
}

void ClientConnection::leave(grpc::ClientContext* context) {
  MutexLock lock(mutex_);
  active_.erase(context);
  if (active_.empty()) idle_.notify_all();
}

void ClientConnection::close() {
  MutexLock lock(mutex_);
  if (closed_) return;
  closed_ = true;
  for (grpc::ClientContext* context : active_) context->TryCancel();
  // Calls in flight keep the channel alive through their contexts; it goes when the last one ends.
  stub_.reset();
  genericStub_.reset();
  channel_.reset();
}

bool ClientConnection::waitIdle(double seconds) {
  const auto deadline =
      std::chrono::steady_clock::now() +
      std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
  MutexLock lock(mutex_);
  while (!active_.empty()) {
    if (idle_.wait_until(lock, deadline) == std::cv_status::timeout) return active_.empty();
  }
  return true;
}

Json failureReply(const grpc::Status& status) {
  const int code = status.error_code() == grpc::StatusCode::DEADLINE_EXCEEDED ? 408 : 500;
  std::string text = status.error_message();
  if (text.empty()) text = "The call failed with gRPC status " + std::to_string(status.error_code()) + ".";
  return syncwire::statusReply(code, text);
}

namespace clientcalls {

namespace {

const char* const kShuttingDown = "The client is shutting down.";
const char* const kSendMediametaMethod = "/syncnetwork.SyncNetworkService/SendMediameta";
const char* const kGetMediametaMethod = "/syncnetwork.SyncNetworkService/GetMediameta";

template <class F>
void guarded(const char* what, F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    logErrorf("sync client: %s threw: %s", what, e.what());
  } catch (...) {
    logErrorf("sync client: %s threw", what);
  }
}

// The common part of every call: its context (with the time limit), its place in the connection's
// list of active calls, and starting operations only while the loop still takes them.
class ClientCall : public LoopTag {
 protected:
  ClientCall(EventLoop& loop, std::shared_ptr<ClientConnection> connection, double timeLimit)
      : loop_(loop), connection_(std::move(connection)) {
    if (timeLimit > 0) {
      context_.set_deadline(std::chrono::system_clock::now() +
                            std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                std::chrono::duration<double>(timeLimit)));
    }
  }

  // Registers the call and hands it to the loop thread, where `start` runs; from then on the call is the
  // loop's and may already be gone. A loop that shuts down before `start` had its turn ends the call
  // with abandon().
  StartResult launch(std::function<void(SyncStub&, grpc::CompletionQueue*)> start) {
    return handOver(connection_->enter(&context_), std::move(start));
  }

  // launch() for a call of bytes built here.
  StartResult launchGeneric(std::function<void(grpc::GenericStub&, grpc::CompletionQueue*)> start) {
    return handOver(connection_->enterGeneric(&context_), std::move(start));
  }

  // What goes on the queue: the loop turns a tag back into a LoopTag, so it must leave as one.
  void* tag() { return static_cast<LoopTag*>(this); }

  // Starts the next operation from the loop thread; false when the loop no longer takes work.
  bool next(const std::function<void()>& operation) {
    return loop_.begin([&](grpc::CompletionQueue*) { operation(); });
  }

  // On the loop thread, when the loop no longer takes work: the call ends as cancelled.
  virtual void abandon() = 0;

  EventLoop& loop_;
  std::shared_ptr<ClientConnection> connection_;
  // The stub, and through it the channel, outlive the context: the context lets go of its channel
  // inside gRPC's library, where ThreadSanitizer cannot see the count fall, so the last reference to a
  // closed connection's channel is always dropped here, in code it follows.
  std::shared_ptr<const void> stub_;
  grpc::ClientContext context_;
  grpc::Status status_;

 private:
  template <class Stub>
  StartResult handOver(std::shared_ptr<Stub> stub, std::function<void(Stub&, grpc::CompletionQueue*)> start) {
    if (!stub) return "The connection is closed.";
    stub_ = stub;
    const bool posted = loop_.post([this, stub = stub.get(), start = std::move(start)] {
      if (!loop_.begin([&](grpc::CompletionQueue* queue) { start(*stub, queue); })) abandon();
    });
    if (posted) return {};
    connection_->leave(&context_);
    return kShuttingDown;
  }
};

template <class Request, class Response>
class UnaryCall final : public ClientCall {
 public:
  using Reader = grpc::ClientAsyncResponseReader<Response>;
  using Prepare = std::unique_ptr<Reader> (SyncStub::*)(grpc::ClientContext*, const Request&,
                                                        grpc::CompletionQueue*);

  static StartResult start(EventLoop& loop, const std::shared_ptr<ClientConnection>& connection,
                           Prepare prepare, Request request, double timeLimit, UnaryDone<Response> done) {
    auto* call = new UnaryCall(loop, connection, std::move(request), timeLimit, std::move(done));
    StartResult result = call->launch([call, prepare](SyncStub& stub, grpc::CompletionQueue* queue) {
      call->reader_ = (stub.*prepare)(&call->context_, call->request_, queue);
      call->reader_->StartCall();
      call->reader_->Finish(&call->response_, &call->status_, call->tag());
    });
    if (!result.empty()) delete call;
    return result;
  }

  void proceed(bool) override {
    connection_->leave(&context_);
    guarded("reply callback", [&] { done_(status_, response_); });
    delete this;
  }

 private:
  UnaryCall(EventLoop& loop, std::shared_ptr<ClientConnection> connection, Request request, double timeLimit,
            UnaryDone<Response> done)
      : ClientCall(loop, std::move(connection), timeLimit),
        request_(std::move(request)),
        done_(std::move(done)) {}

  void abandon() override {
    status_ = grpc::Status(grpc::StatusCode::CANCELLED, kShuttingDown);
    proceed(false);
  }

  Request request_;
  UnaryDone<Response> done_;
  std::unique_ptr<Reader> reader_;
  Response response_;
};

// The image upload: slices written one after another as each write completes, then the end of the
// stream, then the single response. Each slice goes out as a view of the image (MediaSlices).
class UploadCall final : public ClientCall {
 public:
  static StartResult start(EventLoop& loop, const std::shared_ptr<ClientConnection>& connection,
                           clientmessages::Upload upload, double timeLimit,
                           UnaryDone<syncnetwork::SendMediametaResponse> done) {
    auto* call = new UploadCall(loop, connection, std::move(upload), timeLimit, std::move(done));
    StartResult result = call->launchGeneric([call](grpc::GenericStub& stub, grpc::CompletionQueue* queue) {
      call->stream_ = stub.PrepareCall(&call->context_, kSendMediametaMethod, queue);
      call->stream_->StartCall(call->tag());
    });
    if (!result.empty()) delete call;
    return result;
  }

  void proceed(bool ok) override {
    switch (step_) {
      case Step::Starting:
      case Step::Writing:
        if (!ok) {
          finish();  // the stream broke; the final status says why
        } else if (offset_ < upload_.data->size()) {
          writeNext();
        } else {
          step_ = Step::Closing;
          if (!next([&] { stream_->WritesDone(tag()); })) abandon();
        }
        break;
      case Step::Closing:
        step_ = Step::Reading;
        if (!next([&] { stream_->Read(&answer_, tag()); })) abandon();
        break;
      case Step::Reading:
        answered_ = ok;
        finish();
        break;
      case Step::Finishing:
        complete();
        break;
    }
  }

 private:
  enum class Step { Starting, Writing, Closing, Reading, Finishing };

  UploadCall(EventLoop& loop, std::shared_ptr<ClientConnection> connection, clientmessages::Upload upload,
             double timeLimit, UnaryDone<syncnetwork::SendMediametaResponse> done)
      : ClientCall(loop, std::move(connection), timeLimit),
        upload_(std::move(upload)),
        total_(static_cast<std::int32_t>(syncwire::sliceCount(upload_.data->size()))),
        done_(std::move(done)) {}

  void writeNext() {
    const std::size_t length = std::min<std::size_t>(upload_.data->size() - offset_,
                                                     static_cast<std::size_t>(syncwire::kPackageSize));
    message_ =
        syncwire::uploadMessage(upload_.accessToken, upload_.chunkSig, total_, upload_.data, offset_, length);
    offset_ += length;
    step_ = Step::Writing;
    if (!next([&] { stream_->Write(message_, tag()); })) abandon();
  }

  void finish() {
    step_ = Step::Finishing;
    if (!next([&] { stream_->Finish(&status_, tag()); })) abandon();
  }

  void abandon() override {
    status_ = grpc::Status(grpc::StatusCode::CANCELLED, kShuttingDown);
    complete();
  }

  void complete() {
    connection_->leave(&context_);
    syncnetwork::SendMediametaResponse response;
    if (status_.ok()) {
      // A server that ends the call well owes its one answer.
      if (!answered_) {
        status_ = grpc::Status(grpc::StatusCode::INTERNAL, "The upload ended without an answer.");
      } else if (grpc::Status read =
                     grpc::SerializationTraits<syncnetwork::SendMediametaResponse>::Deserialize(&answer_,
                                                                                                &response);
                 !read.ok()) {
        status_ = read;
      }
    }
    guarded("upload callback", [&] { done_(status_, response); });
    delete this;
  }

  clientmessages::Upload upload_;
  const std::int32_t total_;
  std::size_t offset_ = 0;
  Step step_ = Step::Starting;
  bool answered_ = false;
  grpc::ByteBuffer message_;
  grpc::ByteBuffer answer_;
  std::unique_ptr<grpc::GenericClientAsyncReaderWriter> stream_;
  UnaryDone<syncnetwork::SendMediametaResponse> done_;
};

// The image download: one request, then each response message as it arrives, read straight into a
// buffer of its own (MediaSlices).
class DownloadCall final : public ClientCall {
 public:
  using MessageHandler = std::function<void(syncwire::DownloadedSlice&&)>;
  using Done = std::function<void(const grpc::Status&)>;

  static StartResult start(EventLoop& loop, const std::shared_ptr<ClientConnection>& connection,
                           const syncnetwork::GetMediametaRequest& request, double timeLimit,
                           MessageHandler message, Done done) {
    auto* call = new DownloadCall(loop, connection, timeLimit, std::move(message), std::move(done));
    bool own = false;
    if (!grpc::SerializationTraits<syncnetwork::GetMediametaRequest>::Serialize(request, &call->request_,
                                                                                &own)
             .ok()) {
      delete call;
      return "The request could not be encoded.";
    }
    StartResult result = call->launchGeneric([call](grpc::GenericStub& stub, grpc::CompletionQueue* queue) {
      call->stream_ = stub.PrepareCall(&call->context_, kGetMediametaMethod, queue);
      call->stream_->StartCall(call->tag());
    });
    if (!result.empty()) delete call;
    return result;
  }

  void proceed(bool ok) override {
    if (!ok && step_ != Step::Finishing) return finish();
    switch (step_) {
      case Step::Starting:
        step_ = Step::Asking;
        if (!next([&] { stream_->WriteLast(request_, grpc::WriteOptions(), tag()); })) abandon();
        break;
      case Step::Asking:
        readNext();
        break;
      case Step::Reading: {
        syncwire::DownloadedSlice slice;
        if (!syncwire::readDownloadMessage(response_, &slice)) {
          // What gRPC does with a message that does not decode: the call ends with an error.
          context_.TryCancel();
          failure_ = grpc::Status(grpc::StatusCode::INTERNAL, "A download message did not decode.");
          return finish();
        }
        guarded("media handler", [&] { message_(std::move(slice)); });
        readNext();
        break;
      }
      case Step::Finishing:
        complete();
        break;
    }
  }

 private:
  enum class Step { Starting, Asking, Reading, Finishing };

  DownloadCall(EventLoop& loop, std::shared_ptr<ClientConnection> connection, double timeLimit,
               MessageHandler message, Done done)
      : ClientCall(loop, std::move(connection), timeLimit),
        message_(std::move(message)),
        done_(std::move(done)) {}

  void readNext() {
    step_ = Step::Reading;
    response_.Clear();
    if (!next([&] { stream_->Read(&response_, tag()); })) abandon();
  }

  void finish() {
    step_ = Step::Finishing;
    if (!next([&] { stream_->Finish(&status_, tag()); })) abandon();
  }

  void abandon() override {
    status_ = grpc::Status(grpc::StatusCode::CANCELLED, kShuttingDown);
    complete();
  }

  void complete() {
    connection_->leave(&context_);
    if (!failure_.ok()) status_ = failure_;
    guarded("download completion", [&] { done_(status_); });
    delete this;
  }

  MessageHandler message_;
  Done done_;
  Step step_ = Step::Starting;
  grpc::ByteBuffer request_;
  grpc::ByteBuffer response_;
  grpc::Status failure_;
  std::unique_ptr<grpc::GenericClientAsyncReaderWriter> stream_;
};

}  // namespace

StartResult auth(EventLoop& loop, const std::shared_ptr<ClientConnection>& connection,
                 syncnetwork::AuthRequest request, double timeLimit,
                 UnaryDone<syncnetwork::AuthResponse> done) {
  return UnaryCall<syncnetwork::AuthRequest, syncnetwork::AuthResponse>::start(
      loop, connection, &SyncStub::PrepareAsyncAuth, std::move(request), timeLimit, std::move(done));
}

StartResult getChunks(EventLoop& loop, const std::shared_ptr<ClientConnection>& connection,
                      syncnetwork::GetChunksRequest request, double timeLimit,
                      UnaryDone<syncnetwork::GetChunksResponse> done) {
  return UnaryCall<syncnetwork::GetChunksRequest, syncnetwork::GetChunksResponse>::start(
      loop, connection, &SyncStub::PrepareAsyncGetChunks, std::move(request), timeLimit, std::move(done));
}

StartResult sendChunks(EventLoop& loop, const std::shared_ptr<ClientConnection>& connection,
                       syncnetwork::SendChunksRequest request, double timeLimit,
                       UnaryDone<syncnetwork::SendChunksResponse> done) {
  return UnaryCall<syncnetwork::SendChunksRequest, syncnetwork::SendChunksResponse>::start(
      loop, connection, &SyncStub::PrepareAsyncSendChunks, std::move(request), timeLimit, std::move(done));
}

StartResult bye(EventLoop& loop, const std::shared_ptr<ClientConnection>& connection,
                syncnetwork::ByeRequest request, double timeLimit, UnaryDone<syncnetwork::ByeResponse> done) {
  return UnaryCall<syncnetwork::ByeRequest, syncnetwork::ByeResponse>::start(
      loop, connection, &SyncStub::PrepareAsyncBye, std::move(request), timeLimit, std::move(done));
}

StartResult sendMediameta(EventLoop& loop, const std::shared_ptr<ClientConnection>& connection,
                          clientmessages::Upload upload, double timeLimit,
                          UnaryDone<syncnetwork::SendMediametaResponse> done) {
  return UploadCall::start(loop, connection, std::move(upload), timeLimit, std::move(done));
}

StartResult getMediameta(EventLoop& loop, const std::shared_ptr<ClientConnection>& connection,
                         const syncnetwork::GetMediametaRequest& request, double timeLimit,
                         std::function<void(syncwire::DownloadedSlice&&)> message,
                         std::function<void(const grpc::Status&)> done) {
  return DownloadCall::start(loop, connection, request, timeLimit, std::move(message), std::move(done));
}

}  // namespace clientcalls
}  // namespace vl
