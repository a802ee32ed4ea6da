#include "think/Think.h"

#include "VLEngine/doc/record/IndexHelper.h"
#include "platform/foundation/Regex.h"
#include "platform/foundation/Text.h"
#include "think/TextScan.h"
#include "think/actions/DictionaryAction.h"
#include "think/actions/FileActions.h"
#include "think/actions/ListActions.h"
#include "think/actions/SearchTextActions.h"
#include "think/actions/TerminateAppAction.h"
#include "think/actions/TextActions.h"
#include "think/actions/TimeActions.h"

namespace vl {

namespace {

// The commands typed into the search field are at most this long (UTF-16 units, lowercased).
constexpr std::size_t kCommandLength = 19;
// A text of more bytes has more code points than a command may have units, however it lowercases.
constexpr std::size_t kCommandBytes = kCommandLength * 4;

Action*& remindSlot() {
  static Action* action = nullptr;
  return action;
}

bool lettersAndBars(const std::string& text) {
  // The bar inside the class is a character like the letters.
  static const std::shared_ptr<const Regex> regex = Regex::compile("^[a-z|A-Z]+$");
  return regex && regex->matches(text);
}

}  // namespace

std::unique_ptr<Think> Think::dump(const std::optional<std::string>& searchText,
                                   std::optional<std::string> selectedContext,
                                   const std::optional<Json>& selectedJsonDict) {
  std::unique_ptr<Think> think(new Think());
  think->selectedContext_ = std::move(selectedContext);
  if (selectedJsonDict && selectedJsonDict->is_object()) think->json_ = *selectedJsonDict;
  for (const char* key : {"custom_view", "translate_words"}) {
    if (auto it = think->json_.find(key); it != think->json_.end()) think->recordPreviewKeys_[key] = *it;
  }
  think->addFeats(searchText);
  return think;
}

void Think::addFeats(const std::optional<std::string>& searchText) {
  if (searchText && searchText->size() <= kCommandBytes) {
    // The actions then work on the very text the rules were tested on: "Delta" finds δ, "MKTB3" a table.
    std::string t = lowercase(*searchText);
    if (t == "now") {
      feats_.set(feature::kNow);
      command_ = std::move(t);
      fromSearch_ = true;
      return;
    }
    if (utf16Length(t) <= kCommandLength) {
      int command = 0;
      if (MKTableAction::shared().isMKTable(t)) {
        command = feature::kMarkdownTable;
      } else if (MathSymbolAction::shared().isMathSymbolPronun(t)) {
        command = feature::kGreekName;
      } else if (CMConvertAction::shared().isCM(t)) {
        command = feature::kCentimetres;
      } else if (RandomAction::shared().isRandom(t)) {
        command = feature::kRandom;
      }
      if (command != 0) {
        feats_.set(command);
        command_ = std::move(t);
        fromSearch_ = true;
        return;
      }
    }
  }
  if (!text().empty()) addTextFeats();
}

void Think::addTextFeats() {
  using namespace feature;
  const std::string& s = text();
  const think::TextFacts facts = think::factsOf(s);
  const std::size_t length = facts.length;

  if (json_.contains("app") && !json_["app"].is_null()) feats_.set(kApp);
  if (length > 15) {
    feats_.set(kLong);
    feats_.set(kDigest);
  }
  if (length <= 14 && lettersAndBars(s)) {
    if (DictionaryAction::shared().wordInDictionary(s)) feats_.set(kDictionaryWord);
    feats_.set(kShortLetters);
  }
  if (facts.number) {
    feats_.set(kDigits);
    if (length > 4) feats_.set(kSeconds);
    if (length == 13) feats_.set(kMilliseconds);
  }
  if (recordFileIsReadable(json_)) feats_.set(kFile);
  if (length <= 30) feats_.set(kShort);
  if (facts.digitLines) {
    feats_.set(kDigitLines);
    feats_.set(kCombinable);
  }
  if (facts.digitCommas) {
    feats_.set(kDigitCommas);
    feats_.set(kCombinable);
  }
  if (facts.digitCommaLines) {
    feats_.set(kDigitCommaLines);
    feats_.set(kCombinable);
  }
}

std::vector<Action*> Think::builtinActions() {
  std::vector<Action*> actions = {
      &FileAction::shared(),
      &FolderAction::shared(),
      &DictionaryAction::shared(),
      &DateAction::shared(),
      &TerminateAppAction::shared(),
      &LenAction::shared(),
      &Md5Action::shared(),
      &UpperAction::shared(),
      &KAction::shared(),
      &SortSplitByCRLFAction::shared(),
      &SortSplitByCommaAction::shared(),
      &CombineAction::shared(),
  };
  if (remindSlot()) actions.push_back(remindSlot());
  for (Action* action : std::initializer_list<Action*>{
           &MathSymbolAction::shared(),
           &SecondAction::shared(),
           &CMConvertAction::shared(),
           &SortSplitByCommaAndCRLFAction::shared(),
           &RandomAction::shared(),
           &TimestampAction::shared(),
           &MKTableAction::shared(),
           &NowTimestampAction::shared(),
       })
    actions.push_back(action);
  return actions;
}

void Think::setRemindAction(Action* action) { remindSlot() = action; }

bool Think::hasRemindAction() { return remindSlot() != nullptr; }

std::vector<Action*> Think::getActions() const {
  std::vector<Action*> matched;
  for (Action* action : builtinActions()) {
    if (action->matched(feats_, text())) matched.push_back(action);
  }
  if (matched.empty()) matched.push_back(&NoneAction::shared());
  return matched;
}

void Think::resetPreviewKeys() {
  if (!json_.is_object()) json_ = Json::object();
  for (const char* key : {"custom_view", "translate_words"}) {
    if (auto kept = recordPreviewKeys_.find(key); kept != recordPreviewKeys_.end()) {
      json_[key] = *kept;
    } else {
      json_.erase(key);
    }
  }
}

std::optional<ui::AttributedString> Think::textOf(Action& action) {
  resetPreviewKeys();
  return action.getText(text(), json_);
}

}  // namespace vl
