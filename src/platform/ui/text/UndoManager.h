#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vl::ui {

// Undo and redo stacks of reversible changes. Each registration is one step, holding how to undo and how
// to redo it; registering clears what could be redone. While a step is being undone or redone, new
// registrations are ignored (the step itself knows how to go the other way). Main thread only.
class UndoManager {
 public:
  using Action = std::function<void()>;

  // Returns the step's token, which stays on the step while it is on either stack (for coalescing).
  std::uint64_t registerUndo(std::string actionName, Action undo, Action redo);

  bool canUndo() const { return !undoStack_.empty(); }
  bool canRedo() const { return !redoStack_.empty(); }
  // False when there is nothing to undo (or redo).
  bool undo();
  bool redo();
  void removeAllActions();

  // The token of the step on top of the undo stack; 0 when empty.
  std::uint64_t topUndoToken() const { return canUndo() ? undoStack_.back().token : 0; }
  std::size_t undoCount() const { return undoStack_.size(); }

 private:
  struct Step {
    std::uint64_t token;
    std::string name;
    Action undo;
    Action redo;
  };
  void trim();

  std::vector<Step> undoStack_;
  std::vector<Step> redoStack_;
  std::uint64_t nextToken_ = 1;
  std::size_t levels_ = 0;
  bool undoing_ = false;
  bool redoing_ = false;
};

}  // namespace vl::ui
