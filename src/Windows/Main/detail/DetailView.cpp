#include "Windows/Main/detail/DetailView.h"

#include <map>
#include <utility>

#include "VLEngine/VLEngine.h"
#include "VLEngine/doc/record/Vellisto_Chunk.h"
#include "VLEngine/search/DisplayAttributedString.h"
#include "Windows/Main/detail/ReadableColours.h"
#include "Windows/Main/list/HintTable2.h"
#include "Windows/Main/preview/PreviewColumnHooks.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Regex.h"
#include "platform/richtext/HtmlReader.h"
#include "platform/richtext/RtfReader.h"
#include "platform/ui/graphics/DisplayList.h"
#include "platform/ui/view/Event.h"
#include "platform/ui/view/Transaction.h"
#include "platform/ui/view/ViewAnimator.h"
#include "platform/ui/window/Window.h"
#include "theme/VLThemeCategories.h"
#include "theme/VLThemeManager.h"

namespace vl {

namespace {

constexpr double kTextInset = 10;

std::string stringOf(const std::optional<Json>& json, const char* key) {
  if (!json || !json->is_object()) return {};
  auto it = json->find(key);
  return it != json->end() && it->is_string() ? it->get<std::string>() : std::string();
}

// Colours named by theme asset keys, resolved in the current theme: run by run in one pass, each key
// resolved once, as a long record has as many runs as matches. A key the theme lacks clears its colour.
void resolveThemeColours(ui::AttributedString& text, bool dropFonts) {
  std::map<std::string, std::optional<ui::Color>> resolved;
  auto colorOf = [&](const std::string& key) {
    auto it = resolved.find(key);
    if (it == resolved.end()) it = resolved.emplace(key, VLThemeManager::shared().colorForKey(key)).first;
    return it->second;
  };
  text.mapAttributes([&](ui::TextAttributes& a) {
    if (dropFonts) a.font.reset();
    if (a.foregroundColorAssetKey) a.foregroundColor = colorOf(*a.foregroundColorAssetKey);
    if (a.backgroundColorAssetKey) a.backgroundColor = colorOf(*a.backgroundColorAssetKey);
  });
}

// The row's text at the detail's size, its matches in the current theme's colours.
ui::AttributedString plainWithMatches(const ui::AttributedString& row) {
  ui::AttributedString text = row;
  resolveThemeColours(text, true);
  return text;
}

}  // namespace

std::shared_ptr<DetailView> DetailView::create(const ui::Rect& frame) {
  auto view = std::make_shared<DetailView>(ui::Rect{frame.origin, {frame.width(), 0}});
  const double width = frame.width();
  view->scrollView_ = VLVisualEffectScrollView::create({0, 0, width, 0});
  view->scrollView_->setHasVerticalScroller(true);
  view->textView_ = ui::TextView::create({0, 0, width - 2 * kTextInset, 0});
  view->textView_->setEditable(false);
  view->textView_->setSelectable(true);
  view->textView_->setDrawsBackground(false);
  view->textView_->setFont(ui::Font::systemFont(kFontSize));
  view->textView_->setTextContainerInset({kTextInset, kTextInset});
  view->scrollView_->setDocumentView(view->textView_);
  view->addSubview(view->scrollView_);

  view->themeManager();
  view->findView_ = FindView::create({0, 0, FindView::kWidth, 0});
  view->findView_->setDelegage(view);
  view->addSubview(view->findView_);
  return view;
}

void DetailView::show(const std::shared_ptr<ui::View>& host) {
  if (!host) return;
  host_ = host;
  host->addSubview(self());
  slide(host->frame().height());
}

void DetailView::dismiss() { slide(0); }

void DetailView::slide(double height) {
  auto self = this->self();
  ui::AnimationContext::runAnimationGroup(
      [&](ui::AnimationContext& ctx) {
        ctx.setDuration(kAnimationSeconds);
        ctx.setTimingFunction(ui::TimingFunction::named(ui::TimingFunction::Name::EaseOut));
        self->animator().setFrame({0, 0, bounds().width(), height});
      },
      [weak = std::weak_ptr<View>(self)] {
        if (auto view = std::static_pointer_cast<DetailView>(weak.lock())) view->animationDidEnd();
      });
}

void DetailView::animationDidEnd() {
  if (bounds().height() <= 0) {
    removeFromSuperview();
    return;
  }
  loadText();
}

void DetailView::loadText() {
  auto list = PreviewColumnHooks::current().listOrNull();
  auto row = list ? list->lastSelectedItem() : nullptr;
  if (!row) return;
  auto chunk =
      VLEngine::shared().getChunkByContext(row->string(), row->json(), PreviewColumnHooks::current().tabId());
  showRecord(row->mutableAttributedString(), chunk ? chunk->json() : row->json());
  // Words typed into the find field while the view slid in were looked for in no text yet.
  findView_->findNow();
}

void DetailView::showRecord(const ui::AttributedString& rowText, const std::optional<Json>& json) {
  // Read in memory: a file of the record's text left in the store folder would outlive the record. The
  // reader never fetches what HTML points to: images, style sheets and scripts stay out.
  source_.reset();
  std::optional<ui::AttributedString> text;
  for (const auto& [key, rtf] : {std::pair{"rich_text", true}, std::pair{"html", false}}) {
    if (std::string markup = stringOf(json, key); !markup.empty()) {
      source_ = Source{rtf, std::move(markup)};
      if ((text = readSource())) break;
      source_.reset();
    }
  }
  // The text shown before goes first, or the font and colour set below would be applied to it and lay it
  // out once more. The new text is handed over, not copied: a record of megabytes is copied once, here.
  textView_->setAttributedString(ui::AttributedString());
  textView_->setFont(ui::Font::systemFont(kFontSize));
  textView_->setTextColor(textColor());
  textView_->setAttributedString(text ? std::move(*text) : plainWithMatches(rowText));
  matches_.clear();
  current_.reset();
  textView_->setHighlightedRange({});
}

std::optional<ui::AttributedString> DetailView::readSource() {
  if (!source_) return std::nullopt;
  const ui::Font base = ui::Font::systemFont(kFontSize);
  std::optional<ui::AttributedString> text =
      source_->rtf ? ui::RtfReader::read(source_->markup, base) : ui::HtmlReader::read(source_->markup, base);
  // Its own colours were chosen for some page, light or dark: those that would not read on this view's
  // background give way to the theme's.
  if (text) keepRecordColoursReadable(*text, backgroundColor(), textColor());
  return text;
}

void DetailView::showFind() {
  if (findView_->isUnfolded()) return;
  findView_->unfold();
  if (ui::Window* window = this->window()) window->makeFirstResponder(findView_->textField().get());
}

bool DetailView::shouldFindText(const std::string& text) {
  matches_.clear();
  current_.reset();
  if (!text.empty()) {
    RegexOptions options;
    options.caseInsensitive = true;
    options.literal = true;
    if (auto regex = Regex::compile(text, options)) {
      for (const RegexMatch& m : regex->allMatches(textView_->string(), kMaxMatches).matches)
        if (m.range().length > 0) matches_.push_back(m.range());
    }
  }
  if (!matches_.empty()) current_ = 0;
  // The words may be anything the user typed: only how often they matched is told.
  logDebugf("detail: the find words match %zu times", matches_.size());
  indicate();
  return true;
}

bool DetailView::findNext(bool forward) {
  if (matches_.empty()) return true;
  const std::size_t n = matches_.size();
  const std::size_t at = current_.value_or(forward ? n - 1 : 0);
  current_ = forward ? (at + 1) % n : (at + n - 1) % n;
  indicate();
  return true;
}

void DetailView::indicate() {
  if (!current_) {
    textView_->setHighlightedRange({});
    return;
  }
  const Range range = matches_[*current_];
  textView_->setHighlightedRange(range);
  textView_->scrollRangeToVisible(range);
}

void DetailView::resizeSubviewsWithOldSize(ui::Size oldSize) {
  ui::View::resizeSubviewsWithOldSize(oldSize);
  const ui::Size size = bounds().size;
  if (scrollView_) scrollView_->setFrameSize(size);
  if (textView_)
    textView_->setFrameSize({size.width - 2 * kTextInset, std::max(0.0, size.height - 2 * kTextInset)});
  // Folded it sits on the top edge; unfolded it hangs from it.
  if (findView_)
    findView_->setFrameOrigin({size.width - FindView::kWidth, size.height - findView_->frame().height()});
}

void DetailView::drawRect(const ui::Rect& dirtyRect) {
  if (ui::GraphicsContext* ctx = ui::GraphicsContext::current())
    ctx->fillRect(dirtyRect, ui::Color::whiteColor());
}

ui::Color DetailView::textColor() {
  return themeManager().colorForKey("fontNormalColor").value_or(ui::Color::black());
}

ui::Color DetailView::backgroundColor() {
  return themeManager()
      .colorForKey(VLVisualEffectScrollView::kBackgroundKey)
      .value_or(ui::Color::whiteColor());
}

void DetailView::lightOrDarkChanged() {
  // Setting the view's colour clears the colours inside the text, so the text goes in again after it,
  // its themed colours resolved in the new theme. A record's own colours are weighed again against the
  // new background: read afresh, as the ones given way to before may read now.
  std::optional<ui::AttributedString> text = readSource();
  if (!text) {
    text = textView_->textStorage();
    resolveThemeColours(*text, false);
  }
  textView_->setTextColor(textColor());
  textView_->setAttributedString(std::move(*text));
  indicate();
}

bool DetailView::performKeyEquivalent(const ui::Event& event) {
  if (ui::View::performKeyEquivalent(event)) return true;
  const std::uint64_t flags = event.modifierFlags();
  if (flags & ui::ModifierFlags::Command) {
    const std::string key = event.charactersIgnoringModifiers();
    if (key == "f") showFind();
    if (key == "g" || key == "G") findNext(!(flags & ui::ModifierFlags::Shift));
    // The overlay takes every key equivalent: nothing under it acts while it is open.
    return true;
  }
  // Every press is offered here first. One for a field of the overlay (the find words) goes on to it;
  // any other is the overlay's too, so the search field under it never takes it.
  const ui::Window* window = this->window();
  const auto* keyboard = window ? dynamic_cast<const ui::View*>(window->firstResponder()) : nullptr;
  return !(keyboard && keyboard->isDescendantOf(this));
}

}  // namespace vl
