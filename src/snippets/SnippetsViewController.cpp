#include "snippets/SnippetsViewController.h"

namespace vl {

void SnippetsViewController::loadView() { setView(SnippetsView::create({0, 0, kWidth, kHeight}, exchange_)); }

std::shared_ptr<SnippetsView> SnippetsViewController::snippetsView() {
  return std::dynamic_pointer_cast<SnippetsView>(view());
}

}  // namespace vl
