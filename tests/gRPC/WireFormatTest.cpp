#include <google/protobuf/descriptor.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sync_network.grpc.pb.h"
#include "sync_network.pb.h"

namespace {

using google::protobuf::FieldDescriptor;

std::string hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
    out += ' ';
  }
  if (!out.empty()) out.pop_back();
  return out;
}

// Peers interoperate through numbers and wire types only, so every field of the schema is pinned here.
TEST(WireFormat, EveryFieldHasItsNumberAndType) {
  struct Field {
    const char* message;
    const char* field;
    int number;
    FieldDescriptor::Type type;
    bool repeated;
  };
  const Field fields[] = {
      {"Chunk", "sig", 1, FieldDescriptor::TYPE_STRING, false},
      {"Chunk", "timestamp", 2, FieldDescriptor::TYPE_STRING, false},
      {"Chunk", "alias", 3, FieldDescriptor::TYPE_STRING, false},
      {"Chunk", "context", 4, FieldDescriptor::TYPE_STRING, false},
      {"Chunk", "rich", 5, FieldDescriptor::TYPE_STRING, false},
      {"Chunk", "json", 6, FieldDescriptor::TYPE_MESSAGE, true},
      {"Status", "code", 1, FieldDescriptor::TYPE_INT32, false},
      {"Status", "msg", 2, FieldDescriptor::TYPE_STRING, false},
      {"AuthRequest", "device_id", 1, FieldDescriptor::TYPE_STRING, false},
      {"AuthRequest", "device_name", 2, FieldDescriptor::TYPE_STRING, false},
      {"AuthRequest", "network_id", 3, FieldDescriptor::TYPE_STRING, false},
      {"AuthRequest", "password", 4, FieldDescriptor::TYPE_STRING, false},
      {"AuthResponse", "status", 1, FieldDescriptor::TYPE_MESSAGE, false},
      {"AuthResponse", "access_token", 2, FieldDescriptor::TYPE_STRING, false},
      {"AuthResponse", "network_id", 3, FieldDescriptor::TYPE_STRING, false},
      {"AuthResponse", "netowrk_name", 4, FieldDescriptor::TYPE_STRING, false},
      {"GetMediametaRequest", "access_token", 1, FieldDescriptor::TYPE_STRING, false},
      {"GetMediametaRequest", "chunk_sig", 2, FieldDescriptor::TYPE_STRING, false},
      {"GetMediametaResponse", "status", 1, FieldDescriptor::TYPE_MESSAGE, false},
      {"GetMediametaResponse", "chunk_sig", 2, FieldDescriptor::TYPE_STRING, false},
      {"GetMediametaResponse", "data", 3, FieldDescriptor::TYPE_BYTES, false},
      {"GetMediametaResponse", "total_packages", 4, FieldDescriptor::TYPE_INT32, false},
      {"GetMediametaResponse", "end", 5, FieldDescriptor::TYPE_BOOL, false},
      {"SendMediametaRequest", "access_token", 1, FieldDescriptor::TYPE_STRING, false},
      {"SendMediametaRequest", "chunk_sig", 2, FieldDescriptor::TYPE_STRING, false},
      {"SendMediametaRequest", "data", 3, FieldDescriptor::TYPE_BYTES, false},
      {"SendMediametaRequest", "total_packages", 4, FieldDescriptor::TYPE_INT32, false},
      {"SendMediametaResponse", "status", 1, FieldDescriptor::TYPE_MESSAGE, false},
      {"SendMediametaResponse", "chunk_sig", 2, FieldDescriptor::TYPE_STRING, false},
      {"GetChunksRequest", "access_token", 1, FieldDescriptor::TYPE_STRING, false},
      {"GetChunksRequest", "chunks", 2, FieldDescriptor::TYPE_MESSAGE, true},
      {"GetChunksRequest", "timestamp", 3, FieldDescriptor::TYPE_DOUBLE, false},
      {"GetChunksResponse", "status", 1, FieldDescriptor::TYPE_MESSAGE, false},
      {"GetChunksResponse", "chunks", 2, FieldDescriptor::TYPE_MESSAGE, true},
      {"GetChunksResponse", "timestamp", 3, FieldDescriptor::TYPE_DOUBLE, false},
      {"GetChunksResponse", "req_sigs", 4, FieldDescriptor::TYPE_STRING, true},
      {"SendChunksRequest", "access_token", 1, FieldDescriptor::TYPE_STRING, false},
      {"SendChunksRequest", "chunks", 2, FieldDescriptor::TYPE_MESSAGE, true},
      {"SendChunksResponse", "status", 1, FieldDescriptor::TYPE_MESSAGE, false},
      {"SendChunksResponse", "sigs", 2, FieldDescriptor::TYPE_STRING, true},
      {"ByeRequest", "access_token", 1, FieldDescriptor::TYPE_STRING, false},
      {"ByeResponse", "status", 1, FieldDescriptor::TYPE_MESSAGE, false},
  };
  const auto* file = syncnetwork::Chunk::descriptor()->file();
  ASSERT_EQ(file->message_type_count(), 14);
  std::size_t counted = 0;
  for (int i = 0; i < file->message_type_count(); ++i) counted += file->message_type(i)->field_count();
  EXPECT_EQ(counted, std::size(fields));
  for (const auto& f : fields) {
    SCOPED_TRACE(std::string(f.message) + "." + f.field);
    const auto* message = file->FindMessageTypeByName(f.message);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->full_name(), std::string("syncnetwork.") + f.message);
    const auto* field = message->FindFieldByName(f.field);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->number(), f.number);
    EXPECT_EQ(field->type(), f.type);
    EXPECT_EQ(field->is_repeated(), f.repeated);
  }
  EXPECT_TRUE(syncnetwork::Chunk::descriptor()->FindFieldByName("json")->is_map());
}

TEST(WireFormat, ServiceHasSixCallsOfTheRightKinds) {
  const auto* service = syncnetwork::Chunk::descriptor()->file()->FindServiceByName("SyncNetworkService");
  ASSERT_NE(service, nullptr);
  EXPECT_STREQ(syncnetwork::SyncNetworkService::service_full_name(), "syncnetwork.SyncNetworkService");
  struct Call {
    const char* name;
    bool clientStreaming;
    bool serverStreaming;
  };
  const Call calls[] = {{"Auth", false, false},         {"GetChunks", false, false},
                        {"SendChunks", false, false},   {"GetMediameta", false, true},
                        {"SendMediameta", true, false}, {"Bye", false, false}};
  ASSERT_EQ(service->method_count(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(service->method(i)->name(), calls[i].name);
    EXPECT_EQ(service->method(i)->client_streaming(), calls[i].clientStreaming);
    EXPECT_EQ(service->method(i)->server_streaming(), calls[i].serverStreaming);
  }
}

TEST(WireFormat, StatusPresenceIsKeptOnTheWire) {
  syncnetwork::ByeResponse absent;
  EXPECT_EQ(absent.SerializeAsString(), "");
  syncnetwork::ByeResponse decoded;
  ASSERT_TRUE(decoded.ParseFromString(""));
  EXPECT_FALSE(decoded.has_status());
  EXPECT_EQ(decoded.status().code(), 0);
  EXPECT_EQ(decoded.status().msg(), "");

  syncnetwork::ByeResponse present;
  present.mutable_status();
  EXPECT_EQ(hex(present.SerializeAsString()), "0a 00");
  ASSERT_TRUE(decoded.ParseFromString(present.SerializeAsString()));
  EXPECT_TRUE(decoded.has_status());
}

TEST(WireFormat, ExactEncodings) {
  syncnetwork::Status status;
  status.set_code(200);
  status.set_msg("Succeed.");
  EXPECT_EQ(hex(status.SerializeAsString()), "08 c8 01 12 08 53 75 63 63 65 65 64 2e");

  syncnetwork::GetChunksRequest poll;
  poll.set_access_token("T");
  EXPECT_EQ(hex(poll.SerializeAsString()), "0a 01 54");  // timestamp 0 and no chunks are not written

  // Chunk.timestamp is text (wire type 2); the poll timestamps are doubles (wire type 1).
  syncnetwork::Chunk chunk;
  chunk.set_timestamp("1");
  EXPECT_EQ(hex(chunk.SerializeAsString()), "12 01 31");
  poll.Clear();
  poll.set_timestamp(1.0);
  EXPECT_EQ(hex(poll.SerializeAsString()), "19 00 00 00 00 00 00 f0 3f");
  syncnetwork::GetChunksResponse reply;
  reply.set_timestamp(1.0);
  EXPECT_EQ(hex(reply.SerializeAsString()), "19 00 00 00 00 00 00 f0 3f");

  syncnetwork::AuthResponse auth;
  auth.set_netowrk_name("N");
  EXPECT_EQ(hex(auth.SerializeAsString()), "22 01 4e");  // only the number 4 travels
}

TEST(WireFormat, EndIsWrittenOnlyOnTheLastSlice) {
  syncnetwork::GetMediametaResponse slice;
  slice.set_data("x");
  slice.set_total_packages(2);
  EXPECT_EQ(hex(slice.SerializeAsString()), "1a 01 78 20 02");
  slice.set_end(true);
  EXPECT_EQ(hex(slice.SerializeAsString()), "1a 01 78 20 02 28 01");
}

TEST(WireFormat, UnknownFieldsSurviveARoundTrip) {
  // Field 1 "a", then an unknown field 7 "z".
  const std::string wire("\x0a\x01\x61\x3a\x01\x7a", 6);
  syncnetwork::Chunk chunk;
  ASSERT_TRUE(chunk.ParseFromString(wire));
  chunk.set_rich("r");
  // Known fields in number order, then the unknown field as it arrived.
  EXPECT_EQ(hex(chunk.SerializeAsString()), "0a 01 61 2a 01 72 3a 01 7a");
}

TEST(WireFormat, MapEntriesAndRepeatedFields) {
  syncnetwork::Chunk chunk;
  EXPECT_EQ(chunk.SerializeAsString(), "");  // an empty map is not written
  (*chunk.mutable_json())["k"] = "";
  const std::string wire = chunk.SerializeAsString();
  EXPECT_EQ(static_cast<unsigned char>(wire[0]), 0x32);  // one entry of field 6
  syncnetwork::Chunk decoded;
  ASSERT_TRUE(decoded.ParseFromString(wire));
  ASSERT_EQ(decoded.json().size(), 1u);
  EXPECT_EQ(decoded.json().at("k"), "");

  // A singular field seen twice keeps the last value; repeated fields collect every occurrence.
  const std::string twice("\x0a\x01\x61\x0a\x01\x62\x12\x01\x78\x12\x01\x79", 12);
  syncnetwork::SendChunksResponse response;
  ASSERT_TRUE(response.ParseFromString(std::string("\x12\x01\x78\x12\x01\x79", 6)));
  EXPECT_EQ(response.sigs_size(), 2);
  syncnetwork::GetMediametaRequest request;
  ASSERT_TRUE(request.ParseFromString(twice));
  EXPECT_EQ(request.access_token(), "b");
  EXPECT_EQ(request.chunk_sig(), "y");
}

TEST(WireFormat, TruncatedOrInvalidBytesDoNotDecode) {
  syncnetwork::AuthRequest request;
  EXPECT_FALSE(request.ParseFromString(std::string("\x0a\x10\x61", 3)));      // length runs past the end
  EXPECT_FALSE(request.ParseFromString(std::string("\x0a\x02\xff\xfe", 4)));  // proto3 text must be UTF-8
}

}  // namespace
