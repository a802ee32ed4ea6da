#include "Windows/AutoPick/AutoPickCustomValueView.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

#include "Windows/AutoPick/AutoPickNotifications.h"
#include "Windows/AutoPick/VLChosenView.h"
#include "autopick/AutoPickConfig.h"
#include "autopick/AutoPickNode.h"
#include "core/apps/AppInstalledManager.h"
#include "core/notify/VLNotificationCenter.h"
#include "platform/foundation/Environment.h"
#include "platform/foundation/Localization.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Regex.h"
#include "theme/VLThemeCategories.h"

namespace vl {

namespace {

// Probe texts long enough that an expression which backtracks without end meets the time limit on one
// of them: runs of common characters and of the expression's own letters, each ended by a character
// that no run matches, which is what makes nested repeats try every split.
constexpr std::size_t kProbeRun = 28;
constexpr std::size_t kMaxProbeChars = 8;

std::vector<std::string> probesFor(const std::string& expression) {
  std::string chars = "a0 ";
  for (char c : expression) {
    if (chars.size() >= kMaxProbeChars) break;
    if (std::isalnum(static_cast<unsigned char>(c)) && chars.find(c) == std::string::npos) chars += c;
  }
  std::vector<std::string> probes;
  for (char c : chars) probes.push_back(std::string(kProbeRun, c) + "\x01");
  return probes;
}

std::vector<std::string> splitNames(const std::optional<std::string>& value) {
  std::vector<std::string> names;
  if (!value || value->empty()) return names;
  std::size_t start = 0;
  while (start <= value->size()) {
    std::size_t end = value->find(',', start);
    if (end == std::string::npos) end = value->size();
    if (end > start) names.push_back(value->substr(start, end - start));
    start = end + 1;
  }
  return names;
}

AutoPickApplicationValueView::InstalledApplications& provider() {
  static AutoPickApplicationValueView::InstalledApplications p;
  return p;
}

}  // namespace

std::shared_ptr<AutoPickCustomValueView> AutoPickCustomValueView::ofViewName(const std::string& viewName) {
  if (viewName == AutoPickConfig::kRegexValueView) return std::make_shared<AutoPickRegexValueView>();
  if (viewName == AutoPickConfig::kApplicationValueView) {
    return std::make_shared<AutoPickApplicationValueView>();
  }
  logWarningf("AutoPickCustomValueView: no value editor named \"%s\"", viewName.c_str());
  return nullptr;
}

bool AutoPickCustomValueView::save() {
  if (!preSave()) return false;
  VLNotificationCenter::postNotificationName(kNotificationAutoPickEditorShouldSave);
  return true;
}

std::shared_ptr<ModalTableSectionView> AutoPickCustomValueView::makeHeader(const std::string& titleKey) {
  auto header = ModalTableSectionView::create({0, kHeight - kHeaderHeight, width_, kHeaderHeight});
  header->setTitle(localized(titleKey));
  addSubview(header);
  return header;
}

RegexCheck RegexCheck::of(const std::string& expression) {
  if (expression.empty()) return {Empty, ""};
  RegexOptions options;
  options.caseInsensitive = true;
  options.timeLimitMs = AutoPickConfig::kRegexTimeLimitMs;
  std::string error;
  auto regex = Regex::compile(expression, options, &error);
  // ICU's own error name is in the log line; the person typing gets a plain sentence.
  if (!regex) return {Invalid, localized("pin.autoPick.regex.invalid")};
  for (const auto& probe : probesFor(expression)) {
    bool timedOut = false;
    regex->firstMatch(probe, 0, &timedOut);
    if (timedOut) return {Slow, localized("pin.autoPick.regex.slow")};
  }
  return {Valid, ""};
}

void AutoPickRegexValueView::viewWillMoveToSuperview(ui::View* newSuperview) {
  if (!newSuperview || sectionView_) return;
  setFrameSize(size());
  sectionView_ = makeHeader("pin.autoPick.customView.regex");
  const double y = sectionView_->frame().origin.y - 10 - ModalTableView::kRowHeight;
  regexItem_ = ModalTableItem::create({0, y, width(), ModalTableView::kRowHeight});
  regexItem_->setMode(ModalTableItem::TextInput);
  regexItem_->resetStyle(ModalTableItem::Single);
  regexItem_->setPlaceholder(localized("pin.autoPick.regex.hint"));
  regexItem_->setText(node() && node()->value() ? *node()->value() : "");
  auto me = std::static_pointer_cast<AutoPickRegexValueView>(self());
  regexItem_->input()->setDelegate(std::shared_ptr<ui::TextFieldDelegate>(me, me.get()));
  addSubview(regexItem_);

  statusView_ = PassthroughTextView::create({20, y - 24, width() - 40, 18});
  statusView_->setMaximumNumberOfLines(1);
  statusView_->setLineBreakMode(ui::LineBreakMode::TruncatingTail);
  statusView_->setDrawsBackground(false);
  statusView_->setFont(ui::Font::systemFont(11));
  addSubview(statusView_);
  showCheck();
}

void AutoPickRegexValueView::controlTextDidChange(ui::TextField&) { showCheck(); }

void AutoPickRegexValueView::showCheck() {
  check_ = RegexCheck::of(regexItem_->text().value_or(""));
  statusView_->setString(check_.message);
  savableChanged(check_.verdict != RegexCheck::Invalid);
  const char* key = check_.verdict == RegexCheck::Invalid ? "inputErrorColor" : "inputWarningColor";
  setTextColorAssetKey(*statusView_, std::string(key));
}

bool AutoPickRegexValueView::preSave() {
  if (!node() || !regexItem_) return false;
  showCheck();
  if (check_.verdict == RegexCheck::Invalid) {
    logWarningf("AutoPickRegexValueView: \"%s\" does not compile, not saved",
                regexItem_->text().value_or("").c_str());
    return false;
  }
  if (check_.verdict == RegexCheck::Slow) {
    logWarningf(
        "AutoPickRegexValueView: \"%s\" runs into the match time limit; saved, it will match nothing on "
        "such texts",
        regexItem_->text().value_or("").c_str());
  }
  node()->setValue(regexItem_->text().value_or(""));
  return true;
}

void AutoPickApplicationValueView::setInstalledApplications(InstalledApplications p) {
  provider() = std::move(p);
}

std::vector<AppItem> AutoPickApplicationValueView::installedApplications() {
  if (provider()) return provider()();
  auto& manager = AppInstalledManager::shared();
  auto found = manager.appQuery()->results();
  // Before the index's first gathering has finished, read the application folders here.
  if (found.empty())
    found = manager.appQuery()->gather(DesktopEntryQuery::applicationFolders(), environmentValue("PATH"));
  std::vector<AppItem> items;
  for (const auto& entry : found) items.emplace_back(entry.name, entry.path);
  return items;
}

void AutoPickApplicationValueView::viewWillMoveToSuperview(ui::View* newSuperview) {
  if (!newSuperview || sectionView_) return;
  setFrameSize(size());
  sectionView_ = makeHeader("pin.autoPick.customView.specifiedApplications");
  chosenView_ = VLChosenView::create({0, 0, width(), kHeight - kHeaderHeight - 10});
  chosenView_->setEditable(editable());

  // The rule's own names first, in its order, so saving unchanged gives the same value; then every
  // other installed application by name. A name with "," could not be told apart in the stored list.
  const auto chosen = splitNames(node() ? node()->value() : std::nullopt);
  std::vector<AppItem> items;
  std::set<std::string> seen;
  auto installed = installedApplications();
  std::sort(installed.begin(), installed.end(),
            [](const AppItem& a, const AppItem& b) { return a.appName() < b.appName(); });
  for (const auto& name : chosen) {
    if (!seen.insert(name).second) continue;
    std::string icon;
    for (const auto& app : installed) {
      if (app.appName() == name) icon = app.iconPath();
    }
    items.emplace_back(name, icon);
  }
  for (const auto& app : installed) {
    if (app.appName().find(',') != std::string::npos) {
      logWarningf("AutoPickApplicationValueView: application \"%s\" has \",\" in its name, not offered",
                  app.appName().c_str());
      continue;
    }
    if (seen.insert(app.appName()).second) items.push_back(app);
  }
  chosenView_->setItems(std::move(items), chosen);
  addSubview(chosenView_);
}

bool AutoPickApplicationValueView::preSave() {
  if (!node() || !chosenView_) return false;
  std::string value;
  for (const auto& name : chosenView_->checkedNames()) {
    if (!value.empty()) value += ",";
    value += name;
  }
  node()->setValue(value);
  return true;
}

}  // namespace vl
