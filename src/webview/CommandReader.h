#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace vellisto_webview {

// One command from the program: a flat JSON object of strings, numbers and booleans. Anything nested is
// refused while it is read, so a hostile line costs one bounded pass.
struct Command {
  std::map<std::string, std::variant<std::string, long long, bool>> fields;

  std::string text(const std::string& key) const;
  long long number(const std::string& key, long long fallback = 0) const;
};

std::optional<Command> parseCommand(std::string_view line);

// Cuts the bytes read from the pipe into lines. A line longer than `maxLine` is dropped up to its end
// (the drop is reported once per line), so the buffer never holds more than `maxLine` bytes.
class LineReader {
 public:
  explicit LineReader(std::size_t maxLine) : maxLine_(maxLine) {}
  void feed(std::string_view bytes, const std::function<void(std::string_view line)>& onLine,
            const std::function<void()>& onDropped);

 private:
  std::size_t maxLine_;
  std::string partial_;
  bool dropping_ = false;
};

}  // namespace vellisto_webview
