#include "platform/foundation/BoundedJson.h"

namespace vl {

int jsonNestingDepth(std::string_view text, int stopAbove) {
  int depth = 0;
  int deepest = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    switch (c) {
      case '"':
        inString = true;
        break;
      case '[':
      case '{':
        if (++depth > deepest) {
          deepest = depth;
          if (deepest > stopAbove) return deepest;
        }
        break;
      case ']':
      case '}':
        // Unbalanced closers are the parser's to reject; they must not buy room for deeper nesting.
        if (depth > 0) --depth;
        break;
      default:
        break;
    }
  }
  return deepest;
}

std::optional<Json> parseJsonBounded(std::string_view text, int maxDepth, std::size_t maxBytes,
                                     std::string* error) {
  if (text.size() > maxBytes) {
    if (error) *error = "larger than " + std::to_string(maxBytes) + " bytes";
    return std::nullopt;
  }
  // The parser itself would build every level before anyone could look at the depth, and later
  // copies, dumps and destruction of such a value cost more than the parse.
  if (jsonNestingDepth(text, maxDepth) > maxDepth) {
    if (error) *error = "nested deeper than " + std::to_string(maxDepth) + " levels";
    return std::nullopt;
  }
  Json value = Json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
  if (!value.is_discarded()) return value;
  if (error) {
    // The parser's own message needs exceptions; ask for it only on the failure path.
    *error = "not JSON";
    try {
      Json again = Json::parse(text.begin(), text.end());
      (void)again;
    } catch (const Json::exception& e) {
      *error = e.what();
    }
  }
  return std::nullopt;
}

}  // namespace vl
