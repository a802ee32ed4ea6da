#include "lookup/PronounceView.h"

#include "lookup/PronounceAudio.h"
#include "platform/foundation/Log.h"
#include "platform/system/Sound.h"
#include "platform/ui/text/TextMetrics.h"
#include "theme/VLFont.h"
#include "theme/VLThemeCategories.h"

namespace vl {

void styleTranslateText(ui::TextView& text, std::size_t maximumLines) {
  text.setEditable(false);
  text.setSelectable(false);
  text.setDrawsBackground(false);
  text.setVerticallyResizable(false);
  text.setMaximumNumberOfLines(maximumLines);
  text.setFont(VLFont::mainFont());
  // The same left edge as the preview's plain text, and a one-line row's text centred in its 20 points.
  text.setTextContainerInset({5, 2});
  setTextColorAssetKey(text, std::string("fontNormalColor"));
  setBackgroundColorAssetKey(text, std::string("clear"));
}

std::shared_ptr<PronounceView> PronounceView::create(const ui::Rect& frame) {
  auto view = std::make_shared<PronounceView>(frame);
  view->build();
  return view;
}

PronounceView::PronounceView(const ui::Rect& frame) : ui::View(frame) {}

void PronounceView::build() {
  phonetic_ = ui::TextView::create({0, 0, frame().width(), 20});
  styleTranslateText(*phonetic_, 1);
  addSubview(phonetic_);
  voice_ = Button2::create({0, 0, kButtonSide, kButtonSide});
  voice_->setImageNamed("sound");
  voice_->setAlwaysAccentColor(true);
  voice_->setSelected(false);
  setActionHandler("voiceClick", [this](ui::ActionTarget*) { voiceClick(); });
  voice_->setTarget(std::static_pointer_cast<ui::ActionTarget>(shared_from_this()));
  voice_->setAction("voiceClick");
  voice_->setHidden(true);
  addSubview(voice_);
}

void PronounceView::setPronounce(const Pronounce& pronounce) {
  ++shown_;
  std::string text = pronounce.country + " " + pronounce.phonetic;
  if (pronounce.country.empty()) text = pronounce.phonetic;
  phonetic_->setString(text);
  const ui::Size size = ui::TextMetrics::sizeOfString(text, phonetic_->font());
  const double margins = 2 * (phonetic_->lineFragmentPadding() + phonetic_->textContainerInset().width);
  phonetic_->setFrame({0, 0, size.width + margins, 20});
  voice_->setFrameOrigin({phonetic_->frame().maxX() + 10, 0});
  voiceLink_ = pronounce.voiceLink;
  // A pronunciation without audio gets no button to press in vain.
  voice_->setHidden(voiceLink_.empty());
}

void PronounceView::clear() {
  ++shown_;
  phonetic_->setString("");
  voiceLink_.clear();
  voice_->setHidden(true);
}

void PronounceView::voiceClick() {
  if (voiceLink_.empty()) return;
  std::weak_ptr<PronounceView> weak = std::static_pointer_cast<PronounceView>(self());
  loadPronunciation(voiceLink_, [weak, shown = shown_](std::optional<std::string> path) {
    auto row = weak.lock();
    if (!row || !path) return;
    if (row->shown_ != shown) {
      logDebug("pronunciation: the row moved on before its audio arrived; not played");
      return;
    }
    row->playSound(*path);
  });
}

void PronounceView::playSound(const std::string& path) { SoundPlayer::shared()->play(path, 1.0); }

}  // namespace vl
