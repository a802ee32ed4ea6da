#pragma once

#include <memory>
#include <string>
#include <vector>

namespace vl {

// Acts on the name of an in-window shortcut ("historyUp", "esc"). True when it acted, which ends the
// offer; false when the name does not concern it, or concerns it but others may act too.
class ShortcutReceiver {
 public:
  virtual ~ShortcutReceiver() = default;
  virtual bool resolvedShortcutKey(const std::string& name) = 0;
};

// Where the parts of our windows sign up for shortcut names. It sits this low so that every window part
// can register, whatever its layer; the key matching that names a press lives with the shortcuts.
//
// Receivers are tried in a fixed order by kind, so which one wins a name shared by two (Return is the
// move dialog's confirmation and the search field's paste) never depends on which part was built first;
// receivers of one kind keep their registration order. Receivers are held weakly: one that goes away
// drops out. Main thread only.
class LocalShortcutsManager {
 public:
  // The order in which kinds of receivers are tried.
  enum class Order {
    EscStack = 0,
    MoveToPinDialog = 10,
    ResultList = 20,
    SearchField = 30,
    Toolbar = 40,
    ThinkingBar = 50,
    Other = 100,
  };

  static LocalShortcutsManager& shared();

  // Registering a receiver twice keeps its first place.
  void registerReceiver(const std::shared_ptr<ShortcutReceiver>& receiver, Order order = Order::Other);
  void unregisterReceiver(const ShortcutReceiver* receiver);
  // Offers the name to each live receiver in order until one takes it.
  bool offerShortcutKey(const std::string& name);
  std::size_t receiverCount() const;
  void removeAllReceiversForTesting() { receivers_.clear(); }

 private:
  struct Entry {
    Order order;
    const ShortcutReceiver* key;
    std::weak_ptr<ShortcutReceiver> receiver;
  };
  std::vector<Entry> receivers_;
};

}  // namespace vl
