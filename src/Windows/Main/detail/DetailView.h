#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Windows/Main/detail/FindView.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/Text.h"
#include "platform/ui/text/AttributedString.h"
#include "platform/ui/text/TextView.h"
#include "platform/ui/view/View.h"
#include "theme/VLThemeObject.h"
#include "ui/view/VLVisualEffectScrollView.h"

namespace vl {

// The selected record's whole text over the main window's content: its rich text, its HTML as styled
// text, or its plain text at the larger size, with a find field at the top right. It slides up from the
// bottom edge, loads its text when it is fully open, and slides down and leaves the window when dismissed.
// Main thread only.
class DetailView : public ui::View, public FindViewDelegate, public VLThemeObject {
 public:
  static constexpr double kAnimationSeconds = 0.3;
  static constexpr double kFontSize = 16;
  // Matches counted in one search; a text with more moves through the first ones.
  static constexpr std::size_t kMaxMatches = 10000;

  explicit DetailView(const ui::Rect& frame = {}) : ui::View(frame) {}
  // Closed (height 0) at the frame's origin and width.
  static std::shared_ptr<DetailView> create(const ui::Rect& frame);

  // Joins `host` and grows to its height.
  void show(const std::shared_ptr<ui::View>& host);
  void dismiss();
  // Open or opening; false once dismissed, while the closing slide still runs.
  bool isShown() const { return bounds().height() > 0; }
  void animationDidEnd();

  // Fills the text view from the record list's last selected row.
  void loadText();
  // What loadText shows for a row: the record's rich text, else its HTML, else the row's own text.
  void showRecord(const ui::AttributedString& rowText, const std::optional<Json>& json);

  void showFind();
  void dismissFind() {}
  bool shouldFindText(const std::string& text) override;
  bool findNext(bool forward) override;
  // The matches of the last search (UTF-16 ranges of the text) and the one shown.
  const std::vector<Range>& matches() const { return matches_; }
  std::optional<std::size_t> currentMatch() const { return current_; }

  void resizeSubviewsWithOldSize(ui::Size oldSize) override;
  void drawRect(const ui::Rect& dirtyRect) override;
  bool performKeyEquivalent(const ui::Event& event) override;
  // The text view's colours follow the theme; the text's own colours stay as the record has them where
  // they read on the new background.
  void lightOrDarkChanged() override;

  const std::shared_ptr<VLVisualEffectScrollView>& scrollView() const { return scrollView_; }
  const std::shared_ptr<ui::TextView>& textView() const { return textView_; }
  const std::shared_ptr<FindView>& findView() const { return findView_; }

 private:
  void slide(double height);
  void indicate();
  ui::Color textColor();
  ui::Color backgroundColor();
  // The shown record's rich text or HTML, read again with its colours weighed against the background of
  // the moment; nullopt for a record shown as plain text or one that does not read.
  std::optional<ui::AttributedString> readSource();

  std::shared_ptr<VLVisualEffectScrollView> scrollView_;
  std::shared_ptr<ui::TextView> textView_;
  std::shared_ptr<FindView> findView_;
  std::weak_ptr<ui::View> host_;
  std::vector<Range> matches_;
  std::optional<std::size_t> current_;
  // What the shown record's text was read from: its rich text (RTF) or its HTML.
  struct Source {
    bool rtf = false;
    std::string markup;
  };
  std::optional<Source> source_;
};

}  // namespace vl
