#include "platform/ui/text/TextPasteboard.h"

namespace vl::ui {

namespace {

std::shared_ptr<TextPasteboard>& installed() {
  static std::shared_ptr<TextPasteboard> p = std::make_shared<MemoryTextPasteboard>();
  return p;
}

}  // namespace

std::shared_ptr<TextPasteboard> TextPasteboard::current() { return installed(); }

void TextPasteboard::install(std::shared_ptr<TextPasteboard> pasteboard) {
  installed() = pasteboard ? std::move(pasteboard) : std::make_shared<MemoryTextPasteboard>();
}

}  // namespace vl::ui
