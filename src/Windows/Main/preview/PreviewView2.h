#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Windows/Main/preview/CustomView.h"
#include "platform/foundation/Json.h"
#include "platform/ui/text/AttributedString.h"
#include "platform/ui/text/TextView.h"
#include "ui/view/VLVisualEffectScrollView.h"

namespace vl {

// Lies over the whole column while a panel is up: the arrow cursor and no context menu.
class PreviewCursorView : public ui::View {
 public:
  explicit PreviewCursorView(const ui::Rect& frame = {}) : ui::View(frame) {}
  void mouseMoved(const ui::Event& event) override;
  void cursorUpdate(const ui::Event& event) override;
  void resetCursorRects() override;
  std::shared_ptr<ui::Menu> menuForEvent(const ui::Event& event) override;
};

// The selected record's preview: the shared read-only text view, or the view its json names.
// Main thread only.
class PreviewView2 : public VLVisualEffectScrollView {
 public:
  static constexpr const char* kTextViewClass = "NSTextView";
  static constexpr double kWidth = 336;
  static constexpr double kHeight = 269;
  // A first match further down than this many lines scrolls into view.
  static constexpr long kLinesShownFromTop = 26;

  static std::shared_ptr<PreviewView2> create();
  PreviewView2();

  // Moves to the text view or to the cached view of the class; a class we cannot make shows the text.
  void alternateView(const std::string& viewCls, const std::string& context, const std::optional<Json>& json);
  void setText(const ui::AttributedString& text);
  void clear();
  void setSelection(bool selection);
  // The line of the first run drawn with a background (a search match); 0 without one.
  long calcGlyphsIndexOfFirstHighlighted(const ui::AttributedString& text) const;
  void refreshCustomViewIfNeeded();
  bool isFileViewShown() const;

  ui::Size size() const { return {kWidth, kHeight}; }
  bool isFlow() const { return false; }
  bool customViewNeedLoad() const { return customViewNeedLoad_; }
  const std::shared_ptr<ui::TextView>& textView() const { return textView_; }
  const std::shared_ptr<PreviewCursorView>& cursorView();
  std::shared_ptr<CustomView> cachedView(const std::string& viewCls) const;

  void resizeSubviewsWithOldSize(ui::Size oldSize) override;

 private:
  bool customViewNeedLoad_ = false;
  std::shared_ptr<PreviewCursorView> cursorView_;
  std::shared_ptr<ui::TextView> textView_;
  std::map<std::string, std::shared_ptr<CustomView>> customViewDic_;
};

}  // namespace vl
