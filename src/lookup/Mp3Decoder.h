#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vl {

// What a pronunciation may be: a second or two in practice; anything far past these is not one.
struct Mp3Limits {
  std::size_t maxInputBytes = 2 * 1024 * 1024;
  double maxSeconds = 30;
};

// Decoded sound: 16-bit signed samples, little-endian, channels interleaved.
struct PcmAudio {
  long rate = 0;
  int channels = 0;
  std::string samples;
  double seconds() const {
    return rate > 0 && channels > 0 ? static_cast<double>(samples.size()) / (2.0 * rate * channels) : 0;
  }
};

// Decodes MP3 with libmpg123. nullopt (logged) for input over the limits, a stream that decodes to
// nothing or past maxSeconds, or one that changes its format midway. Blocking work: never on the
// main thread.
std::optional<PcmAudio> decodeMp3(std::string_view mp3, const Mp3Limits& limits = {});

// The audio as a RIFF WAVE file (PCM, 16 bits), which the sound player reads.
std::string wavFile(const PcmAudio& audio);

}  // namespace vl
