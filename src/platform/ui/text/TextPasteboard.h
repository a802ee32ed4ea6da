#pragma once

#include <memory>
#include <optional>
#include <string>

namespace vl::ui {

// Where the text controls' cut, copy and paste go. The toolkit cannot reach the system pasteboard (the
// system layer sits above it), so the system layer or start-up installs an adapter onto the general
// pasteboard; until then an in-memory pasteboard serves, which is also what tests use. Main thread only.
class TextPasteboard {
 public:
  virtual ~TextPasteboard() = default;

  // The installed pasteboard, or the in-memory one.
  static std::shared_ptr<TextPasteboard> current();
  // nullptr goes back to a fresh in-memory pasteboard.
  static void install(std::shared_ptr<TextPasteboard> pasteboard);

  // Plain text on the pasteboard; nullopt when it holds none.
  virtual std::optional<std::string> readString() = 0;
  // Replaces the contents with the text; false when the pasteboard refused it.
  [[nodiscard]] virtual bool writeString(const std::string& text) = 0;
};

// A pasteboard that only remembers the last text written.
class MemoryTextPasteboard : public TextPasteboard {
 public:
  std::optional<std::string> readString() override { return text_; }
  [[nodiscard]] bool writeString(const std::string& text) override {
    text_ = text;
    ++writes_;
    return true;
  }

 private:
  std::optional<std::string> text_;
  int writes_ = 0;
};

}  // namespace vl::ui
