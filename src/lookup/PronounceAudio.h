#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vl {

// The audio of one pronunciation, made playable: fetched, decoded from MP3 and written as a WAV file
// (0600) into the audio folder, all off the main thread. `done` runs on the main queue with the file's
// path, or nullopt when the download, the decoding or the write failed (each logged).
void loadPronunciation(const std::string& voiceLink, std::function<void(std::optional<std::string>)> done);

// ~/.vellisto/audio, as the record store names it (its default when start-up has not set it).
std::string pronunciationFolder();
// The file a link's audio is written to: named after the link's MD5, so the word never shows in a name.
std::string pronunciationPath(const std::string& voiceLink);

}  // namespace vl
