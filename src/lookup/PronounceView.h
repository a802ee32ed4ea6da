#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "lookup/TranslateItem.h"
#include "platform/ui/text/TextView.h"
#include "platform/ui/view/View.h"
#include "ui/controls/Button2.h"

namespace vl {

// One pronunciation row of the dictionary view: "UK [həˈləʊ]" and a play button just after the text.
// The button fetches the audio, has it decoded off the main thread and plays it; every click fetches
// again. A row emptied or given another pronunciation before the audio arrives plays nothing.
class PronounceView : public ui::View {
 public:
  static constexpr double kButtonSide = 20;

  static std::shared_ptr<PronounceView> create(const ui::Rect& frame);
  explicit PronounceView(const ui::Rect& frame);

  void setPronounce(const Pronounce& pronounce);
  // No text, no button.
  void clear();
  // Fetches and plays the audio (the button's action).
  void voiceClick();
  // Plays a decoded file with the sound player.
  void playSound(const std::string& path);

  const std::shared_ptr<ui::TextView>& phonetic() const { return phonetic_; }
  const std::shared_ptr<Button2>& voice() const { return voice_; }
  const std::string& voiceLink() const { return voiceLink_; }

 private:
  void build();

  std::shared_ptr<ui::TextView> phonetic_;
  std::shared_ptr<Button2> voice_;
  std::string voiceLink_;
  // Counts what the row showed; audio that arrives for an earlier one is not played.
  std::uint64_t shown_ = 0;
};

// Sets the look every text row of the dictionary view shares: one font, the theme's text colour, no
// background, not editable.
void styleTranslateText(ui::TextView& text, std::size_t maximumLines);

}  // namespace vl
