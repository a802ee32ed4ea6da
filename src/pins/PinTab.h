#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "VLEngine/VLStoreTab.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "core/VLConstants.h"
#include "pins/PinTabDelegate.h"

namespace vl {

class AutoPickForest;

// A named, coloured collection of records beside the clipboard history: a chain of docs in a folder of
// its own under the pin folder, whose name carries the tab's fields (identifier, name, text colour,
// background colour, position, joined by "._."). The clipboard tab (the nil identifier) has no folder;
// its chain is the record store's, the very same object (VLEngine::clipboardChain). The chain and the
// caches over it are the store's part of the tab (VLStoreTab).
//
// Fields are guarded by the record store's lock (VLEngine::storeMutex). The tab calls its view without
// holding it. Folder moves and removals run on the docs' persistence queue, after the writes queued
// before them, and carry every doc path of the chain along.
class PinTab : public VLStoreTab, public std::enable_shared_from_this<PinTab> {
 public:
  enum ActiveState : std::int32_t { kNeverActivated = 0, kActive = 1, kInactive = 2 };
  static constexpr std::string_view kFieldSeparator = "._.";
  static constexpr const char* kClipboardBgColor = "D81E06";

  struct FolderFields {
    std::string pinTabId;
    std::string name;
    std::string txtColor;
    std::string bgColor;
    std::int64_t position = 0;
  };

  // For the nil identifier only the fields are set. Otherwise the folder is created when missing and,
  // with loadDisk, its docs are read; a tab without a doc gets the default doc with the tip record.
  static std::shared_ptr<PinTab> initWithId(const std::string& pinTabId, const std::string& name,
                                            const std::string& txtColor, const std::string& bgColor,
                                            std::int64_t position, const std::string& pinPath, bool loadDisk);
  // A new tab with a fresh identifier, its folder and its default doc.
  static std::shared_ptr<PinTab> empty(const std::string& name, const std::string& txtColor,
                                       const std::string& bgColor, std::int64_t position,
                                       const std::string& pinPath);
  // The tab of an existing folder; nullptr (logged) when the name is not one this program writes.
  static std::shared_ptr<PinTab> fromFolder(const std::string& folderName, const std::string& pinPath);
  // The clipboard tab over the store's chain, which it shares rather than copies.
  static std::shared_ptr<PinTab> ofClipboard(std::shared_ptr<DocChain> chain);

  // The five fields of a folder name; nothing when it does not split into exactly five, the identifier
  // is not a 36-character UUID or the position is not a decimal number.
  static std::optional<FolderFields> parseFolderName(std::string_view folderName);
  static std::string folderName(const FolderFields& fields);
  std::string folderName() const;
  static std::string _getPathWithSlash(const std::string& path);
  // Whether a name (or colour) can stand in a folder name: no "/", no "._.", no NUL; names not empty.
  static bool isValidName(std::string_view name);
  static bool isValidColor(std::string_view color);
  // Fields whose folder name fits the file system and reads back as the same fields.
  static bool canNameFolder(const FolderFields& fields);

  // One empty doc with the tip record, head and tail of the chain.
  void defaultDoc();
  // Empties the tab when its only record is the tip, so records moved in stand alone.
  void deleteDefaultTipIfNeeded();
  void active();
  void inactive();
  void moveForward();
  void moveBackward();
  // Replaces the tip (when it is the only record and the name changes), tells the view, stores the
  // fields and moves the folder. False (logged, nothing changed) for a name or colour that cannot
  // stand in a folder name.
  [[nodiscard]] bool rename(const std::string& name, const std::string& txtColor, const std::string& bgColor);
  void reposition(std::int64_t position);
  // Tells the view, then removes the folder with everything in it.
  void remove();
  std::string getDiskPath() const override;

  // The tab's rules, read from the user defaults once; nullptr when it has none.
  std::shared_ptr<AutoPickForest> autoPickForest();
  // Replaces the rules and stores them at once.
  void setAutoPickForest(std::shared_ptr<AutoPickForest> forest);

  std::string pinPath() const;
  std::string path() const;
  std::int32_t activeState() const;
  void setActiveState(std::int32_t state);
  std::string name() const;
  std::string txtColor() const;
  std::string bgColor() const;
  std::int64_t position() const;
  void setPosition(std::int64_t position);
  std::shared_ptr<PinTabDelegate> ptDelegate() const;
  void setPtDelegate(const std::shared_ptr<PinTabDelegate>& delegate);

  PinTab() = default;

 private:
  void loadChain();
  // Queues the move of the chain's folder to `path_` after the writes queued so far.
  void moveFolderToPath();

  std::string pinPath_;
  std::string path_;
  std::int32_t activeState_ = kNeverActivated;
  std::string name_;
  std::string txtColor_;
  std::string bgColor_;
  std::int64_t position_ = 0;
  std::shared_ptr<AutoPickForest> autoPickForest_;
  bool forestLoaded_ = false;
  std::weak_ptr<PinTabDelegate> ptDelegate_;
};

}  // namespace vl
