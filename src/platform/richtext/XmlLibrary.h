#pragma once

namespace vl::ui {

// libxml2 as the whole program uses it. Markup is read on two roads, each on a thread of its own:
// copied HTML on the capture queue (HtmlReader) and dictionary pages on the worker pool (the lookup's
// query helper); the icon theme's SVG reader uses the library as well. Its global set-up is not safe
// against a second thread using the library meanwhile, so the program sets it up once, on the main
// thread, before it starts any other thread. Every reader here reads with the same options and stops
// at the same depth.
class XmlLibrary {
 public:
  // An element nested deeper stops the read: the parser's cost grows with depth times length, and no
  // page anyone copies or fetches nests this deep.
  static constexpr int kMaxDepth = 256;

  // The first call sets the library up; later ones do nothing. main() calls it before anything else,
  // on the main thread, and logs whether other threads ran already.
  static void initialize();
  // What every reader calls before it parses: a process that never called initialize() (a tool, a
  // test program) gets the set-up here, once, on whatever thread reads first.
  static void ensureInitialized();

  // Never the network (no external entity or DTD is fetched), no messages of the parser on stderr,
  // and broken markup read as far as it goes. For htmlCtxtUseOptions / htmlCtxtReadMemory.
  static int htmlReadOptions();
  // The same for XML (xmlCtxtReadMemory).
  static int xmlReadOptions();
};

// Counts the elements a parser has open and stops it at the first one nested past
// XmlLibrary::kMaxDepth (the document element is depth 1). Call enter() where an element starts and
// leave() where it ends, from the parser's callbacks; `parser` is its xmlParserCtxtPtr.
class XmlDepthGuard {
 public:
  // False, with the parser stopped, when the element would open too deep.
  bool enter(void* parser);
  void leave();
  bool tooDeep() const { return tooDeep_; }
  int depth() const { return open_; }

 private:
  int open_ = 0;
  bool tooDeep_ = false;
};

}  // namespace vl::ui
