#include "platform/foundation/JsonBounded.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace vl {

namespace {

// Builds the value as the parser reports it and refuses, during the parse, to open a container past
// the bound: the parser stops at the first refusal, or, for DeepContainers::Null, puts null there and
// drops everything up to the container's end.
class BoundedBuilder {
 public:
  using number_integer_t = Json::number_integer_t;
  using number_unsigned_t = Json::number_unsigned_t;
  using number_float_t = Json::number_float_t;
  using string_t = Json::string_t;
  using binary_t = Json::binary_t;

  BoundedBuilder(std::size_t maxDepth, DeepContainers deep) : maxDepth_(maxDepth), deep_(deep) {}

  bool null() { return scalar(nullptr); }
  bool boolean(bool value) { return scalar(value); }
  bool number_integer(number_integer_t value) { return scalar(value); }
  bool number_unsigned(number_unsigned_t value) { return scalar(value); }
  bool number_float(number_float_t value, const string_t&) { return scalar(value); }
  bool string(string_t& value) { return scalar(std::move(value)); }
  bool binary(binary_t& value) { return scalar(Json::binary(std::move(value))); }
  bool start_object(std::size_t) { return open(Json::object()); }
  bool key(string_t& key) {
    if (skipping_ == 0) key_ = std::move(key);
    return true;
  }
  bool end_object() { return close(); }
  bool start_array(std::size_t) { return open(Json::array()); }
  bool end_array() { return close(); }
  template <class Exception>
  bool parse_error(std::size_t position, const std::string&, const Exception& error) {
    reason_ = error.what();
    // The library's code for a number beyond a double's range.
    if (error.id == 406) overflowAt_ = position;
    return false;
  }
  std::optional<std::size_t> overflowAt() const { return overflowAt_; }

  Json& root() { return root_; }
  bool tooDeep() const { return tooDeep_; }
  const std::string& reason() const { return reason_; }

 private:
  std::optional<std::size_t> overflowAt_;

 public:
 private:
  bool scalar(Json&& value) {
    if (skipping_ == 0) put(std::move(value));
    return true;
  }
  // Only the innermost open container ever receives a value, and it is the last member of each
  // container around it, so the pointers in open_ stay valid while it grows.
  Json* put(Json&& value) {
    if (open_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Json& parent = *open_.back();
    if (parent.is_array()) {
      auto& array = parent.get_ref<Json::array_t&>();
      array.push_back(std::move(value));
      return &array.back();
    }
    Json& slot = parent.get_ref<Json::object_t&>()[key_];
    slot = std::move(value);
    return &slot;
  }
  bool open(Json&& container) {
    if (skipping_ > 0) {
      ++skipping_;
      return true;
    }
    if (open_.size() >= maxDepth_) {
      if (deep_ == DeepContainers::Null) {
        put(nullptr);
        skipping_ = 1;
        return true;
      }
      tooDeep_ = true;
      reason_ = "nested deeper than " + std::to_string(maxDepth_) + " levels";
      return false;
    }
    open_.push_back(put(std::move(container)));
    return true;
  }
  bool close() {
    if (skipping_ > 0) {
      --skipping_;
    } else {
      open_.pop_back();
    }
    return true;
  }

  std::size_t maxDepth_;
  DeepContainers deep_;
  // How many containers are open inside the one that stands as null; their values are dropped.
  std::size_t skipping_ = 0;
  Json root_;
  std::vector<Json*> open_;
  string_t key_;
  bool tooDeep_ = false;
  std::string reason_;
};

constexpr int kMaxOverflowingNumbers = 64;

bool inNumber(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
}

// Makes `patched` `input` with the number that ends at or just before `position` written as null, padded
// to its length so that later positions stay. False where no number long enough stands there.
bool nullOutNumberEndingAt(std::string& patched, std::string_view input, std::size_t position) {
  std::size_t end = std::min(position, input.size());
  for (int lookBack = 0; lookBack < 2 && end > 0 && !inNumber(input[end - 1]); ++lookBack) --end;
  std::size_t begin = end;
  while (begin > 0 && inNumber(input[begin - 1])) --begin;
  constexpr std::string_view kNull = "null";
  if (end - begin < kNull.size()) return false;
  std::string copy(input);
  copy.replace(begin, end - begin, std::string(kNull) + std::string(end - begin - kNull.size(), ' '));
  patched = std::move(copy);
  return true;
}

BoundedJson finished(bool parsed, BoundedBuilder& builder) {
  BoundedJson result;
  if (parsed) {
    result.status = BoundedJson::Status::Ok;
    result.value = std::move(builder.root());
    return result;
  }
  result.status = builder.tooDeep() ? BoundedJson::Status::TooDeep : BoundedJson::Status::NotJson;
  result.reason = builder.reason().empty() ? std::string("not JSON") : builder.reason();
  return result;
}

}  // namespace

BoundedJson parseJsonBounded(std::string_view text, std::size_t maxDepth, std::size_t maxBytes,
                             DeepContainers deep) {
  if (text.size() > maxBytes) {
    BoundedJson result;
    result.status = BoundedJson::Status::TooLarge;
    result.reason = std::to_string(text.size()) + " bytes, more than " + std::to_string(maxBytes);
    return result;
  }
  // A number beyond a double's range (1e400) stops the library's parser; it stands as null instead, so
  // one such value costs only what holds it. Each is replaced in a copy of the text, a bounded number of
  // times.
  std::string patched;
  std::string_view input = text;
  for (int overflows = 0;; ++overflows) {
    BoundedBuilder builder(maxDepth, deep);
    const bool parsed = Json::sax_parse(input.begin(), input.end(), &builder, Json::input_format_t::json,
                                        /*strict=*/true);
    if (!parsed && builder.overflowAt() && overflows < kMaxOverflowingNumbers &&
        nullOutNumberEndingAt(patched, input, *builder.overflowAt())) {
      input = patched;
      continue;
    }
    return finished(parsed, builder);
  }
}

}  // namespace vl
