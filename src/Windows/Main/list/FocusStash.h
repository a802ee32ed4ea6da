#pragma once

namespace vl {

// A part of the main window that hands the keyboard's attention to another part and takes it back,
// keeping its selection meanwhile: the record list and the thinking bar pass it between them.
class FocusStash {
 public:
  virtual ~FocusStash() = default;
  // Gives the attention away; the selection is remembered and shown no more.
  virtual void stash() = 0;
  // Takes it back with the remembered selection.
  virtual void popStash() = 0;
};

}  // namespace vl
