#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/files/ReadableSize.h"
#include "platform/ui/graphics/Image.h"

namespace vl {

// What the file previews show of a file: built by VLFileManager::getFileInfoOfPath.
class VLFileInfo {
 public:
  // The file's uniform type identifier; empty when it could not be told.
  const std::string& uti() const { return uti_; }
  void setUti(std::string v) { uti_ = std::move(v); }
  // The last path component, percent-decoded.
  const std::string& name() const { return name_; }
  void setName(std::string v) { name_ = std::move(v); }
  // The path as it was passed in (it may be percent-encoded).
  const std::string& path() const { return path_; }
  void setPath(std::string v) { path_ = std::move(v); }
  // "file://" followed by the path.
  const std::string& url() const { return url_; }
  void setUrl(std::string v) { url_ = std::move(v); }
  const ReadableSize& readableSize() const { return readableSize_; }
  void setReadableSize(ReadableSize v) { readableSize_ = std::move(v); }
  // Seconds since 1970; unset when the attributes could not be read.
  std::optional<double> modificationDate() const { return modificationDate_; }
  void setModificationDate(std::optional<double> v) { modificationDate_ = v; }

  bool isImageType() const;

  // An image file opened as a picture; the record store installs its decoder at start (nullptr: none).
  using ImageFileLoader = std::function<ui::ImageRef(const std::string& path)>;
  static void setImageFileLoader(ImageFileLoader loader);
  static bool hasImageFileLoader();

  // The file's picture: an image file shows itself; anything else, or an image that cannot be decoded,
  // shows the workspace's icon for its type, `points` wide.
  ui::ImageRef getIcon(double points = 32) const;

 private:
  std::string uti_;
  std::string name_;
  std::string path_;
  std::string url_;
  ReadableSize readableSize_;
  std::optional<double> modificationDate_;
};

}  // namespace vl
