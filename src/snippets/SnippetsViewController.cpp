#include "snippets/SnippetsViewController.h"

namespace vl {

void SnippetsViewController::loadView() { setView(SnippetsView::create({0, 0, kWidth, kHeight}, exchange_)); }

}  // namespace vl
