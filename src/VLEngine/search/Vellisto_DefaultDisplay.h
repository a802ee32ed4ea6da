#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "VLEngine/search/Vellisto_AttributedDelegate.h"
#include "VLEngine/search/Vellisto_DisplayDelegate.h"
#include "platform/ui/text/Font.h"

namespace vl {

// Rows in the theme's asset keys ("fontNormalColor", matched ranges in "fontMatchedColor" on
// "recordMatchedColor") and the application's main font.
class Vellisto_DefaultDisplay : public Vellisto_DisplayDelegate {
 public:
  // A search delivers every match but builds rows for the first this many.
  static constexpr std::size_t kMaxRows = 1000;

  DisplayRows covert(const Vellisto_TempFile& file) override;
  DisplayRows covertWeakTable(const ChunkSortedWeakTable& table) override;
  std::size_t maxRows() const override { return kMaxRows; }

  std::shared_ptr<Vellisto_AttributedDelegate> attrDecorator() const;
  void setAttrDecorator(std::shared_ptr<Vellisto_AttributedDelegate> decorator);

  // The main font comes from the theme layer above the store, which installs it at start-up; until
  // then rows take the 13-point system font.
  static void setMainFontProvider(std::function<ui::Font()> provider);
  static bool hasMainFontProvider();
  static ui::Font mainFont();

 private:
  mutable std::mutex lock_;
  std::shared_ptr<Vellisto_AttributedDelegate> attrDecorator_;
};

}  // namespace vl
