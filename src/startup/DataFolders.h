#pragma once

#include <array>
#include <string>

namespace vl {

// The program's folders under the home folder. The record store and the pin tabs each create what they
// need when they load; creating all of them first lets start-up say once, in one line, that the home
// folder cannot hold them, instead of every later write failing on its own.
//
// The folders hold the clipboard history, so they are private to the user (0700), and folders an earlier
// version left open are closed at start.
class DataFolders {
 public:
  static constexpr const char* kRootRelativePath = ".vellisto";
  static constexpr std::array<const char*, 7> kRelativePaths = {
      ".vellisto/data/",    ".vellisto/file/", ".vellisto/audio/", ".vellisto/web/",
      ".vellisto/forever/", ".vellisto/log/",  ".vellisto/pin/"};

  // Creates every missing folder under `home` and makes each one private. False (logged once) when
  // one cannot be created or written to; start-up then goes on with what it can use.
  static bool prepare(const std::string& home);
  static std::string pathOf(const std::string& home, const char* relative);
};

}  // namespace vl
