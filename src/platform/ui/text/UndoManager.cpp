#include "platform/ui/text/UndoManager.h"

#include <utility>

namespace vl::ui {

std::uint64_t UndoManager::registerUndo(std::string actionName, Action undo, Action redo) {
  if (undoing_ || redoing_ || !undo || !redo) return 0;
  std::uint64_t token = nextToken_++;
  undoStack_.push_back({token, std::move(actionName), std::move(undo), std::move(redo)});
  redoStack_.clear();
  trim();
  return token;
}

bool UndoManager::undo() {
  if (undoStack_.empty() || undoing_ || redoing_) return false;
  Step step = std::move(undoStack_.back());
  undoStack_.pop_back();
  undoing_ = true;
  step.undo();
  undoing_ = false;
  redoStack_.push_back(std::move(step));
  return true;
}

bool UndoManager::redo() {
  if (redoStack_.empty() || undoing_ || redoing_) return false;
  Step step = std::move(redoStack_.back());
  redoStack_.pop_back();
  redoing_ = true;
  step.redo();
  redoing_ = false;
  undoStack_.push_back(std::move(step));
  trim();
  return true;
}

void UndoManager::removeAllActions() {
  undoStack_.clear();
  redoStack_.clear();
}

void UndoManager::trim() {
  if (levels_ > 0 && undoStack_.size() > levels_) {
    undoStack_.erase(undoStack_.begin(),
                     undoStack_.begin() + static_cast<std::ptrdiff_t>(undoStack_.size() - levels_));
  }
}

}  // namespace vl::ui
