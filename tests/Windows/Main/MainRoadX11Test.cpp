// clang-format off
// Our headers before Xlib's, whose macros (None, Bool, Status) would break them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "VLEngine/doc/journal/DocJournal.h"
#include "VLEngine/doc/bigdoc/Vellisto_BigDoc.h"
#include "platform/foundation/Files.h"
#include "support/ProgramHistory.h"
#include "support/RoadTestSupport.h"
#include "support/TestSupport.h"
#include <X11/keysym.h>
// clang-format on

namespace vl::x11test {
namespace {

// Every record of a data folder, each doc file loaded with its journals.
std::set<std::string> recordsIn(const std::string& folder) {
  std::set<std::string> out;
  for (const auto& name : files::listDirectory(folder).names) {
    if (!Vellisto_BigDoc::docIdOfFileName(name)) continue;
    auto doc = std::make_shared<Vellisto_BigDoc>();
    if (!doc->load(files::joinPath(folder, name))) continue;
    for (const auto& chunk : doc->chunks()) {
      if (chunk) out.insert(chunk->context());
    }
  }
  return out;
}

std::vector<std::string> journalsIn(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& name : files::listDirectory(folder).names) {
    if (DocJournal::parseFileName(name)) out.push_back(files::joinPath(folder, name));
  }
  return out;
}

bool startsWithInFolder(const std::string& folder, const std::string& prefix) {
  for (const auto& name : files::listDirectory(folder).names) {
    if (name.starts_with(prefix)) return true;
  }
  return false;
}

class MainRoadX11Test : public RoadTest {
 protected:
  // The focused window when it is one of the program's, else None.
  ::Window focusedProgramWindow() {
    const ::Window w = focused();
    return isProgramWindow(keys_, w) ? w : None;
  }

  vl::test::TempDir root_{"vl-mainroad"};
};

TEST_F(MainRoadX11Test, HotKeyTypeReturnPastesTheChosenRecordIntoTheEditorTheUserCameFrom) {
  // Each key is followed by the list's tracing line, which only a debug log shows.
  ASSERT_NO_FATAL_FAILURE(launch(root_.path(), {"VELLISTO_LOG=debug"}));
  for (const char* text : {"alpha one", "beta two", "gamma three"})
    ASSERT_TRUE(copyKept(*program_, display_, text));

  TestWindow editor(display_, "Editor");
  ASSERT_TRUE(inFront(editor));
  ASSERT_TRUE(showMain());
  // One key at a time, each shown before the next, so the list answers the whole word.
  ASSERT_TRUE(typeIntoSearch("bet"));
  press({XK_Return});

  // First the modifiers of the hot key (its V is grabbed), then the paste: Ctrl down, V down, V up, Ctrl up.
  EXPECT_TRUE(pasted(editor));
  EXPECT_EQ(xclipGet(display_, "UTF8_STRING"), "beta two");
  // The debug log traces each copy as well.
  EXPECT_GE(program_->count("self.lastCopyEntity = copyEntity"), 3u) << program_->errors();
}

// What a user sees by default: the lines of start-up, and nothing for each copy, search or key.
TEST_F(MainRoadX11Test, ByDefaultCopiesSearchesAndKeysLogNoTracingLines) {
  ASSERT_NO_FATAL_FAILURE(launch(root_.path(), {}));
  Program& program = *program_;
  for (const char* text : {"alpha one", "beta two"}) ASSERT_TRUE(copyKept(program, display_, text));
  TestWindow editor(display_, "Editor");
  ASSERT_TRUE(inFront(editor));
  press({XK_Control_L, XK_Alt_L, XK_v});
  ASSERT_TRUE(eventually([&] { return focusedProgramWindow() != None; })) << program.errors();
  for (KeySym key : {XK_b, XK_e, XK_Down, XK_Up}) press({key});
  // Escape comes after the keys before it: once the editor has the focus back, they were all handled.
  press({XK_Escape});
  ASSERT_TRUE(eventually([&] { return focused() == editor.id(); })) << program.errors();
  ASSERT_TRUE(program.quit(kProgramAnswerMs).has_value()) << program.errors();

  const std::string log = program.errors();
  for (const char* tracing :
       {"self.lastCopyEntity = copyEntity", "Not equal to last copy entity", "append sig=", "none input",
        "task finished", "-> cost ", "select arr remove", "did become key window", "lastMatchedChunks size",
        "final file size", "key down ", "with no key window, dropped", "that is not on screen, dropped",
        "installed applications: "}) {
    EXPECT_EQ(program.count(tracing), 0u) << tracing << "\n" << log;
  }
  // Nor a line that is only a number.
  std::size_t numbers = 0;
  for (std::size_t at = 0; at < log.size();) {
    const std::size_t end = std::min(log.find('\n', at), log.size());
    const std::string line = log.substr(at, end - at);
    if (!line.empty() && line.find_first_not_of("0123456789.-") == std::string::npos) ++numbers;
    at = end + 1;
  }
  EXPECT_EQ(numbers, 0u) << log;
  EXPECT_EQ(program.count("vellisto: stopped"), 1u) << log;
}

// Another client destroys the main window while it shows: the hot key still brings it back, as a new
// window, as often as that happens.
TEST_F(MainRoadX11Test, TheHotKeyBringsBackAMainWindowAnotherClientDestroyed) {
  // The hot key is registered once launching finished.
  ASSERT_NO_FATAL_FAILURE(launch(root_.path(), {}));
  const Program& program = *program_;
  ::Window shown = None;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const ::Window before = shown;
    press({XK_Control_L, XK_Alt_L, XK_v});
    ASSERT_TRUE(eventually([&] {
      shown = focusedProgramWindow();
      return shown != None && shown != before;
    })) << program.errors();
    destroyWindowOfAnotherClient(display_, shown);
    // The next press waits until the program heard of it (a press before would hide the window).
    ASSERT_TRUE(program.logged("another client destroyed the window", std::size_t(round)))
        << program.errors();
    // With the focused window gone the display has no focus until the window manager gives it one, and a
    // key pressed meanwhile goes nowhere, the hot key included.
    ASSERT_TRUE(eventually([&] { return focused() != None; }));
    ASSERT_TRUE(windowManagerCaughtUp(keys_));
  }
  // Both windows were shown; the second time the hot key brought back the one destroyed.
  EXPECT_EQ(program.count("another client destroyed the window"), 2u) << program.errors();
}

// The program is killed (SIGKILL) right after copies it acknowledged; then a byte of its journal is
// flipped, its doc file damaged, or its doc file removed. Started again, it keeps every record that is
// still intact somewhere, and says what it passed over.
TEST_F(MainRoadX11Test, AfterAKillAndDamageEveryIntactRecordIsKept) {
  vl::test::TempDir made{"vl-killed"};
  const std::string data = made.path() + "/home/.vellisto/data";
  // The second run on the same home adds to the first one's log.
  auto startListening = [&](Program& program, std::size_t run) {
    ASSERT_TRUE(program.started());
    ASSERT_TRUE(eventually([&] {
      return program.count("capture: the clipboard tells of each change") == run;
    })) << program.errors();
  };
  auto copyAndWait = [&](Program& program, const std::string& text) {
    ASSERT_TRUE(xclipSet(display_, "UTF8_STRING", text));
    ASSERT_TRUE(eventually([&] { return recordsIn(data).count(text) > 0; })) << text << "\n"
                                                                             << program.errors();
  };
  const std::vector<std::string> folded = {"folded one", "folded two", "folded three"};
  const std::vector<std::string> journaled = {"journaled one", "journaled two", "journaled three",
                                              "journaled four"};
  {
    // Quitting writes the doc file: the journals that follow start from its records.
    Program first(made.path(), display_);
    startListening(first, 1);
    for (const auto& text : folded) copyAndWait(first, text);
  }
  ASSERT_TRUE(journalsIn(data).empty());
  std::set<std::string> inJournals;
  {
    Program second(made.path(), display_);
    startListening(second, 2);
    for (const auto& text : journaled) copyAndWait(second, text);
    second.kill();
  }
  // A fold may have taken some into the doc file meanwhile: the last ones are in a journal.
  std::string journalBytes;
  for (const auto& path : journalsIn(data)) journalBytes += files::readFile(path).value_or("");
  for (const auto& text : journaled) {
    if (journalBytes.find(text) != std::string::npos) inJournals.insert(text);
  }
  ASSERT_TRUE(inJournals.count(journaled.back())) << "the last copy is not in a journal";

  struct Case {
    const char* name;
    std::function<void(const std::string& data)> damage;
    std::set<std::string> expected;
    const char* keptAside;
    const char* logged;
  };
  // The first record in a journal with another one after it: reading must go on past the damage.
  std::string victim = journaled.back();
  for (const auto& text : journaled) {
    if (inJournals.count(text) && text != journaled.back()) {
      victim = text;
      break;
    }
  }
  std::set<std::string> allButVictim(folded.begin(), folded.end());
  allButVictim.insert(journaled.begin(), journaled.end());
  allButVictim.erase(victim);
  const std::vector<Case> cases = {
      {"a byte of a journal record flipped",
       [&](const std::string& folder) {
         for (const auto& path : journalsIn(folder)) {
           std::string bytes = *files::readFile(path);
           const std::size_t at = bytes.find(victim);
           if (at == std::string::npos) continue;
           bytes[at + 2] ^= 0x01;
           ASSERT_TRUE(files::atomicWrite(path, bytes));
         }
       },
       allButVictim, "damaged-journal_0.", "holds 1 damaged records"},
      {"the doc file damaged",
       [](const std::string& folder) {
         std::string bytes = *files::readFile(folder + "/BigDoc_0");
         bytes.replace(bytes.size() / 2, 7, "garbage");
         ASSERT_TRUE(files::atomicWrite(folder + "/BigDoc_0", bytes));
       },
       inJournals, "damaged-BigDoc_0-", "is damaged ("},
      {"the doc file removed",
       [](const std::string& folder) { ASSERT_TRUE(files::removeRecursive(folder + "/BigDoc_0")); },
       inJournals, nullptr, "had only its journals"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vl::test::TempDir root{"vl-damaged"};
    std::error_code error;
    std::filesystem::copy(made.path() + "/home", root.path() + "/home",
                          std::filesystem::copy_options::recursive, error);
    ASSERT_FALSE(error) << error.message();
    const std::string folder = root.path() + "/home/.vellisto/data";
    c.damage(folder);
    std::string log;
    {
      Program again(root.path(), display_);
      ASSERT_TRUE(again.started());
      ASSERT_TRUE(eventually([&] { return again.count("start-up: launching finished") == 1; }))
          << again.errors();
      log = again.errors();
    }  // asked to quit: every doc is written whole
    const std::set<std::string> kept = recordsIn(folder);
    for (const auto& text : c.expected) EXPECT_TRUE(kept.count(text)) << text << "\n" << log;
    EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    if (c.keptAside) {
      EXPECT_TRUE(startsWithInFolder(folder, c.keptAside));
    }
  }
}

}  // namespace
}  // namespace vl::x11test
