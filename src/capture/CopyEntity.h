#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Json.h"
#include "platform/system/Pasteboard.h"

namespace vl {

class CopyEntity;

// Told about an entity's life; nothing sets one today, the slot is kept for the record window.
class CopyEntityDelegate {
 public:
  virtual ~CopyEntityDelegate() = default;
};

// One snapshot of the pasteboard: the text that becomes the record's text, the record json keys that
// say what kind of copy it was, and when it was taken.
class CopyEntity {
 public:
  // Downloads of a copied image URL wait at most this long and take at most this many bytes, so one
  // slow or huge URL holds up the downloads behind it only briefly.
  static constexpr double kDownloadTimeoutSeconds = 10;
  static constexpr std::size_t kDownloadMaxBytes = 20 * 1024 * 1024;

  // An image a copied URL names, fetched after the copy is stored (capture never waits for the network).
  struct ImageDownload {
    std::string url;
    std::string name;  // the file name the URL gives
  };

  CopyEntity() = default;

  // Reads the pasteboard and decides the kind of copy; files an image copy will need are named here
  // but written only when the copy becomes a new record, and a copied image URL is only named for a
  // download afterwards. Never fails: bad items leave a text-only entity (which may be invalid).
  static std::shared_ptr<CopyEntity> entityWithPasteboard(const Pasteboard& board);
  // The same over a snapshot of the items, for a caller that reads more of the same copy.
  static std::shared_ptr<CopyEntity> entityWithItems(const std::vector<PasteboardItem>& items);

  // Drops leading line feeds and spaces, nothing else.
  static std::string filter(std::string_view text);
  // Cuts to the maximum length of settings key 102 (UTF-16 units, never inside a character); 0 keeps
  // the whole text.
  static std::string cutForMaxLength(std::string_view text);
  // "<folder>/<date>/" under the store's file (or web) folder, created when missing; nothing when the
  // folder is unknown or cannot be made.
  static std::optional<std::string> createFileFolderByDate(const std::string& date);
  static std::optional<std::string> createWebFileFolderByDate(const std::string& date);

  // The queue image downloads run on, one at a time, so the capture queue reads every copy in its turn.
  static std::shared_ptr<dispatch::Queue> downloadQueue();
  // Fetches the image into today's web folder under a free name; the path it was stored at, percent-
  // escaped as a record's json names it, or nothing (logged).
  static std::optional<std::string> downloadImage(const ImageDownload& download);

  // A copy that carries string, json and stringOnly (what the record window keeps).
  std::shared_ptr<CopyEntity> copy() const;

  bool invalid() const { return string_.empty(); }
  bool isFile() const { return jsonData_.is_object() && jsonData_.contains("file"); }
  bool isImage() const { return jsonData_.is_object() && jsonData_.contains("image"); }
  bool isStringEqualTo(const CopyEntity& other) const { return string_ == other.string_; }
  bool isFileEqualTo(const CopyEntity& other) const;
  bool isImageEqualTo(const CopyEntity& other) const;
  // The same copy again: equal texts naming the same file or image. Two different files of one name
  // are two copies, even one right after the other.
  bool isEnityEqualTo(const CopyEntity& other) const;
  // More than 1.5 s old.
  bool mergingTimeout() const;

  bool stringOnly() const { return stringOnly_; }
  void setStringOnly(bool v) { stringOnly_ = v; }
  const std::string& string() const { return string_; }
  void setString(std::string v) { string_ = std::move(v); }
  const Json& jsonData() const { return jsonData_; }
  Json& mutableJsonData() { return jsonData_; }
  void setJsonData(Json v) { jsonData_ = std::move(v); }
  double timestamp() const { return timestamp_; }
  void setTimestamp(double v) { timestamp_ = v; }
  // The image to fetch for a copied image URL, once the copy is stored.
  const std::optional<ImageDownload>& imageDownload() const { return imageDownload_; }
  void setImageDownload(std::optional<ImageDownload> v) { imageDownload_ = std::move(v); }
  std::weak_ptr<CopyEntityDelegate> delegate() const { return delegate_; }
  void setDelegate(std::weak_ptr<CopyEntityDelegate> v) { delegate_ = std::move(v); }

 private:
  bool stringOnly_ = true;
  std::string string_;
  Json jsonData_ = Json::object();
  std::weak_ptr<CopyEntityDelegate> delegate_;
  double timestamp_ = 0;
  std::optional<ImageDownload> imageDownload_;
};

}  // namespace vl
