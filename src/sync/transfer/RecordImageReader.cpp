#include "sync/transfer/RecordImageReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/record/JsonDataHelper.h"
#include "VLEngine/image/ImageCodec.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "sync/transfer/FileTransferEntity.h"

namespace vl {

namespace {

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";

std::optional<std::string> realPath(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get());
}

}  // namespace

std::optional<std::string> RecordImageReader::confinedPath(const std::string& path,
                                                           const std::vector<std::string>& roots) {
  std::optional<std::string> resolved = realPath(path);
  if (!resolved) return std::nullopt;
  for (const std::string& root : roots) {
    std::optional<std::string> base = realPath(root);
    if (!base) continue;
    const std::string prefix = *base == "/" ? *base : *base + "/";
    if (resolved->size() > prefix.size() && resolved->compare(0, prefix.size(), prefix) == 0) return resolved;
  }
  return std::nullopt;
}

std::optional<RecordImageReader::Bytes> RecordImageReader::readRegularFile(const std::string& path,
                                                                           std::size_t maxBytes) {
  // Non-blocking, so a FIFO put where an image was expected cannot hold the caller at open.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<Bytes> content;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) <= maxBytes) {
    Bytes data(static_cast<std::size_t>(st.st_size));
    std::size_t at = 0;
    while (at < data.size()) {
      const ssize_t n = ::read(fd, data.data() + at, data.size() - at);
      if (n <= 0) break;
      at += static_cast<std::size_t>(n);
    }
    // A file that shrank while it was read is taken as far as it went.
    data.resize(at);
    content = std::move(data);
  }
  ::close(fd);
  return content;
}

std::optional<RecordImageReader::Bytes> RecordImageReader::pngOf(const std::optional<Json>& json,
                                                                 const std::vector<std::string>& roots) {
  for (const char* key : {"forever_image", "image", "image_relative", "web_image"}) {
    std::optional<std::string> value = JsonDataHelper::stringOf(json, key);
    if (!value || value->empty()) continue;
    std::optional<std::string> path = confinedPath(percentDecode(*value), roots);
    if (!path) continue;
    std::optional<Bytes> data = readRegularFile(*path, FileTransferEntity::kMaxBytes);
    if (!data || data->empty()) continue;
    const std::string_view read(reinterpret_cast<const char*>(data->data()), data->size());
    if (read.substr(0, kPngSignature.size()) == kPngSignature) return data;
    if (ui::ImageRef image = ImageCodec::decode(read, "synced image")) {
      if (std::optional<std::string> png = ImageCodec::encodePNG(*image))
        return Bytes(png->begin(), png->end());
    }
  }
  return std::nullopt;
}

std::optional<RecordImageReader::Bytes> RecordImageReader::pngOf(const std::optional<Json>& json) {
  const VLEngine& engine = VLEngine::shared();
  return pngOf(json, {engine.filePath(), engine.webFilePath(), engine.foreverPath()});
}

}  // namespace vl
