#include "CommandReader.h"

#include <climits>
#include <nlohmann/json.hpp>

namespace vellisto_webview {

namespace {

// Accepts one object of scalar values; the first nested container or non-object top ends the parse.
class FlatObject {
 public:
  using json = nlohmann::json;
  explicit FlatObject(Command& out) : out_(out) {}

  bool null() { return skip(); }
  bool boolean(bool v) { return put(v); }
  bool number_integer(json::number_integer_t v) { return put(static_cast<long long>(v)); }
  bool number_unsigned(json::number_unsigned_t v) {
    return v <= static_cast<json::number_unsigned_t>(LLONG_MAX) && put(static_cast<long long>(v));
  }
  bool number_float(json::number_float_t v, const std::string&) {
    return v > -9e18 && v < 9e18 && put(static_cast<long long>(v));
  }
  bool string(std::string& v) { return put(std::move(v)); }
  bool binary(json::binary_t&) { return false; }
  bool start_object(std::size_t) { return !opened_ && (opened_ = true); }
  bool key(std::string& k) {
    key_ = std::move(k);
    return true;
  }
  bool end_object() { return true; }
  bool start_array(std::size_t) { return false; }
  bool end_array() { return false; }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

 private:
  template <typename T>
  bool put(T value) {
    if (!opened_) return false;
    out_.fields[key_] = std::move(value);
    return true;
  }
  bool skip() { return opened_; }

  Command& out_;
  std::string key_;
  bool opened_ = false;
};

}  // namespace

std::string Command::text(const std::string& key) const {
  auto it = fields.find(key);
  if (it == fields.end()) return {};
  const auto* s = std::get_if<std::string>(&it->second);
  return s ? *s : std::string();
}

long long Command::number(const std::string& key, long long fallback) const {
  auto it = fields.find(key);
  if (it == fields.end()) return fallback;
  if (const auto* n = std::get_if<long long>(&it->second)) return *n;
  return fallback;
}

std::optional<Command> parseCommand(std::string_view line) {
  Command command;
  FlatObject sax(command);
  if (!nlohmann::json::sax_parse(line.begin(), line.end(), &sax)) return std::nullopt;
  return command;
}

void LineReader::feed(std::string_view bytes, const std::function<void(std::string_view)>& onLine,
                      const std::function<void()>& onDropped) {
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, end);
    if (dropping_) {
      // The rest of an over-long line goes, up to and with its newline.
    } else if (partial_.size() + piece.size() > maxLine_) {
      partial_.clear();
      dropping_ = true;
      onDropped();
    } else {
      partial_.append(piece);
    }
    if (end == std::string_view::npos) return;
    if (!dropping_) onLine(partial_);
    partial_.clear();
    dropping_ = false;
    bytes.remove_prefix(end + 1);
  }
}

}  // namespace vellisto_webview
