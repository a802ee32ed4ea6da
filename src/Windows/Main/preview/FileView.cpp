#include "Windows/Main/preview/FileView.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <mutex>

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/record/IndexHelper.h"
#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "VLEngine/image/ImageViewLoading.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "core/files/VLFileManager.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Url.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

constexpr double kEntitySize = 40;
constexpr double kTransferLabelHeight = 16;
// The picture's json keys in the order the image loader tries them.
constexpr const char* kImageKeys[] = {"forever_image", "image", "image_relative", "web_image"};

FileView::AccessCheck& installedAccessCheck() {
  static FileView::AccessCheck check;
  return check;
}

std::string stringOf(const std::optional<Json>& json, const char* key) {
  return json && json->is_object() ? jsonString(*json, key) : std::string();
}

std::string firstImageValue(const std::optional<Json>& json) {
  for (const char* key : kImageKeys) {
    std::string value = stringOf(json, key);
    if (!value.empty()) return value;
  }
  return {};
}

// One centred line of text that is only read, never edited or selected.
std::shared_ptr<ui::TextView> makeCentredLine() {
  auto label = ui::TextView::create();
  label->setEditable(false);
  label->setSelectable(false);
  label->setMaximumNumberOfLines(1);
  label->setAlignment(ui::TextAlignment::Center);
  label->setDrawsBackground(false);
  return label;
}

}  // namespace

// --- FileTransferOnPreview --------------------------------------------------------------------------

std::shared_ptr<FileTransferOnPreview> FileTransferOnPreview::create() {
  auto view = std::make_shared<FileTransferOnPreview>();
  view->entityView_ = std::make_shared<TransferProgressView>();
  view->addSubview(view->entityView_);
  auto label = makeCentredLine();
  label->setFont(VLFont::mainFont());
  setTextColorAssetKey(*label, "fontNormalColor");
  view->addSubview(label);
  view->label_ = label;
  return view;
}

void FileTransferOnPreview::setFrameSize(ui::Size size) {
  ui::View::setFrameSize(size);
  // The ring is drawn in a square: centred where a bar would run across.
  const double y = size.height - 70;
  entityView_->setFrame({(size.width - kEntitySize) / 2, y - kEntitySize / 2, kEntitySize, kEntitySize});
  label_->setFrame({0, y - kEntitySize / 2 - 10 - kTransferLabelHeight, size.width, kTransferLabelHeight});
}

void FileTransferOnPreview::attachEntity(const std::shared_ptr<RowTransfer>& transfer,
                                         const std::string& text) {
  entityView_->setEntity(transfer);
  label_->setString(text);
}

// --- FileView ---------------------------------------------------------------------------------------

std::shared_ptr<FileView> FileView::create(const ui::Rect& frame) {
  auto view = std::make_shared<FileView>(frame);
  view->permissionView_ = FilePermissionView::create();
  view->permissionView_->setHidden(true);
  view->addSubview(view->permissionView_);

  view->fileIcon_ = ui::ImageView::create();
  view->fileIcon_->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
  view->addSubview(view->fileIcon_);

  auto label = makeCentredLine();
  label->setVerticallyResizable(false);
  view->addSubview(label);
  view->label1_ = label;

  view->fileTransferOnPreview_ = FileTransferOnPreview::create();
  view->fileTransferOnPreview_->setHidden(true);
  view->addSubview(view->fileTransferOnPreview_);

  std::weak_ptr<FileView> weak = view;
  view->reloadObserver_ = NotificationCenter::defaultCenter().observe(
      FilePermissionView::kReloadImageDataNotification, nullptr, [weak](const Notification&) {
        if (auto self = weak.lock()) self->refresh();
      });
  view->themeManager();
  return view;
}

void FileView::setAccessCheckForTesting(AccessCheck check) { installedAccessCheck() = std::move(check); }

FileView::Access FileView::accessOf(const std::string& decodedPath) {
  if (const AccessCheck& check = installedAccessCheck()) return check(decodedPath);
  struct stat st;
  if (::stat(decodedPath.c_str(), &st) != 0) return errno == EACCES ? Access::Denied : Access::Gone;
  const auto listing = files::listDirectory(files::deletingLastPathComponent(decodedPath), false);
  if (listing.status == files::ListStatus::NoPermission) return Access::Denied;
  return ::access(decodedPath.c_str(), R_OK) == 0 ? Access::Readable : Access::Denied;
}

std::string FileView::shortenedName(const std::string& name) {
  const std::size_t length = utf16Length(name);
  if (length < kLongName) return name;
  const std::string head = cutToUtf16Length(name, kNameEnds);
  // The tail starts on a character boundary: a pair the cut would halve is left out, as the head does.
  std::size_t from = byteOffsetOfUtf16Index(name, length - kNameEnds);
  if (utf16IndexOfByteOffset(name, from) < length - kNameEnds) {
    do {
      ++from;
    } while (from < name.size() && (static_cast<unsigned char>(name[from]) & 0xC0) == 0x80);
  }
  return head + "\u2026" + name.substr(from);
}

void FileView::setJsonData(const std::optional<Json>& json, const std::string& context) {
  storedSig_ = Vellisto_Chunk::md5HexDigest(VLEngine::toBeSignedString(context, json));
  ++generation_;
  if (RowServices::looksForTransfers()) {
    if (auto transfer = RowServices::transferOf(storedSig_)) {
      shows_ = Shows::Transfer;
      fileTransferOnPreview_->setHidden(false);
      fileIcon_->setHidden(true);
      label1_->setHidden(true);
      permissionView_->setHidden(true);
      setFrameSize({kWidth, kHeight});
      fileTransferOnPreview_->setFrame({0, 0, kWidth, kHeight});
      fileTransferOnPreview_->attachEntity(transfer, context);
      std::weak_ptr<FileView> weak = std::static_pointer_cast<FileView>(self());
      transfer->onEnd = [weak] {
        auto view = weak.lock();
        if (!view) return;
        view->fileTransferOnPreview_->setHidden(true);
        view->fileTransferOnPreview_->entityView()->setEntity(nullptr);
        view->refresh();
      };
      return;
    }
  }
  fileTransferOnPreview_->setHidden(true);
  auto chunk = VLEngine::shared().getChunkBySig(storedSig_, PreviewColumnHooks::current().tabId());
  showRecord(chunk ? chunk->json() : std::nullopt);
}

void FileView::refresh() {
  if (storedSig_.empty()) return;
  auto chunk = VLEngine::shared().getChunkBySig(storedSig_, PreviewColumnHooks::current().tabId());
  if (!chunk) {
    ++generation_;
    showRecord(std::nullopt);
    return;
  }
  setJsonData(chunk->json(), chunk->context());
}

void FileView::setSelection(bool selection) {
  CustomView::setSelection(selection);
  label1_->setSelectable(selection);
}

void FileView::showRecord(const std::optional<Json>& json) {
  fileIcon_->setImage(nullptr);
  if (IndexHelper::isFile(json)) {
    showFile(stringOf(json, "file"));
  } else if (IndexHelper::isImage(json)) {
    showImage(json);
  } else {
    // The record left the tab: nothing of it is shown.
    shows_ = Shows::Nothing;
    fileIcon_->setFrame({});
    label1_->setHidden(true);
    permissionView_->setHidden(true);
  }
}

void FileView::showFile(const std::string& path) {
  const VLFileInfo info = VLFileManager::shared().getFileInfoOfPath(path);
  const Access access = path.empty() ? Access::Gone : accessOf(percentDecode(path));
  if (access == Access::Denied) {
    closedLayout(info);
    return;
  }
  ui::ImageRef icon = info.getIcon(kIconPoints);
  iconLayout(icon, info, access == Access::Readable);
}

void FileView::showImage(const std::optional<Json>& json) {
  const double width = frame().width();
  const std::uint64_t generation = generation_;
  std::weak_ptr<FileView> weak = std::static_pointer_cast<FileView>(self());
  ImageViewLoading::ImageSink sink = [weak, generation](const ui::ImageRef& image) {
    auto view = weak.lock();
    if (view && view->generation_ == generation && view->shows_ == Shows::Icon)
      view->fileIcon_->setImage(image);
  };
  std::optional<std::string> path;
  std::optional<VLError> error;
  const ui::Size fitted = ImageViewLoading::_setImage(
      sink, json, {width - 2 * kMargin, ImageViewLoading::kFreeHeight}, &path, &error);
  const std::string file = VLFileManager::trimFileSchema(path.value_or(firstImageValue(json)));
  const VLFileInfo info = VLFileManager::shared().getFileInfoOfPath(file);
  if (!error) {
    shows_ = Shows::Icon;
    fileIcon_->setHidden(false);
    label1_->setHidden(false);
    permissionView_->setHidden(true);
    const double w = std::floor(fitted.width);
    const double h = std::floor(fitted.height);
    fileIcon_->setFrame({std::floor((frame().width() - w) / 2), 0, w, h});
    layoutLabel(info, true);
    return;
  }
  const Access access = file.empty() ? Access::Gone : accessOf(percentDecode(file));
  if (access == Access::Denied) {
    closedLayout(info);
    return;
  }
  if (access == Access::Readable) {
    // The picture is there but does not decode: the file is still worth naming, with its type's icon.
    logWarning("preview: the image " + info.name() + " does not decode, showing its icon");
  }
  iconLayout(file.empty() ? nullptr : info.getIcon(kIconPoints), info, access == Access::Readable);
}

void FileView::iconLayout(const ui::ImageRef& icon, const VLFileInfo& info, bool found) {
  shows_ = Shows::Icon;
  fileIcon_->setHidden(false);
  label1_->setHidden(false);
  permissionView_->setHidden(true);
  fileIcon_->setImage(icon);
  const double width = frame().width();
  const ui::Size natural = icon ? icon->size() : ui::Size{};
  if (!(natural.width > 0) || !(natural.height > 0)) {
    // Nothing to scale by: an empty frame rather than a division by zero.
    fileIcon_->setFrame({width / 2, 0, 0, 0});
  } else {
    const double side = std::trunc(natural.width < width - 2 * kMargin ? natural.width : width - 2 * kMargin);
    const float scale = static_cast<float>(side / natural.width);
    const double height = std::trunc(natural.height * scale);
    fileIcon_->setFrame({(width - side) / 2, 0, side, height});
  }
  layoutLabel(info, found);
}

void FileView::closedLayout(const VLFileInfo& info) {
  shows_ = Shows::Closed;
  setFrameSize({kWidth, kHeight});
  permissionView_->setFailedOpenUrl(info.url());
  permissionView_->setFrame(bounds());
  permissionView_->setHidden(false);
  fileIcon_->setHidden(true);
  fileIcon_->setFrame({});
  label1_->setHidden(true);
  labelInfo_.reset();
}

void FileView::layoutLabel(const VLFileInfo& info, bool found) {
  labelInfo_ = info;
  labelFound_ = found;
  const double width = frame().width();
  label1_->setFrame({0, 0, width, kLabelHeight});
  const std::string name = shortenedName(info.name());
  auto color = [this](const char* key) {
    return themeManager().colorForKey(key).value_or(ui::Color::black());
  };
  ui::TextAttributes main;
  main.font = VLFont::mainFont();
  main.foregroundColor = color("fontNormalColor");
  ui::AttributedString text(name, main);
  if (found) {
    ui::TextAttributes detail;
    detail.font = VLFont::head2();
    detail.foregroundColor = color("fontSubtitleColor");
    text.append(
        ui::AttributedString(" - " + info.readableSize().size() + " " + info.readableSize().unit(), detail));
  } else {
    text.append(ui::AttributedString(" " + localized("preview.file.notfound"), main));
  }
  label1_->setFont(VLFont::mainFont());
  label1_->setAttributedString(text);

  const double need = fileIcon_->frame().height() + 2 * kMargin + kLabelHeight;
  setFrameSize({kWidth, need < kHeight ? kHeight : need});
  const double iconY = frame().height() - kMargin - fileIcon_->frame().height();
  fileIcon_->setFrameOrigin({fileIcon_->frame().minX(), iconY});
  label1_->setFrameOrigin({0, static_cast<float>(iconY) - kMargin - kLabelHeight});
}

void FileView::lightOrDarkChanged() {
  if (labelInfo_ && !label1_->isHidden()) layoutLabel(*labelInfo_, labelFound_);
}

}  // namespace vl
