#include "Windows/Main/list/HintTableRowView.h"

#include <cmath>

#include "VLEngine/VLEngine.h"
#include "VLEngine/VLStoreTab.h"
#include "VLEngine/VLTabDirectory.h"
#include "VLEngine/doc/record/IndexHelper.h"
#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "VLEngine/image/ImageViewLoading.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "core/notify/VLNotificationCenter.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Url.h"
#include "platform/ui/graphics/DisplayList.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

constexpr double kInset = 15;
constexpr double kIconSize = 18;
constexpr double kBesideIcon = 33;

std::string jsonString(const std::optional<Json>& json, const char* key) {
  if (!json || !json->is_object()) return {};
  auto it = json->find(key);
  return it != json->end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

HintTableRowView::HintTableRowView() : ui::TableRowView({0, 0, 340, kHeight}) {
  setIdentifier(kReuseIdentifier);
  textViewSet_ = RenderTextViewSet::create({kInset, 0, 340 - 2 * kInset, kHeight});
  iconImageView_ = VLImageAspectFillView::create({kInset, 7, kIconSize, kIconSize});
  iconImageView_->setHidden(true);
  fileTransferEntityView_ = std::make_shared<TransferProgressView>(ui::Rect{kInset, 7, kIconSize, kIconSize});
  fileTransferEntityView_->setHidden(true);
  addSubview(textViewSet_);
  addSubview(iconImageView_);
  addSubview(fileTransferEntityView_);
}

HintTableRowView::~HintTableRowView() { VLNotificationCenter::removeObserver(this); }

std::shared_ptr<HintTableRowView> HintTableRowView::create(HintTableRowViewDelegate* delegate) {
  auto row = std::make_shared<HintTableRowView>();
  row->setDelegate(delegate);
  std::weak_ptr<HintTableRowView> weak = row;
  VLNotificationCenter::addObserver(
      row.get(),
      [weak](const Notification& note) {
        auto self = weak.lock();
        if (!self) return;
        const Json& info = note.userInfo;
        const bool full = info.is_object() && info.contains("isFull") && info["isFull"].is_boolean() &&
                          info["isFull"].get<bool>();
        self->chunkContentModeDidChange(full);
      },
      kContentModeNotification);
  return row;
}

std::string HintTableRowView::signature() const {
  if (!attributedString_) return {};
  return Vellisto_Chunk::md5HexDigest(
      VLEngine::toBeSignedString(attributedString_->string(), attributedString_->json()));
}

void HintTableRowView::placeText(bool besideIcon) {
  const double width = listWidth();
  const double x = besideIcon ? kBesideIcon : kInset;
  textViewSet_->setFrame({x, 0, std::max(0.0, width - x - kInset), kHeight});
}

void HintTableRowView::setText(const std::shared_ptr<DisplayAttributedString>& row) {
  attributedString_ = row;
  ++iconGeneration_;
  if (row && RowServices::looksForTransfers()) {
    if (auto transfer = RowServices::transferOf(signature())) {
      iconImageView_->setHidden(true);
      fileTransferEntityView_->setHidden(false);
      fileTransferEntityView_->setEntity(transfer);
      std::weak_ptr<HintTableRowView> weak = std::static_pointer_cast<HintTableRowView>(self());
      transfer->onEnd = [weak] {
        auto self = weak.lock();
        if (!self) return;
        self->fileTransferEntityView_->setHidden(true);
        self->fileTransferEntityView_->setEntity(nullptr);
        self->refresh();
      };
      placeText(true);
      textViewSet_->setText(row);
      return;
    }
  }
  fileTransferEntityView_->setHidden(true);
  fileTransferEntityView_->setEntity(nullptr);
  iconImageView_->setImage(nullptr);
  showPlaceholder(false);
  const bool icon = row && IndexHelper::needShowIcon(row->json());
  iconImageView_->setHidden(!icon);
  placeText(icon);
  textViewSet_->setText(row);
  if (icon) showIcon();
}

void HintTableRowView::showPlaceholder(bool shown) {
  ui::Layer& layer = *iconImageView_->layer();
  layer.setCornerRadius(shown ? 3 : 0);
  layer.setBorderWidth(shown ? 1 : 0);
  setBackgroundColorAssetKey(layer, shown ? AssetKey(kPlaceholderKey) : std::nullopt);
  setBorderColorAssetKey(layer, shown ? AssetKey(kPlaceholderBorderKey) : std::nullopt);
}

void HintTableRowView::showIcon() {
  const std::optional<Json>& json = attributedString_->json();
  if (IndexHelper::isImage(json)) {
    // The picture is decoded off the main thread; until it comes the row shows where it will be.
    showPlaceholder(true);
    std::weak_ptr<HintTableRowView> weak = std::static_pointer_cast<HintTableRowView>(self());
    const std::uint64_t generation = iconGeneration_;
    ImageViewLoading::_setImage(
        [weak, generation](const ui::ImageRef& image) {
          auto self = weak.lock();
          if (!self || self->iconGeneration_ != generation || !image) return;
          self->showPlaceholder(false);
          self->iconImageView_->setImage(image);
        },
        json, {kIconSize, kIconSize}, nullptr, nullptr);
    return;
  }
  RowServices::IconKind kind;
  std::string path;
  if (IndexHelper::isApp(json)) {
    kind = RowServices::IconKind::Application;
    path = percentDecode(jsonString(json, "app_path"));
  } else if (IndexHelper::isFile(json)) {
    kind = RowServices::IconKind::File;
    path = percentDecode(jsonString(json, "file"));
  } else if (IndexHelper::isSearch(json)) {
    kind = RowServices::IconKind::Browser;
    path = RowServices::browserPath();
  } else {
    return;
  }
  // Icons come from disk: set them on a later turn, and only if the row still shows the same record.
  std::weak_ptr<HintTableRowView> weak = std::static_pointer_cast<HintTableRowView>(self());
  const std::uint64_t generation = iconGeneration_;
  dispatch::Queue::main()->async([weak, generation, kind, path] {
    auto self = weak.lock();
    if (!self || self->iconGeneration_ != generation) return;
    self->iconImageView_->setImage(RowServices::iconFor(kind, path));
  });
}

void HintTableRowView::refresh() {
  if (!attributedString_) return;
  std::string pinTabId;
  if (auto tabs = VLEngine::shared().tabDirectory()) {
    if (auto tab = tabs->activeTab()) pinTabId = tab->pinTabId();
  }
  auto chunk = VLEngine::shared().getChunkBySig(signature(), pinTabId);
  attributedString_->setJson(chunk ? chunk->json() : std::nullopt);
  textViewSet_->forget();
  setText(attributedString_);
}

void HintTableRowView::setSelected(bool selected) {
  const bool changed = selected != isSelected();
  ui::TableRowView::setSelected(selected);
  if (changed) skipMouseDown_ = true;
  textViewSet_->setSelected(selected);
}

void HintTableRowView::mouseDown(const ui::Event& event) {
  std::shared_ptr<View> keep = self();
  if (ui::View* table = superview()) table->mouseDown(event);
  pressedAt_ = event.locationInWindow();
  pastePending_ = false;
  if (delegate_) {
    if (skipMouseDown_) {
      delegate_->rowViewDidSelect(*this);
    } else {
      pastePending_ = true;
    }
  }
  skipMouseDown_ = false;
}

void HintTableRowView::mouseDragged(const ui::Event& event) {
  if (!pressedAt_ || !delegate_) return;
  const ui::Point at = event.locationInWindow();
  if (std::hypot(at.x - pressedAt_->x, at.y - pressedAt_->y) < kDragDistance) return;
  grabbedAt_ = convertPointFromView(*pressedAt_, nullptr);
  pressedAt_.reset();
  pastePending_ = false;
  std::shared_ptr<View> keep = self();
  delegate_->rowViewBeginDrag(*this);
}

void HintTableRowView::mouseUp(const ui::Event&) {
  pressedAt_.reset();
  if (!pastePending_) return;
  pastePending_ = false;
  std::shared_ptr<View> keep = self();
  if (delegate_) delegate_->rowViewShouldPaste(*this);
}

DragImage HintTableRowView::dragImage() {
  DragImage image;
  auto picture = std::make_shared<ui::DisplayList>();
  // On the list's own ground: a selected row's text alone would stand on nothing in the picture.
  if (auto ground = themeManager(*this).colorForKey("vellistoBackgroundColorSystem11")) {
    ui::DrawCommand fill;
    fill.kind = ui::DrawCommand::Kind::FillPath;
    fill.view = this;
    fill.path = ui::BezierPath::roundedRect(bounds(), 6, 6);
    fill.color = *ground;
    picture->add(std::move(fill));
  }
  const ui::DisplayList row = recordDisplayList();
  for (const ui::DrawCommand& c : row.commands()) picture->add(c);
  image.picture = std::move(picture);
  image.size = bounds().size;
  // Held where the press was, counted from the picture's top-left corner.
  const ui::Point at = grabbedAt_.value_or(ui::Point{bounds().midX(), bounds().midY()});
  image.grab = {at.x, isFlipped() ? at.y : bounds().height() - at.y};
  return image;
}

const ui::BezierPath& HintTableRowView::path() {
  const double w = std::trunc(listWidth());
  if (path_ && pathWidth_ == w) return *path_;
  ui::BezierPath p;
  p.moveTo({10, 13});
  p.curveTo({20, 3}, {10, 3}, {10, 3});
  p.lineTo({w - 20, 3});
  p.curveTo({w - 10, 13}, {w - 10, 3}, {w - 10, 3});
  p.lineTo({w - 10, 19});
  p.curveTo({w - 20, 29}, {w - 10, 29}, {w - 10, 29});
  p.lineTo({20, 29});
  p.curveTo({10, 19}, {10, 29}, {10, 29});
  p.lineTo({10, 13});
  p.closePath();
  path_ = std::move(p);
  pathWidth_ = w;
  return *path_;
}

void HintTableRowView::drawSelectionInRect(const ui::Rect&) {
  ui::GraphicsContext* ctx = ui::GraphicsContext::current();
  if (!ctx) return;
  if (auto accent = themeManager(*this).colorForKey("accentColor")) ctx->fillPath(path(), *accent);
}

std::shared_ptr<ui::Menu> HintTableRowView::menuForEvent(const ui::Event&) {
  if (!delegate_) return nullptr;
  std::shared_ptr<View> keep = self();
  std::shared_ptr<ui::Menu> menu = delegate_->rowViewMenu(*this);
  // A row the right click chose is chosen already when the next left click comes: that one pastes.
  skipMouseDown_ = false;
  return menu;
}

void HintTableRowView::chunkContentModeDidChange(bool isFull) {
  path_.reset();
  textViewSet_->setRenderTextMaxLen(isFull ? RenderTextViewSet::kMaxLengthWithoutPreview
                                           : RenderTextViewSet::kMaxLengthWithPreview);
  textViewSet_->setFrameSize({isFull ? 646.0 : 310.0, kHeight});
  // The list shows its rows again right after; they must be laid out anew at the new length.
  textViewSet_->forget();
}

}  // namespace vl
