#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vl {

// One application's desktop entry, as far as telling windows apart and starting programs needs it.
struct DesktopEntry {
  std::string id;    // "org.example.Editor" for ".../applications/org.example.Editor.desktop"
  std::string path;  // the file
  std::string name;
  std::string exec;
  std::string tryExec;
  std::string startupWMClass;
  bool operator==(const DesktopEntry&) const = default;
};

// The [Desktop Entry] group of one desktop entry file. Reading is lenient: a line that breaks the
// format is passed over and the first such fault kept, so a reader that only wants a few keys can use
// the file while one that lists applications refuses it.
class DesktopEntryFile {
 public:
  enum class Verdict { Application, Hidden, NoDisplay, NotApplication, Malformed };

  // Desktop entries are a few kilobytes; anything this large is not one, and is not read into memory.
  static constexpr std::uint64_t kMaxSize = 1 << 20;

  static DesktopEntryFile parse(std::string_view text);
  // nullopt, with *error saying why, when `path` is not a regular file of sensible size or cannot be read.
  static std::optional<DesktopEntryFile> read(const std::string& path, std::string* error);

  bool hasMainGroup() const { return hasMainGroup_; }
  // The first thing wrong with the format ("line 3 is not key=value"); "" when nothing is.
  const std::string& fault() const { return fault_; }
  bool has(std::string_view key) const { return keys_.find(key) != keys_.end(); }
  // The value with its escapes undone; "" when the key is absent. The first of a repeated key counts.
  std::string value(std::string_view key) const;

  // How a menu takes the entry. Malformed, with *reason, when the format is broken or a required key
  // is missing; a file that only says Hidden=true is Hidden and needs no other key.
  Verdict verdict(std::string* reason = nullptr) const;
  // Name, Exec, TryExec and StartupWMClass; id and path are the caller's to fill in.
  DesktopEntry entry() const;

 private:
  void noteFault(std::string fault);

  bool hasMainGroup_ = false;
  std::string fault_;
  std::map<std::string, std::string, std::less<>> keys_;
};

}  // namespace vl
