#include <google/protobuf/descriptor.h>
#include <gtest/gtest.h>

#include <map>
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

// "name=number type" for every field, in declaration order; repeated fields end in "[]".
std::string fieldsOf(const google::protobuf::Descriptor* message) {
  std::string out;
  for (int i = 0; i < message->field_count(); ++i) {
    const FieldDescriptor* f = message->field(i);
    out += (i ? " " : "") + f->name() + "=" + std::to_string(f->number()) + " " +
           (f->is_map() ? "map" : f->type_name()) + (f->is_repeated() && !f->is_map() ? "[]" : "");
  }
  return out;
}

// Peers interoperate through numbers and wire types only, so every field of the schema is pinned here.
TEST(WireFormat, EveryFieldHasItsNumberAndType) {
  const std::map<std::string, std::string> schema = {
      {"Chunk", "sig=1 string timestamp=2 string alias=3 string context=4 string rich=5 string json=6 map"},
      {"Status", "code=1 int32 msg=2 string"},
      {"AuthRequest", "device_id=1 string device_name=2 string network_id=3 string password=4 string"},
      {"AuthResponse", "status=1 message access_token=2 string network_id=3 string netowrk_name=4 string"},
      {"GetMediametaRequest", "access_token=1 string chunk_sig=2 string"},
      {"GetMediametaResponse",
       "status=1 message chunk_sig=2 string data=3 bytes total_packages=4 int32 end=5 bool"},
      {"SendMediametaRequest",
       "access_token=1 string chunk_sig=2 string data=3 bytes total_packages=4 int32"},
      {"SendMediametaResponse", "status=1 message chunk_sig=2 string"},
      {"GetChunksRequest", "access_token=1 string chunks=2 message[] timestamp=3 double"},
      {"GetChunksResponse", "status=1 message chunks=2 message[] timestamp=3 double req_sigs=4 string[]"},
      {"SendChunksRequest", "access_token=1 string chunks=2 message[]"},
      {"SendChunksResponse", "status=1 message sigs=2 string[]"},
      {"ByeRequest", "access_token=1 string"},
      {"ByeResponse", "status=1 message"},
  };
  const auto* file = syncnetwork::Chunk::descriptor()->file();
  ASSERT_EQ(file->message_type_count(), static_cast<int>(schema.size()));
  for (const auto& [name, fields] : schema) {
    const auto* message = file->FindMessageTypeByName(name);
    ASSERT_NE(message, nullptr) << name;
    EXPECT_EQ(fieldsOf(message), fields) << name;
  }

  const auto* service = file->FindServiceByName("SyncNetworkService");
  ASSERT_NE(service, nullptr);
  EXPECT_STREQ(syncnetwork::SyncNetworkService::service_full_name(), "syncnetwork.SyncNetworkService");
  std::vector<std::string> calls;  // name, then "<" for a client stream and ">" for a server stream
  for (int i = 0; i < service->method_count(); ++i) {
    const auto* m = service->method(i);
    calls.push_back(m->name() + (m->client_streaming() ? "<" : "") + (m->server_streaming() ? ">" : ""));
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"Auth", "GetChunks", "SendChunks", "GetMediameta>",
                                             "SendMediameta<", "Bye"}));
}

TEST(WireFormat, ExactEncodings) {
  syncnetwork::Status status;
  status.set_code(200);
  status.set_msg("Succeed.");
  syncnetwork::Chunk chunk;
  chunk.set_timestamp("1");  // Chunk.timestamp is text (wire type 2); the poll timestamps are doubles
  syncnetwork::GetChunksRequest poll;
  poll.set_timestamp(1.0);
  syncnetwork::AuthResponse auth;
  auth.set_netowrk_name("N");            // only the number 4 travels
  syncnetwork::GetChunksRequest absent;  // timestamp 0 and no chunks are not written
  syncnetwork::ByeResponse present;
  present.mutable_status();  // an empty status is still present on the wire
  syncnetwork::GetMediametaResponse slice;
  slice.set_data("x");
  slice.set_total_packages(2);
  syncnetwork::GetMediametaResponse last = slice;
  last.set_end(true);  // end is written only on the last slice
  const std::vector<std::pair<const google::protobuf::Message*, std::string>> cases = {
      {&status, "08 c8 01 12 08 53 75 63 63 65 65 64 2e"},
      {&chunk, "12 01 31"},
      {&poll, "19 00 00 00 00 00 00 f0 3f"},
      {&auth, "22 01 4e"},
      {&absent, ""},
      {&present, "0a 00"},
      {&slice, "1a 01 78 20 02"},
      {&last, "1a 01 78 20 02 28 01"},
  };
  for (const auto& [message, wire] : cases) EXPECT_EQ(hex(message->SerializeAsString()), wire);
}

TEST(WireFormat, UnknownRepeatedAndMapFieldsDecode) {
  // Field 1 "a", then an unknown field 7 "z": kept and written back after the known fields.
  syncnetwork::Chunk chunk;
  ASSERT_TRUE(chunk.ParseFromString(std::string("\x0a\x01\x61\x3a\x01\x7a", 6)));
  chunk.set_rich("r");
  EXPECT_EQ(hex(chunk.SerializeAsString()), "0a 01 61 2a 01 72 3a 01 7a");

  syncnetwork::Chunk map;
  EXPECT_EQ(map.SerializeAsString(), "");  // an empty map is not written
  (*map.mutable_json())["k"] = "";
  ASSERT_TRUE(chunk.ParseFromString(map.SerializeAsString()));
  EXPECT_EQ(static_cast<unsigned char>(map.SerializeAsString()[0]), 0x32);  // one entry of field 6
  ASSERT_EQ(chunk.json().size(), 1u);
  EXPECT_EQ(chunk.json().at("k"), "");

  // A singular field seen twice keeps the last value; repeated fields collect every occurrence.
  syncnetwork::SendChunksResponse response;
  ASSERT_TRUE(response.ParseFromString(std::string("\x12\x01\x78\x12\x01\x79", 6)));
  EXPECT_EQ(response.sigs_size(), 2);
  syncnetwork::GetMediametaRequest request;
  ASSERT_TRUE(request.ParseFromString(std::string("\x0a\x01\x61\x0a\x01\x62\x12\x01\x78\x12\x01\x79", 12)));
  EXPECT_EQ(request.access_token(), "b");
  EXPECT_EQ(request.chunk_sig(), "y");

  syncnetwork::AuthRequest auth;
  EXPECT_FALSE(auth.ParseFromString(std::string("\x0a\x02\xff\xfe", 4)));  // proto3 text must be UTF-8
}

}  // namespace
