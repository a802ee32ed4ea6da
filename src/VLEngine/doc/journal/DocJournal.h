#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vl {

// The changes of one doc since its file was last written, as an append-only file beside it.
//
// Rewriting a whole doc costs as much as the doc is large; a change written here costs as much as the
// change. The doc file is brought up to date now and then (a fold), and at load a doc replays what
// its journals hold on top of its file.
//
// A doc has one or more journals, numbered by generation. A file is a sequence of records:
//   marker (8 bytes) | checksum (4 bytes, CRC-32 of type and payload) | length (4 bytes, payload) |
//   type (1 byte) | payload
// all numbers little-endian. The first record is the header, which has no marker and names the marker
// every later record of the file begins with: a number drawn at random when the journal is made. A
// record's payload holds copied text, which may itself hold the bytes of a well-formed record; after
// damage, reading starts again only where the marker stands, which no copied text can know. Journals
// of the first format have no marker (a header of 24 bytes, records that begin with their checksum)
// and are still read.
// A fold that replaces the doc file first writes a fold mark (the size and CRC-32 of the new file's
// bytes) into a journal of its own; at load, the newest mark that matches the doc file says that this
// journal and every older one are in the file.
//
// Names are "journal_<doc number>.<generation>": never taken for a doc ("BigDoc_<digits>"), for a
// temporary of an atomic write, or for a ".tmp" file to promote.
class DocJournal {
 public:
  enum class Type : std::uint8_t { Header = 1, Append = 2, Set = 3, Erase = 4, Fold = 5 };

  struct Header {
    std::int64_t docId = 0;
    std::uint64_t generation = 0;
    // Records of the doc when the journal began; its first change applies to a doc of this many.
    std::uint64_t baseRecords = 0;
    // What every later record begins with; 0 in a journal of the first format.
    std::uint64_t marker = 0;
  };
  // A change: an appended record, a record given a new text form (empty: deleted, its slot kept), or a
  // record erased with its slot (`text` then holds its signature, to check against). A record is named by
  // its rank among the doc's records, not by its slot: slots without a record (placeholders, records
  // deleted in place) do not outlive a rewrite of the doc file, and the journal must fit the doc whether
  // it comes from the file or from memory.
  struct Change {
    Type type = Type::Append;
    std::uint64_t record = 0;
    std::string text;
  };
  struct FoldMark {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    bool operator==(const FoldMark&) const = default;
  };
  // What reading a journal is told, in the file's order. A record that is not whole and sound is passed
  // over and reading goes on after it: each record carries its own length and checksum, so the next
  // sound one is found again. `skipped` comes where such a stretch was passed over: the changes after it
  // may name their records by ranks that the lost record would have shifted.
  struct Visitor {
    std::function<void(const Header&)> header;
    std::function<void(Change&&)> change;
    std::function<void()> skipped;
  };
  // What reading a journal met, besides the changes it handed on.
  struct Contents {
    std::optional<Header> header;
    std::optional<FoldMark> fold;
    std::size_t changes = 0;
    // Stretches of damage passed over (each a record, or several whose bounds were lost with it), their
    // bytes, and what the first one was, at which byte ("" when there was none).
    std::size_t skippedRecords = 0;
    std::uint64_t skippedBytes = 0;
    std::string damage;
    std::uint64_t damageOffset = 0;
    // It ends in a record cut off: a write the process did not live to finish, never acknowledged.
    bool cutOff = false;
    std::uint64_t cutOffset = 0;
    // Longer than kMaxReadBytes: only that much of it was read.
    bool tooLong = false;
    std::uint64_t fileBytes = 0;
    // Shorter than a header: the process died while it made the file, before anything went into it.
    bool unfinished = false;
    // It could not be opened or read.
    bool unreadable = false;
    // Anything lost besides a cut-off end: the file is worth keeping aside.
    bool damaged() const { return skippedRecords > 0 || tooLong || unreadable || (!header && !unfinished); }
  };

  // A payload longer than this is damage, whatever the length field says: no record is longer than the
  // text a whole doc may hold.
  static constexpr std::uint32_t kMaxPayloadBytes = 512u << 20;
  // A journal holds the changes of a few seconds. One longer than this is read only this far (and set
  // aside), so a damaged or hostile file costs a bounded time, and memory for one record at a time.
  static constexpr std::uint64_t kMaxReadBytes = std::uint64_t{1} << 30;

  static std::string fileName(std::int64_t docId, std::uint64_t generation);
  // Doc number and generation of a journal's name; nothing for any other name.
  static std::optional<std::pair<std::int64_t, std::uint64_t>> parseFileName(std::string_view name);
  static FoldMark markOf(std::string_view docBytes);

  // A record as it stands after a header of `marker` (0: of the first format, without one).
  static std::string encodeRecord(Type type, std::string_view payload, std::uint64_t marker = 0);
  static std::string encodeHeader(const Header& header);
  static std::string encodeChange(const Change& change, std::uint64_t marker = 0);
  static std::string encodeFold(const FoldMark& mark, std::uint64_t marker = 0);
  // A marker for a new journal: random, never 0.
  static std::uint64_t newMarker();
  static Contents decode(std::string_view bytes, const Visitor& visitor = {});
  // Reads a file as a stream, at most kMaxReadBytes of it; one that cannot be read is `unreadable`.
  static Contents read(const std::string& path, const Visitor& visitor = {});
  // The fold mark of a journal that holds one (what writeFoldMark writes), reading only its first bytes.
  static std::optional<FoldMark> readFoldMark(const std::string& path);
  // Tests lower the read bound (0: the real one), so a journal past it need not be gigabytes.
  static void setMaxReadBytesForTesting(std::uint64_t bytes);

  // Creates `folder`/fileName anew with its header (given a new marker), synced with its folder entry.
  // nullptr with `error` set when that fails.
  static std::shared_ptr<DocJournal> create(const std::string& folder, const Header& header,
                                            std::string* error);
  // A journal of its own that holds only a fold mark, synced with its folder entry.
  [[nodiscard]] static bool writeFoldMark(const std::string& folder, const Header& header,
                                          const FoldMark& mark, std::string* error);

  ~DocJournal();
  DocJournal(const DocJournal&) = delete;
  DocJournal& operator=(const DocJournal&) = delete;

  // Writes the change (not yet synced). On failure the file is cut back to where it was, so it stays a
  // sequence of whole records, and `error` tells why.
  [[nodiscard]] bool append(const Change& change, std::string* error);
  // Makes every change appended so far durable.
  [[nodiscard]] bool sync(std::string* error);
  // False once the file was removed behind our back (its folder deleted): writes then go nowhere.
  bool stillLinked() const;
  std::uint64_t generation() const { return header_.generation; }
  // Bytes of the file so far.
  std::uint64_t size() const { return size_; }
  const std::string& fileName() const { return name_; }
  // Bytes written to journals by this process, for the benchmarks.
  static std::uint64_t totalBytesWritten();

  // Fault injection for tests: asked before each create, append and sync with the journal's path and
  // the step ("create", "append", "sync"); a non-zero errno makes that step fail as the disk would.
  using FaultHook = std::function<int(const std::string& path, std::string_view step)>;
  static void setFaultHookForTesting(FaultHook hook);
  static int injectedFault(const std::string& path, std::string_view step);

 private:
  DocJournal(int fd, std::string path, std::string name, Header header, std::uint64_t size);

  int fd_ = -1;
  std::string path_;
  std::string name_;
  Header header_;
  std::uint64_t size_ = 0;
};

}  // namespace vl
