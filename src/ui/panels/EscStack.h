#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vl {

// Close blocks of whatever the Escape key should close, newest last. A block takes the cleaning flag
// (true when the whole stack is being emptied, false for an Escape press) and answers true when it closed
// something, false when it had nothing to close, so the next block is tried. Main thread only (checked), so
// there is no lock, and a block may push or pop again while it runs.
class EscStack {
 public:
  using CloseBlock = std::function<bool(bool cleaning)>;
  // What an in-window shortcut dispatcher calls with a shortcut's name; true ends the offering.
  using ShortcutReceiver = std::function<bool(const std::string& name)>;
  // Hands the stack's receiver to whoever dispatches in-window shortcuts.
  using ReceiverRegistrar = std::function<void(ShortcutReceiver)>;

  static EscStack& shared();

  void push(CloseBlock block);
  void pop(bool cleaning);
  void clean();
  // "esc" pops (also on an empty stack) and is handled; any other name is not ours.
  bool resolvedShortcutKey(const std::string& name);

  std::size_t count() const;
  // Tests: drop every block without calling it.
  void resetForTesting();

 private:
  EscStack();
  struct Entry {
    std::uint64_t id;
    std::shared_ptr<CloseBlock> block;
  };
  void registerWithDispatcher();

  std::vector<Entry> blocks_;
  std::uint64_t nextId_ = 1;
};

}  // namespace vl
