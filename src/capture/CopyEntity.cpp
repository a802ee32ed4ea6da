#include "capture/CopyEntity.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "VLEngine/VLEngine.h"
#include "VLEngine/image/ImageCodec.h"
#include "core/VLConfig.h"
#include "core/files/VLFileManager.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Regex.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Url.h"
#include "platform/richtext/HtmlReader.h"
#include "platform/richtext/RtfReader.h"
#include "platform/system/net/HttpFetcher.h"

namespace vl {

namespace {

constexpr const char* kFileView = "FileView";
// More same-named files than this in one day's folder means something is wrong; give up on the file.
constexpr int kMaxNameSuffix = 10000;

// The first item's representation of a type, read from one snapshot so that every part of an entity
// describes the same copy even while the pasteboard changes under us.
std::optional<std::string> dataFor(const std::vector<PasteboardItem>& items, std::string_view type) {
  for (const auto& item : items) {
    if (auto data = item.data(type)) return data;
  }
  return std::nullopt;
}

// Addresses (file and web URLs) must be exact: one that is not UTF-8 is ignored.
std::optional<std::string> addressFor(const std::vector<PasteboardItem>& items, std::string_view type) {
  auto data = dataFor(items, type);
  if (data && !isValidUtf8(*data)) {
    logWarningf("capture: %.*s on the pasteboard is not UTF-8 text, ignored", static_cast<int>(type.size()),
                type.data());
    return std::nullopt;
  }
  return data;
}

// Text keeps what it can: a few bad bytes must not lose the whole copy.
std::optional<std::string> textFor(const std::vector<PasteboardItem>& items, std::string_view type) {
  auto data = dataFor(items, type);
  if (data && !isValidUtf8(*data)) {
    logWarningf("capture: %.*s on the pasteboard (%zu bytes) is not valid UTF-8; the bad bytes are replaced",
                static_cast<int>(type.size()), type.data(), data->size());
    return sanitizeUtf8(*data);
  }
  return data;
}

// The plain text of a copy that offers only rich text (RTF is 7-bit text; anything else is not RTF).
std::string plainTextOfRtf(const std::vector<PasteboardItem>& items) {
  const auto rtf = dataFor(items, kPasteboardTypeRTF);
  if (!rtf || !isValidUtf8(*rtf)) return {};
  const auto text = ui::RtfReader::read(*rtf);
  if (!text) {
    logWarningf("capture: %zu bytes of rich text on the pasteboard do not read as RTF", rtf->size());
    return {};
  }
  // The paragraph mark that ends the last paragraph is no part of the copied text.
  std::string plain = text->string();
  while (!plain.empty() && (plain.back() == '\n' || plain.back() == '\r')) plain.pop_back();
  return plain;
}

// The plain text of a copy that offers only HTML, read as its page would show it (nothing it links to
// is fetched). Invalid UTF-8 was already replaced when the answer was read.
std::string plainTextOfHtml(const std::vector<PasteboardItem>& items) {
  const auto html = textFor(items, kPasteboardTypeHTML);
  if (!html || html->empty()) return {};
  const auto text = ui::HtmlReader::read(*html);
  if (!text) {
    logWarningf("capture: %zu bytes of HTML on the pasteboard could not be read", html->size());
    return {};
  }
  // The line breaks that end the last block are no part of the copied text.
  std::string plain = text->string();
  while (!plain.empty() && (plain.back() == '\n' || plain.back() == '\r')) plain.pop_back();
  return plain;
}

std::string today() { return date::format(Clock::current().now(), "yyyy-MM-dd"); }

std::optional<std::string> createDatedFolder(const std::string& base, const std::string& date) {
  if (base.empty()) return std::nullopt;
  std::string root = base;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  const std::string folder = root + "/" + date + "/";
  if (!files::createDirectories(folder)) {
    logErrorf("capture: cannot create folder %s", folder.c_str());
    return std::nullopt;
  }
  return folder;
}

// True when the file at `path` holds exactly these bytes.
bool holdsBytes(const std::string& path, const std::string& bytes) {
  const auto size = files::fileSize(path);
  if (!size || *size != bytes.size()) return false;
  return files::readFile(path, bytes.size()) == bytes;
}

// True when two regular files hold the same bytes; compared piece by piece, never read whole.
bool sameContents(const std::string& path, const std::string& source) {
  struct stat a, b;
  const int one = files::openRegularFile(path, &a);
  if (one < 0) return false;
  const int two = files::openRegularFile(source, &b);
  bool same = two >= 0 && a.st_size == b.st_size;
  std::vector<char> left(1 << 16), right(1 << 16);
  while (same) {
    const ssize_t n = ::read(one, left.data(), left.size());
    if (n <= 0) {
      same = n == 0 && ::read(two, right.data(), 1) == 0;
      break;
    }
    std::size_t got = 0;
    while (got < static_cast<std::size_t>(n)) {
      const ssize_t m = ::read(two, right.data() + got, static_cast<std::size_t>(n) - got);
      if (m <= 0) break;
      got += static_cast<std::size_t>(m);
    }
    same = got == static_cast<std::size_t>(n) && std::memcmp(left.data(), right.data(), got) == 0;
  }
  ::close(one);
  if (two >= 0) ::close(two);
  return same;
}

// An image file is copied and shown only when it is a regular file of a size worth decoding. Anything
// else with an image's name (a FIFO, a device, a huge file) is kept by its name and path instead.
std::optional<std::string> whyNotAnImageFile(const std::string& path) {
  // A file gone already is found out when it is copied.
  if (!files::exists(path)) return std::nullopt;
  struct stat st;
  const int fd = files::openRegularFile(path, &st);
  if (fd < 0) return errno == EINVAL ? "it is not a regular file" : "it cannot be read";
  ::close(fd);
  if (static_cast<std::uint64_t>(st.st_size) > ImageCodec::kMaxFileBytes)
    return "it holds " + std::to_string(st.st_size) + " bytes";
  return std::nullopt;
}

// A name in `folder` that no other file holds, so two images of the same name on the same day never
// overwrite each other: "name.png", then "name-1.png", "name-2.png"... A file that already holds the
// very same image counts as free: copying one image twice keeps one file and one record.
std::optional<std::string> freeName(const std::string& folder, const std::string& name,
                                    const std::function<bool(const std::string& existing)>& isSameImage) {
  const std::string extension = files::pathExtension(name);
  const std::string stem = extension.empty() ? name : name.substr(0, name.size() - extension.size() - 1);
  for (int suffix = 0; suffix <= kMaxNameSuffix; ++suffix) {
    std::string candidate = suffix == 0 ? name : stem + "-" + std::to_string(suffix);
    if (suffix != 0 && !extension.empty()) candidate += "." + extension;
    const std::string path = files::joinPath(folder, candidate);
    if (!files::exists(path) || isSameImage(path)) return candidate;
  }
  logErrorf("capture: no free name for %s in %s", name.c_str(), folder.c_str());
  return std::nullopt;
}

// Writes the bytes under a free name (or finds them already there); the name used, or nothing.
std::optional<std::string> storeBytes(const std::string& folder, const std::string& name,
                                      const std::string& bytes) {
  const auto free =
      freeName(folder, name, [&](const std::string& existing) { return holdsBytes(existing, bytes); });
  if (!free) return std::nullopt;
  const std::string path = files::joinPath(folder, *free);
  if (files::exists(path) || files::atomicWrite(path, bytes)) return free;
  logErrorf("capture: cannot write %s", path.c_str());
  return std::nullopt;
}

bool looksLikePng(const std::string& data) {
  static constexpr unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return data.size() > sizeof(kSignature) && std::memcmp(data.data(), kSignature, sizeof(kSignature)) == 0;
}

void applyFileUrl(CopyEntity& entity, const std::string& fileUrl) {
  entity.setStringOnly(false);
  const std::string path = VLFileManager::trimFileSchema(fileUrl);
  const std::string decoded = percentDecode(path);
  if (decoded.empty() || decoded.front() != '/' || decoded.find('\0') != std::string::npos) {
    logWarningf("capture: broken file url of %zu bytes, kept as text", fileUrl.size());
    return;
  }
  const VLFileInfo info = VLFileManager::shared().getFileInfoOfPath(path);
  Json& json = entity.mutableJsonData();
  std::optional<std::string> notAnImage = info.isImageType() ? whyNotAnImageFile(decoded) : std::nullopt;
  if (notAnImage) {
    logWarningf("capture: the image %s is kept as a file: %s", decoded.c_str(), notAnImage->c_str());
  }
  if (info.isImageType() && !notAnImage) {
    const Json storage = VLConfig::shared().getValueOfKey(VLConfig::kImageStorage).value_or(Json());
    if (storage.is_object() && jsonBool(storage, "isCopy")) {
      const std::string date = today();
      const auto folder = CopyEntity::createFileFolderByDate(date);
      const auto name =
          folder ? freeName(*folder, files::lastPathComponent(decoded),
                            [&](const std::string& existing) { return sameContents(existing, decoded); })
                 : std::nullopt;
      if (folder && name) {
        json["image"] = *folder + percentEncode(*name, PercentSet::Path);
        json["image_relative"] = path;
        json["copy_date"] = date;
        json["custom_view"] = kFileView;
      }
    } else {
      json["image_relative"] = path;
      json["custom_view"] = kFileView;
    }
  } else {
    json["file"] = path;
    json["custom_view"] = kFileView;
  }
  if (entity.string().empty()) entity.setString(info.name());
}

void applyUrl(CopyEntity& entity, const std::string& url) {
  entity.setStringOnly(false);
  static const auto pattern = Regex::compile(R"((?<=\/)([\w|\-|\.]+).(svg|png|jpg|jpeg|gif|tiff).*$)",
                                             RegexOptions{.timeLimitMs = 200});
  if (!pattern) return;
  const auto match = pattern->firstMatch(url);
  if (!match) return;
  const std::string name =
      substringWithRange(url, match->group(1)) + "." + substringWithRange(url, match->group(2));
  if (!HttpFetcher::isFetchableUrl(url)) {
    logWarningf("capture: not downloading an address of %zu bytes: only http and https are fetched",
                url.size());
  } else {
    entity.setImageDownload(CopyEntity::ImageDownload{url, name});
  }
  if (entity.string().empty()) entity.setString(name);
}

void applyPng(CopyEntity& entity, const std::string& png) {
  entity.setStringOnly(false);
  if (!looksLikePng(png)) {
    logWarningf("capture: %zu bytes of png data on the pasteboard are not a png, kept as text", png.size());
    return;
  }
  const std::string name = date::format(entity.timestamp(), "yyyy-MM-dd.HHmmss") + ".png";
  if (const auto folder = CopyEntity::createWebFileFolderByDate(today())) {
    if (const auto free = storeBytes(*folder, name, png)) {
      const std::string path = *folder + percentEncode(*free, PercentSet::Path);
      entity.setString(*free);
      entity.mutableJsonData()["web_image"] = path;
      entity.mutableJsonData()["screenshot"] = path;
      entity.mutableJsonData()["custom_view"] = kFileView;
    }
  }
  if (entity.string().empty()) entity.setString(name);
}

}  // namespace

std::shared_ptr<CopyEntity> CopyEntity::entityWithPasteboard(const Pasteboard& board) {
  return entityWithItems(board.items());
}

std::shared_ptr<CopyEntity> CopyEntity::entityWithItems(const std::vector<PasteboardItem>& items) {
  auto entity = std::make_shared<CopyEntity>();
  std::string text = textFor(items, kPasteboardTypeString).value_or("");
  if (text.empty()) text = plainTextOfRtf(items);
  if (text.empty()) text = plainTextOfHtml(items);
  entity->setString(cutForMaxLength(filter(text)));
  entity->setTimestamp(Clock::current().now());
  if (auto html = textFor(items, kPasteboardTypeHTML)) {
    entity->mutableJsonData()["html"] = std::move(*html);
  } else if (auto fileUrl = addressFor(items, kPasteboardTypeFileURL)) {
    applyFileUrl(*entity, *fileUrl);
  } else if (auto url = addressFor(items, kPasteboardTypeURL)) {
    applyUrl(*entity, *url);
  } else if (auto png = dataFor(items, kPasteboardTypePNG)) {
    applyPng(*entity, *png);
  }
  return entity;
}

std::string CopyEntity::filter(std::string_view text) {
  const std::size_t start = text.find_first_not_of("\n ");
  return start == std::string_view::npos ? std::string() : std::string(text.substr(start));
}

std::string CopyEntity::cutForMaxLength(std::string_view text) {
  const long long max = VLConfig::shared().getIntegerValueOfKey(VLConfig::kMaxTextLength);
  if (max <= 0) return std::string(text);
  return cutToUtf16Length(text, static_cast<std::size_t>(max));
}

std::optional<std::string> CopyEntity::createFileFolderByDate(const std::string& date) {
  return createDatedFolder(VLEngine::shared().filePath(), date);
}

std::optional<std::string> CopyEntity::createWebFileFolderByDate(const std::string& date) {
  return createDatedFolder(VLEngine::shared().webFilePath(), date);
}

std::shared_ptr<dispatch::Queue> CopyEntity::downloadQueue() {
  static const std::shared_ptr<dispatch::Queue> queue =
      dispatch::Queue::serial("app.vellisto.image-download");
  return queue;
}

std::optional<std::string> CopyEntity::downloadImage(const ImageDownload& download) {
  const auto folder = createWebFileFolderByDate(today());
  if (!folder) return std::nullopt;
  HttpFetchOptions options;
  options.timeoutSeconds = kDownloadTimeoutSeconds;
  options.maxBytes = kDownloadMaxBytes;
  const HttpResponse response = HttpFetcher::shared()->get(download.url, options);
  if (!response.ok()) {
    logWarningf("capture: download of %s failed: status %ld %s", download.url.c_str(), response.status,
                response.error.c_str());
    return std::nullopt;
  }
  if (response.body.empty()) return std::nullopt;
  const auto free = storeBytes(*folder, download.name, response.body);
  if (!free) return std::nullopt;
  return *folder + percentEncode(*free, PercentSet::Path);
}

std::shared_ptr<CopyEntity> CopyEntity::copy() const {
  auto other = std::make_shared<CopyEntity>();
  other->string_ = string_;
  other->jsonData_ = jsonData_;
  other->stringOnly_ = stringOnly_;
  return other;
}

bool CopyEntity::isFileEqualTo(const CopyEntity& other) const {
  return string_ == other.string_ && jsonMember(jsonData_, "file") == jsonMember(other.jsonData_, "file");
}

bool CopyEntity::isImageEqualTo(const CopyEntity& other) const {
  return string_ == other.string_ && jsonMember(jsonData_, "image") == jsonMember(other.jsonData_, "image") &&
         jsonMember(jsonData_, "image_relative") == jsonMember(other.jsonData_, "image_relative");
}

bool CopyEntity::isEnityEqualTo(const CopyEntity& other) const {
  return isFileEqualTo(other) && isImageEqualTo(other);
}

bool CopyEntity::mergingTimeout() const { return Clock::current().now() - timestamp_ > 1.5; }

}  // namespace vl
