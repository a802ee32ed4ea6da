#include "VLEngine/doc/record/RecordJson.h"

#include <atomic>

#include "platform/foundation/JsonBounded.h"

namespace vl {

namespace {

// Most records carry an empty kind dictionary; it is known without the parser.
bool isEmptyObjectText(std::string_view text) {
  if (text.size() < 2 || text.front() != '{' || text.back() != '}') return false;
  for (char c : text.substr(1, text.size() - 2)) {
    if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return false;
  }
  return true;
}

// Follows the parser's events without building anything: how deep containers open, and which keys
// the outermost dictionary holds.
class Inspector {
 public:
  using number_integer_t = Json::number_integer_t;
  using number_unsigned_t = Json::number_unsigned_t;
  using number_float_t = Json::number_float_t;
  using string_t = Json::string_t;
  using binary_t = Json::binary_t;

  bool null() { return value(false); }
  bool boolean(bool) { return value(false); }
  bool number_integer(number_integer_t) { return value(false); }
  bool number_unsigned(number_unsigned_t) { return value(false); }
  bool number_float(number_float_t, const string_t&) { return value(false); }
  bool string(string_t& text) {
    if (depth_ == 1 && lastTopKey_ == Key::Ocr) ocr_ = text;
    return value(true);
  }
  bool binary(binary_t&) { return value(false); }
  bool start_object(std::size_t) {
    if (depth_ == 0) topIsObject_ = true;
    return open();
  }
  bool key(string_t& key) {
    if (depth_ == 1) {
      lastTopKey_ = key == "app"                               ? Key::App
                    : key == "ocr"                             ? Key::Ocr
                    : key == RecordJson::kApplicationCopiedKey ? Key::AppCopied
                                                               : Key::Other;
    }
    return true;
  }
  bool end_object() { return close(); }
  bool start_array(std::size_t) { return open(); }
  bool end_array() { return close(); }
  template <class Exception>
  bool parse_error(std::size_t, const std::string&, const Exception& error) {
    reason_ = error.what();
    return false;
  }

  bool topIsObject() const { return topIsObject_; }
  bool tooDeep() const { return tooDeep_; }
  bool hasApp() const { return hasApp_; }
  bool hasOcr() const { return hasOcr_; }
  bool hasAppCopied() const { return hasAppCopied_; }
  std::string& ocr() { return ocr_; }
  const std::string& reason() const { return reason_; }

 private:
  enum class Key { Other, App, Ocr, AppCopied };

  // A member of the outermost dictionary has its value now (a container's when it opens).
  void member(bool isString) {
    if (depth_ != 1) return;
    if (lastTopKey_ == Key::App) hasApp_ = true;
    if (lastTopKey_ == Key::AppCopied) hasAppCopied_ = true;
    // A key given twice has its last value, as the parser reads it.
    if (lastTopKey_ == Key::Ocr) {
      hasOcr_ = isString;
      if (!isString) ocr_.clear();
    }
    lastTopKey_ = Key::Other;
  }
  bool value(bool isString) {
    member(isString);
    return true;
  }
  bool open() {
    member(false);
    if (depth_ >= RecordJson::kMaxDepth) {
      tooDeep_ = true;
      reason_ = "nested deeper than " + std::to_string(RecordJson::kMaxDepth) + " levels";
      return false;
    }
    ++depth_;
    return true;
  }
  bool close() {
    --depth_;
    return true;
  }

  std::size_t depth_ = 0;
  Key lastTopKey_ = Key::Other;
  bool topIsObject_ = false;
  bool tooDeep_ = false;
  bool hasApp_ = false;
  bool hasOcr_ = false;
  bool hasAppCopied_ = false;
  std::string ocr_;
  std::string reason_;
};

std::atomic<std::uint64_t> gParses{0};

}  // namespace

void RecordJson::append(std::string& out, const Json& json) {
  if (!json.is_object() || json.empty()) {
    out.append(dumpJson(json));
    return;
  }
  out.append("{\n");
  bool first = true;
  for (auto it = json.begin(); it != json.end(); ++it) {
    if (!first) out.append(",\n");
    first = false;
    out.append("  ");
    out.append(dumpJson(Json(it.key())));
    out.append(": ");
    out.append(dumpJson(it.value()));
  }
  out.append("\n}");
}

std::string RecordJson::textOf(const Json& json) {
  std::string out;
  append(out, json);
  return out;
}

RecordJson::Inspection RecordJson::inspect(std::string_view text) {
  Inspection result;
  if (text.empty()) return result;
  if (isEmptyObjectText(text)) {
    result.kind = Inspection::Kind::EmptyDictionary;
    return result;
  }
  if (text.size() > kMaxBytes) {
    result.kind = Inspection::Kind::BeyondBounds;
    result.reason = std::to_string(text.size()) + " bytes, more than " + std::to_string(kMaxBytes);
    return result;
  }
  Inspector inspector;
  const bool parsed = Json::sax_parse(text.begin(), text.end(), &inspector, Json::input_format_t::json,
                                      /*strict=*/true);
  if (!parsed) {
    result.kind = inspector.tooDeep() ? Inspection::Kind::BeyondBounds : Inspection::Kind::NotDictionary;
    result.reason = inspector.reason().empty() ? std::string("not JSON") : inspector.reason();
    return result;
  }
  if (!inspector.topIsObject()) {
    result.kind = Inspection::Kind::NotDictionary;
    result.reason = "another JSON value";
    return result;
  }
  result.kind = Inspection::Kind::Dictionary;
  result.hasApp = inspector.hasApp();
  result.hasOcr = inspector.hasOcr();
  result.hasAppCopied = inspector.hasAppCopied();
  if (result.hasOcr) result.ocr = std::move(inspector.ocr());
  return result;
}

std::optional<Json> RecordJson::parse(std::string_view text) {
  if (isEmptyObjectText(text)) return Json::object();
  gParses.fetch_add(1, std::memory_order_relaxed);
  BoundedJson parsed = parseJsonBounded(text, kMaxDepth, kMaxBytes);
  if (!parsed.ok()) return std::nullopt;
  return std::move(parsed.value);
}

std::uint64_t RecordJson::parseCount() { return gParses.load(std::memory_order_relaxed); }

}  // namespace vl
