#include "platform/system/GeneralTextPasteboard.h"

#include <memory>

#include "platform/system/Pasteboard.h"
#include "platform/ui/TextPasteboard.h"

namespace vl {

namespace {

class GeneralTextPasteboard final : public ui::TextPasteboard {
 public:
  std::optional<std::string> readString() override {
    return Pasteboard::general()->stringForType(kPasteboardTypeString);
  }
  bool writeString(const std::string& text) override { return Pasteboard::general()->setString(text); }
};

}  // namespace

void installGeneralTextPasteboard() {
  ui::TextPasteboard::install(std::make_shared<GeneralTextPasteboard>());
}

}  // namespace vl
