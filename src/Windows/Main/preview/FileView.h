#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Windows/Main/list/RowServices.h"
#include "Windows/Main/list/TransferProgressView.h"
#include "Windows/Main/preview/CustomView.h"
#include "Windows/Main/preview/FilePermissionView.h"
#include "core/files/VLFileInfo.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/text/TextView.h"
#include "theme/VLThemeObject.h"

namespace vl {

// Lies over the preview of an image still arriving from another device: its progress and the record's
// text under it.
class FileTransferOnPreview : public ui::View {
 public:
  explicit FileTransferOnPreview(const ui::Rect& frame = {}) : ui::View(frame) {}
  static std::shared_ptr<FileTransferOnPreview> create();

  void attachEntity(const std::shared_ptr<RowTransfer>& transfer, const std::string& text);
  void setFrameSize(ui::Size size) override;
  const std::shared_ptr<TransferProgressView>& entityView() const { return entityView_; }
  const std::shared_ptr<ui::TextView>& label() const { return label_; }

 private:
  std::shared_ptr<TransferProgressView> entityView_;
  std::shared_ptr<ui::TextView> label_;
};

// The preview of a file or image record: the file's icon or the picture, fitted to the width, with its
// name and size under it. A file that cannot be read shows the folder-access view instead, an image
// still arriving shows its progress. The view grows past the preview's height for a tall picture, so
// the preview scrolls. Main thread only.
class FileView : public CustomView, public VLThemeObject {
 public:
  // How far a file on disk can be reached.
  enum class Access { Readable, Denied, Gone };
  using AccessCheck = std::function<Access(const std::string& decodedPath)>;

  static constexpr double kMargin = 15;
  static constexpr double kLabelHeight = 18;
  // The desktop's icon of a file that is not a picture: large enough to fill the preview's middle.
  static constexpr double kIconPoints = 128;
  // Names this long or longer show their first and last kNameEnds characters.
  static constexpr std::size_t kLongName = 32;
  static constexpr std::size_t kNameEnds = 10;

  enum class Shows { Nothing, Icon, Closed, Transfer };

  explicit FileView(const ui::Rect& frame = {}) : CustomView(frame) {}
  static std::shared_ptr<FileView> create(const ui::Rect& frame);

  void setJsonData(const std::optional<Json>& json, const std::string& context) override;
  // Shows the record of storedSig again, as the active pin tab has it now.
  void refresh() override;
  void setSelection(bool selection) override;
  void layoutLabel(const VLFileInfo& info, bool found);

  const std::string& storedSig() const { return storedSig_; }
  void setStoredSig(std::string sig) { storedSig_ = std::move(sig); }
  Shows shows() const { return shows_; }
  const std::shared_ptr<ui::ImageView>& fileIcon() const { return fileIcon_; }
  const std::shared_ptr<ui::TextView>& label() const { return label1_; }
  const std::shared_ptr<FilePermissionView>& permissionView() const { return permissionView_; }
  const std::shared_ptr<FileTransferOnPreview>& fileTransferOnPreview() const {
    return fileTransferOnPreview_;
  }

  // "report.pdf", or "abcdefghij…uvwxyz1234" for a name of kLongName characters or more.
  static std::string shortenedName(const std::string& name);
  // Gone when nothing is there, Denied when the file or its folder cannot be read, from stat, the
  // folder listing and access(2). Tests, who may run as root and read everything, install their own
  // (nullptr restores this one).
  static Access accessOf(const std::string& decodedPath);
  static void setAccessCheckForTesting(AccessCheck check);

  void lightOrDarkChanged() override;

 private:
  void showRecord(const std::optional<Json>& json);
  void showFile(const std::string& path);
  void showImage(const std::optional<Json>& json);
  void iconLayout(const ui::ImageRef& icon, const VLFileInfo& info, bool found);
  void closedLayout(const VLFileInfo& info);

  std::shared_ptr<FilePermissionView> permissionView_;
  std::shared_ptr<ui::ImageView> fileIcon_;
  std::shared_ptr<ui::TextView> label1_;
  std::shared_ptr<FileTransferOnPreview> fileTransferOnPreview_;
  std::string storedSig_;
  Shows shows_ = Shows::Nothing;
  // The label's text, kept to colour it again for another theme.
  std::optional<VLFileInfo> labelInfo_;
  bool labelFound_ = false;
  // Counts the records shown, so a picture decoded for an earlier one never lands on this one.
  std::uint64_t generation_ = 0;
  Observation reloadObserver_;
};

}  // namespace vl
