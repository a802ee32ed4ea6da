#include "snippets/SnippetsViewController.h"

namespace vl {

void SnippetsViewController::loadView() { setView(SnippetsView::create({0, 0, kWidth, kHeight}, exchange_)); }

void SnippetsViewController::settingsChanged() {
  if (!isViewLoaded()) return;
  if (auto* page = dynamic_cast<SnippetsView*>(view().get())) page->settingsChanged();
}

}  // namespace vl
