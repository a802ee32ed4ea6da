#include "platform/system/Pasteboard.h"

#include <algorithm>

#include "platform/foundation/Text.h"
#include "platform/system/desktop/InstalledBackend.h"
#include "platform/system/headless/HeadlessPasteboard.h"

namespace vl {

PasteboardItem::PasteboardItem(std::string type, std::string data) { setData(type, std::move(data)); }

void PasteboardItem::setData(const std::string& type, std::string data) {
  for (auto& [t, d] : representations_) {
    if (t == type) {
      d = std::move(data);
      return;
    }
  }
  representations_.emplace_back(type, std::move(data));
}

bool PasteboardItem::has(std::string_view type) const {
  return std::any_of(representations_.begin(), representations_.end(),
                     [&](const auto& r) { return r.first == type; });
}

std::optional<std::string> PasteboardItem::data(std::string_view type) const {
  for (const auto& [t, d] : representations_) {
    if (t == type) return d;
  }
  return std::nullopt;
}

std::vector<std::string> PasteboardItem::types() const {
  std::vector<std::string> out;
  out.reserve(representations_.size());
  for (const auto& r : representations_) out.push_back(r.first);
  return out;
}

bool isSecretPasswordManagerHint(std::string_view value) {
  while (!value.empty() && (value.back() == '\0' || value.back() == ' ' || value.back() == '\n' ||
                            value.back() == '\r' || value.back() == '\t')) {
    value.remove_suffix(1);
  }
  return value == "secret";
}

bool isMarkedSecret(const std::vector<PasteboardItem>& items) {
  return std::any_of(items.begin(), items.end(), [](const PasteboardItem& item) {
    auto hint = item.data(kPasteboardTypePasswordManagerHint);
    return hint && isSecretPasswordManagerHint(*hint);
  });
}

bool isOwnWrite(const std::vector<PasteboardItem>& items) {
  return std::any_of(items.begin(), items.end(),
                     [](const PasteboardItem& item) { return item.has(kPasteboardTypeOwnWrite); });
}

std::shared_ptr<Pasteboard> Pasteboard::general() {
  return InstalledBackend<Pasteboard, HeadlessPasteboard>::get();
}

void Pasteboard::install(std::shared_ptr<Pasteboard> backend) {
  InstalledBackend<Pasteboard, HeadlessPasteboard>::install(std::move(backend));
}

std::vector<std::string> Pasteboard::types() const {
  std::vector<std::string> out;
  for (const auto& item : items()) {
    for (auto& type : item.types()) {
      if (std::find(out.begin(), out.end(), type) == out.end()) out.push_back(std::move(type));
    }
  }
  return out;
}

bool Pasteboard::hasType(std::string_view type) const {
  const auto all = items();
  return std::any_of(all.begin(), all.end(), [&](const PasteboardItem& i) { return i.has(type); });
}

std::optional<std::string> Pasteboard::dataForType(std::string_view type) const {
  for (const auto& item : items()) {
    if (auto d = item.data(type)) return d;
  }
  return std::nullopt;
}

std::optional<std::string> Pasteboard::stringForType(std::string_view type) const {
  auto d = dataForType(type);
  if (!d || !isValidUtf8(*d)) return std::nullopt;
  return d;
}

bool Pasteboard::setString(const std::string& text, const std::string& type) {
  clearContents();
  return writeObjects({PasteboardItem(type, text)});
}

}  // namespace vl
