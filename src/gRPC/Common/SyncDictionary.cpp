#include "gRPC/Common/SyncDictionary.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include "platform/foundation/Environment.h"
#include "platform/foundation/JsonBounded.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"

namespace vl::syncwire {

namespace {

const char* const kRecordTextKeys[] = {"sig", "timestamp", "alias", "context", "rich"};

std::string keyName(std::string_view key) { return "\"" + std::string(key) + "\""; }

}  // namespace

int syncPort() {
  const std::string text = environmentValue("VELLISTO_SYNC_PORT");
  if (text.empty()) return kDefaultPort;
  char* end = nullptr;
  const long port = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || port <= 0 || port > 65535) {
    logWarningf("sync: VELLISTO_SYNC_PORT=%s is not a port; using %d", text.c_str(), kDefaultPort);
    return kDefaultPort;
  }
  return static_cast<int>(port);
}

std::int64_t sliceCount(std::size_t bytes) {
  const auto size = static_cast<std::uint64_t>(bytes);
  const auto slice = static_cast<std::uint64_t>(kPackageSize);
  return static_cast<std::int64_t>(size / slice + (size % slice > 0 ? 1 : 0));
}

Json statusDictionary(int code, const std::string& msg) { return Json{{"code", code}, {"msg", msg}}; }

Json statusReply(int code, const std::string& msg) { return Json{{"status", statusDictionary(code, msg)}}; }

Json statusDictionary(const syncnetwork::Status& status) {
  return statusDictionary(status.code(), status.msg());
}

Json recordFromChunk(const syncnetwork::Chunk& chunk) {
  Json json = Json::object();
  for (const auto& [key, value] : chunk.json()) json[key] = value;
  return Json{{"sig", chunk.sig()},         {"timestamp", chunk.timestamp()}, {"alias", chunk.alias()},
              {"context", chunk.context()}, {"rich", chunk.rich()},           {"json", std::move(json)}};
}

Json recordsFromChunks(const google::protobuf::RepeatedPtrField<syncnetwork::Chunk>& chunks) {
  Json list = Json::array();
  for (const auto& chunk : chunks) list.push_back(recordFromChunk(chunk));
  return list;
}

std::string wireText(std::string_view text) {
  if (isValidUtf8(text)) return std::string(text);
  logWarningf("sync: text of %zu bytes is not UTF-8; invalid bytes are replaced", text.size());
  return sanitizeUtf8(text);
}

std::optional<Json> parsePeerJson(std::string_view text, std::string* error, int maxDepth,
                                  std::size_t maxBytes) {
  BoundedJson parsed = parseJsonBounded(text, static_cast<std::size_t>(maxDepth), maxBytes);
  if (parsed.ok()) return std::move(parsed.value);
  logWarningf("sync: peer json refused: %s", parsed.reason.c_str());
  if (error) *error = std::move(parsed.reason);
  return std::nullopt;
}

DictionaryReader::DictionaryReader(const Json& dictionary) : dictionary_(dictionary) {
  if (!dictionary_.is_object()) error_ = "not a dictionary";
}

bool DictionaryReader::has(std::string_view key) const {
  return dictionary_.is_object() && dictionary_.contains(key);
}

void DictionaryReader::fail(std::string problem) {
  if (error_.empty()) error_ = std::move(problem);
}

const Json* DictionaryReader::find(std::string_view key, bool required) {
  if (!ok()) return nullptr;
  auto it = dictionary_.find(key);
  if (it == dictionary_.end()) {
    if (required) fail("missing key " + keyName(key));
    return nullptr;
  }
  return &*it;
}

const Json* DictionaryReader::typed(std::string_view key, bool required, bool (Json::*is)() const noexcept,
                                    const char* what, bool* result) {
  const Json* value = find(key, required);
  if (value == nullptr) {
    *result = ok();
    return nullptr;
  }
  *result = (value->*is)();
  if (!*result) {
    fail(keyName(key) + " is not " + what);
    return nullptr;
  }
  return value;
}

bool DictionaryReader::text(std::string_view key, std::string* out, bool required) {
  bool result = false;
  if (const Json* value = typed(key, required, &Json::is_string, "text", &result))
    *out = wireText(value->get_ref<const std::string&>());
  return result;
}

bool DictionaryReader::number(std::string_view key, double* out, bool required) {
  bool result = false;
  if (const Json* value = typed(key, required, &Json::is_number, "a number", &result))
    *out = value->get<double>();
  return result;
}

bool DictionaryReader::int32(std::string_view key, std::int32_t* out, bool required) {
  const Json* value = find(key, required);
  if (value == nullptr) return ok();
  constexpr double kMin = std::numeric_limits<std::int32_t>::min();
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  const double number = value->is_number() ? value->get<double>() : std::nan("");
  if (!(number >= kMin && number <= kMax) || std::trunc(number) != number) {
    fail(keyName(key) + " is not a 32-bit integer");
    return false;
  }
  *out = static_cast<std::int32_t>(number);
  return true;
}

bool DictionaryReader::bytes(std::string_view key, std::string* out, bool required) {
  bool result = false;
  if (const Json* value = typed(key, required, &Json::is_binary, "a byte block", &result)) {
    const auto& binary = value->get_binary();
    out->assign(reinterpret_cast<const char*>(binary.data()), binary.size());
  }
  return result;
}

bool DictionaryReader::textList(std::string_view key, google::protobuf::RepeatedPtrField<std::string>* out,
                                bool required) {
  bool result = false;
  const Json* value = typed(key, required, &Json::is_array, "a list", &result);
  if (value == nullptr) return result;
  out->Clear();
  out->Reserve(static_cast<int>(value->size()));
  for (const Json& element : *value) {
    if (!element.is_string()) {
      fail(keyName(key) + " holds an element that is not text");
      return false;
    }
    out->Add(wireText(element.get_ref<const std::string&>()));
  }
  return true;
}

bool DictionaryReader::records(std::string_view key,
                               google::protobuf::RepeatedPtrField<syncnetwork::Chunk>* out, bool required) {
  bool result = false;
  const Json* value = typed(key, required, &Json::is_array, "a list", &result);
  if (value == nullptr) return result;
  out->Clear();
  out->Reserve(static_cast<int>(value->size()));
  std::size_t index = 0;
  for (const Json& record : *value) {
    if (!chunk(record, index++, out->Add())) return false;
  }
  return true;
}

bool DictionaryReader::chunk(const Json& record, std::size_t index, syncnetwork::Chunk* out) {
  const std::string where = "record " + std::to_string(index);
  if (!record.is_object()) {
    fail(where + " is not a dictionary");
    return false;
  }
  std::string* fields[] = {out->mutable_sig(), out->mutable_timestamp(), out->mutable_alias(),
                           out->mutable_context(), out->mutable_rich()};
  for (std::size_t i = 0; i < std::size(kRecordTextKeys); ++i) {
    auto it = record.find(kRecordTextKeys[i]);
    if (it == record.end() || !it->is_string()) {
      fail(where + ": " + keyName(kRecordTextKeys[i]) +
           (it == record.end() ? " is missing" : " is not text"));
      return false;
    }
    *fields[i] = wireText(it->get_ref<const std::string&>());
  }
  auto json = record.find("json");
  if (json == record.end() || !json->is_object()) {
    fail(where + ": " + keyName("json") + (json == record.end() ? " is missing" : " is not a dictionary"));
    return false;
  }
  auto* map = out->mutable_json();
  for (const auto& [jsonKey, jsonValue] : json->items()) {
    if (!jsonValue.is_string()) {
      fail(where + ": json value " + keyName(jsonKey) + " is not text");
      return false;
    }
    (*map)[wireText(jsonKey)] = wireText(jsonValue.get_ref<const std::string&>());
  }
  return true;
}

bool DictionaryReader::status(syncnetwork::Status* out) {
  const Json* value = find("status", true);
  if (value == nullptr) return false;
  DictionaryReader inner(*value);
  std::int32_t code = 0;
  std::string msg;
  inner.int32("code", &code);
  inner.text("msg", &msg);
  if (!inner.ok()) {
    fail("\"status\": " + inner.error());
    return false;
  }
  out->set_code(code);
  out->set_msg(std::move(msg));
  return true;
}

}  // namespace vl::syncwire
