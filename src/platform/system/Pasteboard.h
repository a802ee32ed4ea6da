#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vl {

// Representation types of pasteboard items. Capture checks these by name, so every backend reports
// what it holds in these terms (an X11 backend maps MIME targets onto them).
inline constexpr const char kPasteboardTypeString[] = "public.utf8-plain-text";
inline constexpr const char kPasteboardTypeHTML[] = "public.html";
inline constexpr const char kPasteboardTypeFileURL[] = "public.file-url";
inline constexpr const char kPasteboardTypeURL[] = "public.url";
inline constexpr const char kPasteboardTypeRTF[] = "public.rtf";
inline constexpr const char kPasteboardTypePNG[] = "public.png";
// Password managers on Linux offer this type beside what they copy; the value "secret" says the copy
// is a secret the user does not want kept anywhere. X11 carries it under the same target name.
inline constexpr const char kPasteboardTypePasswordManagerHint[] = "x-kde-passwordManagerHint";
// What the program itself puts on the pasteboard to paste carries this beside its content, so that
// capture, reading the write back, knows it for the program's own. Backends never offer it to other
// programs.
inline constexpr const char kPasteboardTypeOwnWrite[] = "org.vellisto.own-write";

// One item on the pasteboard: the same content in one or more representations, in the order the
// writer offered them. Data is raw bytes; text representations are UTF-8.
class PasteboardItem {
 public:
  PasteboardItem() = default;
  // An item with one representation.
  PasteboardItem(std::string type, std::string data);

  // Replaces the representation of `type` if present, else adds it at the end.
  void setData(const std::string& type, std::string data);
  void setString(const std::string& type, std::string text) { setData(type, std::move(text)); }

  bool has(std::string_view type) const;
  std::optional<std::string> data(std::string_view type) const;
  std::vector<std::string> types() const;
  bool empty() const { return representations_.empty(); }

 private:
  std::vector<std::pair<std::string, std::string>> representations_;
};

// Whether a password-manager hint's value marks its copy secret (a C string's terminator and trailing
// white space ignored).
bool isSecretPasswordManagerHint(std::string_view value);
// Whether any of the items carries a hint marking the copy secret.
bool isMarkedSecret(const std::vector<PasteboardItem>& items);
// Whether the items are the program's own write (kPasteboardTypeOwnWrite).
bool isOwnWrite(const std::vector<PasteboardItem>& items);

// The general pasteboard. Every change of contents raises the change count by one, which is how the
// capture poll notices a copy without reading the contents.
//
// A backend is installed once at start (headless by default, which is what tests use); `general()`
// hands out shared ownership so a reader on another thread never sees its backend destroyed.
// Backends are thread-safe: the poll reads the change count on a global queue while capture reads the
// contents on its own queue.
class Pasteboard {
 public:
  virtual ~Pasteboard() = default;

  static std::shared_ptr<Pasteboard> general();
  // nullptr goes back to a fresh headless pasteboard.
  static void install(std::shared_ptr<Pasteboard> backend);

  virtual long long changeCount() const = 0;
  // A snapshot of the current items (first item first).
  virtual std::vector<PasteboardItem> items() const = 0;
  // Empties the pasteboard and claims it for this program; returns the new change count.
  virtual long long clearContents() = 0;
  // Appends items after clearContents. Empty items are skipped. False when nothing could be written.
  [[nodiscard]] virtual bool writeObjects(const std::vector<PasteboardItem>& items) = 0;

  // Backends that learn of each change as it happens call the observer once per change, with the new
  // change count: another program's copy as soon as it is announced, this program's own write once it
  // is written. It runs on a thread of the backend and must not block it. False when the backend cannot
  // tell (its owner then polls changeCount()). One observer at a time; nullptr removes it.
  using ChangeObserver = std::function<void(long long changeCount)>;
  virtual bool observeChanges(ChangeObserver observer) {
    (void)observer;
    return false;
  }

  // Reads that look at the first item holding the type, as readers of the general pasteboard expect.
  // Types of all items, in order, each once.
  std::vector<std::string> types() const;
  bool hasType(std::string_view type) const;
  std::optional<std::string> dataForType(std::string_view type) const;
  // The data as text; nullopt when missing or not valid UTF-8 (a binary blob is not text).
  std::optional<std::string> stringForType(std::string_view type) const;

  // Shorthand used by the paste road: clear, then write one item with one text representation.
  bool setString(const std::string& text, const std::string& type = kPasteboardTypeString);
};

}  // namespace vl
