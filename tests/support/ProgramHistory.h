#pragma once

#include <memory>
#include <string>

#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "support/ProgramUnderTest.h"
#include "support/X11TestSupport.h"

// The records the real program keeps, read from its home as its own load would find them. For the test
// folders that link the store.
namespace vl::x11test {

// The text of the first doc of a folder of the program's data (its file and its journal): its records
// one after another; "" while there is none.
inline std::string docText(const std::string& folder) {
  auto doc = std::make_shared<Vellisto_BigDoc>();
  return doc->load(folder + "/BigDoc_0") ? doc->stringValue() : "";
}

// The text of the program's history.
inline std::string historyOf(const Program& program) { return docText(program.home() + "/.vellisto/data"); }

// Copies `text` on `display` as another application would, and waits until the program keeps it.
inline ::testing::AssertionResult copyKept(const Program& program, const std::string& display,
                                           const std::string& text) {
  if (!xclipSet(display, "UTF8_STRING", text)) return ::testing::AssertionFailure() << "xclip failed";
  if (waitUntil([&] { return historyOf(program).find(text) != std::string::npos; }, kProgramAnswerMs))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"" << text << "\" was not kept\n" << program.errors();
}

}  // namespace vl::x11test
