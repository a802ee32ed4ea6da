#pragma once

#include "Windows/Main/list/FocusStash.h"

namespace vl {

// The thinking bar as the main window knows it. The bar lives in a folder above this one (it runs smart
// actions), so the window holds it as a view that also answers this: the list tells it after every
// selection change and search, the search field passes the keyboard's attention to it and asks whether
// it holds the attention.
class ThinkingBarSlot : public FocusStash {
 public:
  // The search text or the selected record changed.
  virtual void refresh() = 0;
  // The bar holds the keyboard's attention: its selection is live.
  virtual bool isActive() const = 0;
  // Runs the selected action (Return while the bar is active).
  virtual void doActionAtSelected() = 0;
};

}  // namespace vl
