#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Json.h"

namespace vl {

// A record keeps its json as the text its doc writes, and parses it only when someone reads it: most
// records are never read whole again, and a parsed dictionary takes several times the room of its
// text. These are the few things done to such a text.
class RecordJson {
 public:
  // A record json nested deeper than this, or longer than the byte bound, is damage: no clip nests
  // its kind dictionary, and a writer walking such a tree would stall every later write of the doc.
  static constexpr std::size_t kMaxDepth = 64;
  static constexpr std::size_t kMaxBytes = std::size_t{256} << 20;
  // Set ("1") in an application record's json once the user copied the application's name: from then
  // on the record is one of the user's copies in the unfiltered history, which lists no record the
  // installed-application index merely appended.
  static constexpr const char* kApplicationCopiedKey = "app_copied";

  // The text a doc writes for a json: a dictionary pretty-printed as every earlier version wrote the
  // flat dictionaries records carry, with each member's value written compact, so the indentation
  // never grows with the depth of a value; any other value compact.
  static std::string textOf(const Json& json);
  static void append(std::string& out, const Json& json);

  // What a json field of a doc holds, found in one bounded pass that builds nothing.
  struct Inspection {
    enum class Kind {
      // The empty text: no json at all.
      None,
      // A dictionary without members ("{}", with or without white space).
      EmptyDictionary,
      Dictionary,
      // JSON that is not a dictionary, or no JSON at all.
      NotDictionary,
      // Past kMaxDepth or kMaxBytes.
      BeyondBounds,
    };
    Kind kind = Kind::None;
    // The dictionary has the key "app" (a copied application), or "ocr" with a text value.
    bool hasApp = false;
    bool hasOcr = false;
    // The dictionary has "app_copied": an application record that a copy of its name refreshed.
    bool hasAppCopied = false;
    // The text of "ocr" when hasOcr: searches read it at every keystroke, so it is kept beside the json.
    std::string ocr;
    // Why the text is not a dictionary, for a log line.
    std::string reason;
  };
  static Inspection inspect(std::string_view text);

  // The value of a text that inspect() found to be a dictionary (or any JSON); nothing for a text
  // that does not parse within the bounds.
  static std::optional<Json> parse(std::string_view text);
  // How many texts parse() has parsed in this process: searches must not parse a record's json.
  static std::uint64_t parseCount();
};

}  // namespace vl
