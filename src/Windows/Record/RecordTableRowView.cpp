#include "Windows/Record/RecordTableRowView.h"

#include "VLEngine/doc/record/IndexHelper.h"
#include "Windows/Main/list/ContextualMenu.h"
#include "Windows/Main/list/RowServices.h"
#include "capture/CopyEntity.h"
#include "core/TextHelper.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Url.h"
#include "platform/ui/text/TextMetrics.h"
#include "platform/ui/view/Responder.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"
#include "ui/Line.h"
#include "ui/PassthroughAndArrowCursorTextView.h"
#include "ui/view/VLImageAspectFillView.h"

namespace vl {

namespace {

constexpr double kArrowWidth = 16;
constexpr double kArrowHeight = 12;
// Two lines of a row never show more than a few hundred characters; a copied book is laid out no
// further than this.
constexpr std::size_t kLaidOutUnits = 1024;

// A line too long for two lines of `width`: the first line as it wraps, the rest cut with "…". A word
// longer than the row (an address, a path) breaks between characters, as the view would break it.
std::string twoLinesOf(const std::string& text, double width) {
  const ui::Font font = VLFont::mainFont();
  const std::string head = cutToUtf16Length(text, kLaidOutUnits);
  const ui::TextLayout layout(head, font, width);
  if (layout.lineCount() <= 2 && head.size() == text.size()) return text;
  const std::size_t split = byteOffsetOfUtf16Index(head, layout.lines()[0].range.end());
  std::string rest = text.substr(split, head.size() - split);
  if (head.size() < text.size()) rest += "…";
  return text.substr(0, split) + "\n" + ui::TextMetrics::truncateTail(rest, font, width);
}

std::shared_ptr<PassthroughAndArrowCursorTextView> makeText(const std::string& colorKey) {
  auto view = PassthroughAndArrowCursorTextView::create();
  setTextColorAssetKey(*view, colorKey);
  setBackgroundColorAssetKey(*view, "recordWindowBackgroundColor");
  return view;
}

}  // namespace

RecordTableRowView::RecordTableRowView(int width)
    : ui::TableRowView({0, 0, double(width), 36}), width_(width) {
  setIdentifier(kReuseIdentifier);
}

std::shared_ptr<RecordTableRowView> RecordTableRowView::initWithWidth(int width) {
  auto row = std::make_shared<RecordTableRowView>(width);
  row->pointerTextView_ = makeText("accentTextColor");
  row->pointerTextView_->setFont(ui::Font::systemFont(13));
  row->pointerTextView_->setString("➜");
  row->pointerTextView_->setHidden(true);
  row->iconImageView_ = VLImageAspectFillView::create();
  row->iconImageView_->setHidden(true);
  row->textView_ = makeText("fontNormalColor");
  row->textView_->setFont(VLFont::mainFont());
  row->textView_->setMaximumNumberOfLines(2);
  row->textView_->setLineBreakMode(ui::LineBreakMode::WordWrapping);
  row->line_ = Line::ofWidth(0);
  row->addSubview(row->pointerTextView_);
  row->addSubview(row->iconImageView_);
  row->addSubview(row->textView_);
  row->addSubview(row->line_);
  return row;
}

int RecordTableRowView::calcHeight(const std::string& text, int width, bool withIcon) {
  const TextFont font{"system", 13, false};
  const long room = withIcon ? width - 21 : width;
  const double h = TextHelper::heightOfString(std::optional<std::string>(text), font, room);
  // A second line makes the tall row even where the desktop's font is compact enough to fit two lines
  // in under 32 points.
  const double oneLine = TextHelper::heightOfString(std::optional<std::string>("X"), font, room);
  return static_cast<int>(h) < 32 && h < oneLine * 1.5 ? 36 : 54;
}

std::string RecordTableRowView::shownText(const std::string& text, double width) {
  const std::size_t first = text.find('\n');
  if (first == std::string::npos) return width > 0 ? twoLinesOf(text, width) : text;
  const std::size_t second = text.find('\n', first + 1);
  std::string line1 = text.substr(0, first);
  std::string line2 =
      text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
  // Two lines and more, however short: the rest is left out and marked.
  if (second != std::string::npos) line2 += "…";
  if (width > 0) {
    const ui::Font font = VLFont::mainFont();
    line1 = ui::TextMetrics::truncateTail(line1, font, width);
    line2 = ui::TextMetrics::truncateTail(line2, font, width);
  }
  return line1 + "\n" + line2;
}

void RecordTableRowView::setEntity(const std::shared_ptr<CopyEntity>& entity) {
  if (!entity || entity == entity_) return;
  entity_ = entity;
  const double w = width_;
  const Json& json = entity->jsonData();
  const bool icon = IndexHelper::needShowIcon(json);
  const double room = (icon ? w - 39 : w - 18) - 2 * textView_->lineFragmentPadding();
  const std::string text = shownText(entity->string(), room);
  textView_->setString(text);
  iconImageView_->setImage(nullptr);
  iconImageView_->setHidden(!icon);
  const int d = calcHeight(text, width_ - 18, icon);
  const double t = d == 36 ? 16 : 34;
  pointerTextView_->setFrame({0, double((d - 12) / 2), kArrowWidth, kArrowHeight});
  if (!icon) {
    textView_->setFrame({kArrowWidth, double((d - int(t)) / 2), w - 18, t});
  } else {
    iconImageView_->setFrame({19, double((d - 18) / 2), kIconSize, kIconSize});
    textView_->setFrame({37, double((d - int(t)) / 2), w - 39, t});
    const std::uint64_t generation = ++iconGeneration_;
    ui::ImageRef image;
    if (IndexHelper::isImage(json)) {
      // A file that vanished gives no image; the row keeps its text.
      image = IndexHelper::getImage(json, kIconSize, kIconSize);
    } else if (IndexHelper::isFile(json) && json["file"].is_string()) {
      image =
          RowServices::iconFor(RowServices::IconKind::File, percentDecode(json["file"].get<std::string>()));
    }
    if (image) {
      std::weak_ptr<RecordTableRowView> weak =
          std::static_pointer_cast<RecordTableRowView>(shared_from_this());
      dispatch::Queue::main()->async([weak, image, generation] {
        auto self = weak.lock();
        if (self && self->iconGeneration_ == generation) self->iconImageView_->setImage(image);
      });
    }
  }
  line_->setFrame({0, double(d - 1), w, 1});
  setFrameSize({w, double(d)});
}

void RecordTableRowView::setSelected(bool selected) {
  ui::TableRowView::setSelected(selected);
  pointerTextView_->setHidden(!selected);
}

void RecordTableRowView::drawSelectionInRect(const ui::Rect&) {}

void RecordTableRowView::mouseDown(const ui::Event& event) {
  if (mouseResponder_) mouseResponder_->mouseDown(event);
  if (delegate_) delegate_->recordTableRowViewDidSelectRow(*this, rowIndex_);
}

void RecordTableRowView::mouseDragged(const ui::Event& event) {
  if (mouseResponder_) mouseResponder_->mouseDragged(event);
}

void RecordTableRowView::mouseUp(const ui::Event& event) {
  if (mouseResponder_) mouseResponder_->mouseUp(event);
}

std::shared_ptr<ui::Menu> RecordTableRowView::menuForEvent(const ui::Event&) {
  return ContextualMenu::factory().getRecordMenu(rowIndex_);
}

}  // namespace vl
