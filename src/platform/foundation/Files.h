#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// File helpers. Errors are returned, never thrown; each failure the caller cannot act on is logged.
namespace vl::files {

// $HOME, else the password database's home of this user, else "/".
std::string homeDirectory();

// Opens a regular file for reading, never waiting: a FIFO, a device or a socket named where a file is
// expected is refused. The descriptor (the caller closes it), or -1 with errno set.
int openRegularFile(const std::string& path, struct stat* info = nullptr);
// The whole of a regular file; nothing for anything else.
[[nodiscard]] std::optional<std::string> readFile(const std::string& path);
// The same, or nothing when the file holds more than `maxBytes` (checked while reading too: files grow).
[[nodiscard]] std::optional<std::string> readFile(const std::string& path, std::uint64_t maxBytes);
// At most the first `bytes` of a regular file.
[[nodiscard]] std::optional<std::string> readFileHead(const std::string& path, std::size_t bytes);
// What the program's own files and folders get: the history is private to its user.
constexpr mode_t kPrivateFileMode = 0600;
constexpr mode_t kPrivateFolderMode = 0700;

// Writes a temporary in the same folder, fsyncs it, renames it over `path` and fsyncs the folder, so
// readers see the old or the new file and a crash never leaves half a file. The file gets `mode`.
// The temporary is hidden and named "." + file name + "-" + random hex + ".partial", so listings that look
// for the file's own name pattern (docs, ".tmp" promotion) pass it by.
[[nodiscard]] bool atomicWrite(const std::string& path, std::string_view data,
                               mode_t mode = kPrivateFileMode);
// The same for content that lies in pieces, written one after another without joining them first.
[[nodiscard]] bool atomicWrite(const std::string& path, const std::vector<std::string>& pieces,
                               mode_t mode = kPrivateFileMode);
// The same for content that `write` puts into the temporary's descriptor, answering whether all of it
// went in; on false the temporary is removed and nothing replaces `path`.
[[nodiscard]] bool atomicWriteWith(const std::string& path, mode_t mode,
                                   const std::function<bool(int fd)>& write);
bool isAtomicWriteTemporaryName(std::string_view name);
// fsync of a folder, so the names created, renamed or removed in it last through a crash.
[[nodiscard]] bool syncFolder(const std::string& folder);
// Writes all of `data` to `fd`, again after an interrupted or short write; false on an error, with errno
// set (EIO for a write that took nothing and named no error).
[[nodiscard]] bool writeAll(int fd, std::string_view data);
// Runs after the temporary is complete and before the rename; answering false stops there as a crash
// would, leaving the temporary behind. nullptr removes the hook.
using AtomicWriteHook = std::function<bool(const std::string& temporaryPath, const std::string& path)>;
void setAtomicWriteHookForTesting(AtomicWriteHook hook);

enum class ListStatus { Ok, Missing, NoPermission, NotDirectory, Error };
struct DirectoryListing {
  ListStatus status = ListStatus::Ok;
  std::vector<std::string> names;  // sorted by byte order; "." and ".." left out
  std::string error;               // strerror text when status != Ok
  bool ok() const { return status == ListStatus::Ok; }
};
// includeHidden false leaves out names starting with ".".
DirectoryListing listDirectory(const std::string& path, bool includeHidden = true);

bool exists(const std::string& path);
bool isDirectory(const std::string& path);
bool isRegularFile(const std::string& path);
// Like `mkdir -p`; true if the folder exists afterwards. Folders that exist keep their mode.
[[nodiscard]] bool createDirectories(const std::string& path, mode_t mode = kPrivateFolderMode);
// Removes a file or a folder with everything in it; symbolic links are removed, never followed.
// True if nothing is left at the path (also when nothing was there).
[[nodiscard]] bool removeRecursive(const std::string& path);
// Copies a regular file's bytes (not its owner), streamed through a temporary that is renamed into place;
// overwrite false refuses an existing target. The copy gets `mode`, or the source's mode without one.
[[nodiscard]] bool copyFile(const std::string& from, const std::string& to, bool overwrite = false,
                            std::optional<mode_t> mode = std::nullopt);
// rename(2), falling back to copy and remove across file systems.
[[nodiscard]] bool moveFile(const std::string& from, const std::string& to);
std::optional<std::uint64_t> fileSize(const std::string& path);
// Seconds since 1970 with sub-second precision.
std::optional<double> modificationTime(const std::string& path);

// Path text helpers.
std::string joinPath(std::string_view a, std::string_view b);
std::string lastPathComponent(std::string_view path);
std::string deletingLastPathComponent(std::string_view path);
// The extension without the dot; "" when there is none (".hidden" has none).
std::string pathExtension(std::string_view path);

}  // namespace vl::files
