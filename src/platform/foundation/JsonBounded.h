#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Json.h"

namespace vl {

// JSON from files and peers that may be hostile. The parser stops at the first container that opens
// deeper than `maxDepth` (a container at the top is depth 1), and text longer than `maxBytes` is not
// parsed at all, so a hostile text costs one bounded pass and never a deep tree.
struct BoundedJson {
  enum class Status { Ok, NotJson, TooDeep, TooLarge };
  Status status = Status::NotJson;
  std::optional<Json> value;  // set only for Ok
  std::string reason;         // what went wrong, for a log line; empty for Ok

  bool ok() const { return status == Status::Ok; }
};

// What a container that opens deeper than the bound does: it refuses the whole text, or it stands as
// null in its place (read past, never built) so the values around it are kept, e.g. the intact records
// of a list one of whose records holds a list where a text belongs.
enum class DeepContainers { Refuse, Null };

BoundedJson parseJsonBounded(std::string_view text, std::size_t maxDepth, std::size_t maxBytes,
                             DeepContainers deep = DeepContainers::Refuse);

}  // namespace vl
