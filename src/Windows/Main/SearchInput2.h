#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "VLEngine/search/Vellisto_DisplayChannelDelegate.h"
#include "core/keys/LocalShortcutsManager.h"
#include "platform/foundation/Json.h"
#include "platform/system/Pasteboard.h"
#include "platform/ui/text/TextField.h"
#include "ui/view/ThemeView.h"

namespace vl {

class Button2;
class HintTable2;
class MainViewController;

// The search field at the top of the main window. Every edit becomes a search at once (or a replay of
// rows already shown for that text); Return pastes what the list has selected into the window the user
// came from. Main thread only, except research, which posts itself there.
class SearchInput2 : public ThemeView, public ui::TextFieldDelegate, public ShortcutReceiver {
 public:
  static constexpr ui::Size kSize{680, 52};
  // The field's face: the system font, light, at this size; the placeholder takes the same face.
  static constexpr double kFontSize = 28;

  SearchInput2();
  // A field registered for the in-window shortcut names.
  static std::shared_ptr<SearchInput2> create();

  const std::shared_ptr<ui::TextField>& textField() const { return textField_; }
  // The preview on/off button at the right end, selected while the preview shows.
  const std::shared_ptr<Button2>& spacePreviewButton() const { return spacePreviewButton_; }
  void spacePreview();
  // The text as of the last edit, else what the field holds.
  std::string text() const;
  void clear();
  void focusField();
  void unfocusField();
  // Where the caret (or the selection) stands while the field has the keyboard; nullopt otherwise.
  std::optional<Range> caret() const;
  // Gives the field the keyboard back with its caret where it stood.
  void focusFieldAt(Range caret);
  // Searches the field's text again without forgetting the store's last matches.
  void research();

  // The record list the road reads its selection from, and the controller for the detail and
  // Quick Look; both held weakly.
  void setHintTable(const std::shared_ptr<HintTable2>& list) { hintTable_ = list; }
  void setController(const std::shared_ptr<MainViewController>& controller) { controller_ = controller; }

  void enterPaste();
  bool blocked() const;
  // Selects the chosen rows' records in the store and pastes them through the paste service.
  void doPaste(bool rich);
  // What the pasteboard gets for the rows' records, one item each in the given order.
  static std::vector<PasteboardItem> pasteboardItems(const DisplayRows& rows, bool rich);
  // What the pasteboard gets for one record; empty when nothing can stand for it.
  static PasteboardItem pasteboardItem(const std::string& text, const std::optional<Json>& json, bool rich);
  // Opens the engine's search for the field's text (or the selected row's) in the chosen browser.
  void doSearchByEngine(bool useSelectedRow);

  bool resolvedShortcutKey(const std::string& name) override;
  void controlTextDidChange(ui::TextField& field) override;
  bool controlTextViewDoCommandBySelector(ui::TextField& field, ui::TextView& editor,
                                          const std::string& command) override;
  void keyDown(const ui::Event&) override {}
  void lightOrDarkChanged() override;

  ui::Size size() const { return kSize; }
  bool isFlow() const { return false; }

 private:
  void doSearch();
  // The localised placeholder in the theme's placeholder colour, made again on a light or dark change.
  void applyPlaceholder();
  // Flips the preview and keeps the button telling the truth.
  void flipPreview();

  std::shared_ptr<ui::TextField> textField_;
  std::shared_ptr<Button2> spacePreviewButton_;
  std::string textCopy_;
  // The last text typed that the engine was asked about; its matches are what the engine keeps.
  std::string searched_;
  std::weak_ptr<HintTable2> hintTable_;
  std::weak_ptr<MainViewController> controller_;
};

}  // namespace vl
