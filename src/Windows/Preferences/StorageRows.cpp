#include "Windows/Preferences/StorageRows.h"

#include <algorithm>

#include "Windows/Preferences/PaneParts.h"
#include "core/VLConfig.h"
#include "platform/foundation/Localization.h"
#include "platform/ui/controls/Beep.h"

namespace vl {

std::shared_ptr<ImageStore> ImageStore::create(double width) {
  auto row = std::make_shared<ImageStore>(ui::Rect{0, 0, width, kHeight});
  row->build();
  return row;
}

void ImageStore::build() {
  setActionHandler("checked:", [this](ui::ActionTarget*) { checked(); });
  setActionHandler("popUpSelected:", [this](ui::ActionTarget*) { popUpSelected(); });
  const double b = kHeight - 20;
  // The box and its text stand in the column of the other check boxes (box at 230, text at 250), the
  // text centred on the box.
  checkButton_ = pane::toggle(*this, {230, b}, ui::ButtonType::Switch, shared_from_this(), "checked:");
  titleView_ = pane::title(*this, {250, b + 2, 260, 16}, "pref.general.imagecopy", false);
  tip1View_ = pane::tip(*this, {250, b - 46, 260, 46}, "pref.general.copytips");
  tip2View_ = pane::title(*this, {250, b - 66, 60, 18}, "pref.general.savewith", false);
  timePopUpButton_ = pane::popUp(*this, {315, b - 70}, shared_from_this(), "popUpSelected:");
  timePopUpButton_->setEnabled(false);
  tip3View_ = pane::title(*this, {420, 4, 60, 18}, "pref.general.image", false);
}

std::string ImageStore::transferTime(const std::string& code) {
  if (code == "2w") return localized("pref.general.time2w");
  if (code == "1m") return localized("pref.general.time1m");
  if (code == "3m") return localized("pref.general.time3m");
  if (code == "ever") return localized("pref.general.timeever");
  return localized("pref.general.time1w");
}

void ImageStore::reload() {
  const Json value = VLConfig::shared().getValueOfKey(VLConfig::kImageStorage).value_or(Json());
  if (!value.is_object()) return;
  const Json isCopy = value.value("isCopy", Json(false));
  const bool on = isCopy.is_boolean() ? isCopy.get<bool>() : (isCopy.is_number() && isCopy != Json(0));
  checkButton_->setState(pane::stateOf(on));
  timePopUpButton_->removeAllItems();
  const Json list = value.value("timeList", Json::array());
  for (const Json& code : list.is_array() ? list : Json::array()) {
    if (!code.is_string()) continue;
    if (static_cast<std::size_t>(timePopUpButton_->numberOfItems()) == kMaxCodes) break;
    timePopUpButton_->addItemWithTitle(transferTime(code.get<std::string>()));
    timePopUpButton_->lastItem()->setToolTip(code.get<std::string>());
  }
  const Json stored = value.value("storageTime", Json(""));
  const std::string code = stored.is_string() ? stored.get<std::string>() : "";
  // The code picks the item; titles only decide for a code that no item carries.
  bool found = false;
  for (long i = 0; i < timePopUpButton_->numberOfItems() && !found; ++i) {
    if (timePopUpButton_->itemAtIndex(i)->toolTip() == code) {
      timePopUpButton_->selectItemAtIndex(i);
      found = true;
    }
  }
  if (!found) timePopUpButton_->selectItemWithTitle(transferTime(code));
  timePopUpButton_->setEnabled(on);
}

void ImageStore::checked() {
  const bool on = pane::isOn(*checkButton_);
  timePopUpButton_->setEnabled(on);
  Json value = VLConfig::shared().getValueOfKey(VLConfig::kImageStorage).value_or(Json::object());
  if (!value.is_object()) value = Json::object();
  value["isCopy"] = on ? 1 : 0;
  VLConfig::shared().setValueOfKey(VLConfig::kImageStorage, value);
}

void ImageStore::popUpSelected() {
  auto item = timePopUpButton_->selectedItem();
  if (!item) return;
  Json value = VLConfig::shared().getValueOfKey(VLConfig::kImageStorage).value_or(Json::object());
  if (!value.is_object()) value = Json::object();
  value["storageTime"] = item->toolTip();
  VLConfig::shared().setValueOfKey(VLConfig::kImageStorage, value);
}

long long OnlyIntegerValueFormatter::parse(const std::string& text, bool* clamped) {
  if (clamped) *clamped = false;
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  std::size_t begin = 0, end = text.size();
  while (begin < end && isSpace(text[begin])) ++begin;
  while (end > begin && isSpace(text[end - 1])) --end;
  if (begin == end) return -1;
  long long value = 0;
  for (std::size_t i = begin; i < end; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    // Saturated per digit, so a long paste never overflows: the settings store reads no more back.
    value = std::min(value * 10 + (text[i] - '0'), kMax + 1);
  }
  if (value <= kMax) return value;
  if (clamped) *clamped = true;
  return kMax;
}

bool OnlyIntegerValueFormatter::isPartialStringValid(const std::string& partial,
                                                     std::string* newEditingString, std::string*) {
  if (partial.find_first_not_of(" \t\r\n") == std::string::npos) return true;
  bool clamped = false;
  const long long value = parse(partial, &clamped);
  if (value >= 0 && !clamped) return true;
  if (clamped) {
    // Too large is no mistake to beep at: the field shows the largest number kept instead.
    if (newEditingString) *newEditingString = std::to_string(kMax);
    return false;
  }
  ui::beep();
  return false;
}

std::shared_ptr<MaxCharacters> MaxCharacters::create(double width) {
  auto row = std::make_shared<MaxCharacters>(ui::Rect{0, 0, width, kHeight});
  row->build();
  return row;
}

void MaxCharacters::build() {
  titleView_ = pane::title(*this, {pane::kTitleX, 32, pane::kTitleWidth, 16}, "pref.general.maxcharacters");
  customTextField_ = ui::TextField::create({230, 30, 180, 25});
  customTextField_->setAlignment(ui::TextAlignment::Right);
  customTextField_->setDelegate(std::static_pointer_cast<MaxCharacters>(shared_from_this()));
  customTextField_->setFormatter(std::make_shared<OnlyIntegerValueFormatter>());
  addSubview(customTextField_);
  tip1View_ = pane::tip(*this, {230, 0, 260, 30}, "pref.general.maxcharacters.tips");
  reload();
}

namespace {

// An empty field means 0, which keeps whole texts.
long long valueOfField(const ui::TextField& field) {
  return std::max(0LL, OnlyIntegerValueFormatter::parse(field.stringValue()));
}

}  // namespace

void MaxCharacters::reload() {
  const long long stored = VLConfig::shared().getIntegerValueOfKey(VLConfig::kMaxTextLength);
  // A field that already says so keeps its text: the user may be typing into it (an empty field that
  // stored 0 does not turn into "0" under the caret).
  const ui::TextField& field = *customTextField_;
  if (valueOfField(field) == stored && (!field.stringValue().empty() || field.isEditing())) return;
  customTextField_->setStringValue(std::to_string(stored));
}

void MaxCharacters::controlTextDidChange(ui::TextField& field) {
  if (&field != customTextField_.get()) return;
  VLConfig::shared().setIntegerValueOfKey(VLConfig::kMaxTextLength, valueOfField(field));
}

}  // namespace vl
