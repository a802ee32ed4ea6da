#include "lookup/Mp3Decoder.h"

#include <mpg123.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/foundation/Log.h"

namespace vl {

namespace {

struct HandleFree {
  void operator()(mpg123_handle* h) const {
    mpg123_close(h);
    mpg123_delete(h);
  }
};
using Handle = std::unique_ptr<mpg123_handle, HandleFree>;

void appendLittleEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

Handle openDecoder() {
  static std::once_flag once;
  // Deprecated as a no-op since 1.27; older libraries need it once before any handle.
  std::call_once(once, [] { mpg123_init(); });
  int error = MPG123_OK;
  Handle handle(mpg123_new(nullptr, &error));
  if (!handle) return nullptr;
  mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  // Whatever the stream's rate and channels, samples come out as 16-bit integers.
  mpg123_format_none(handle.get());
  const long* rates = nullptr;
  std::size_t count = 0;
  mpg123_rates(&rates, &count);
  for (std::size_t i = 0; i < count; ++i) {
    mpg123_format(handle.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  }
  if (mpg123_open_feed(handle.get()) != MPG123_OK) return nullptr;
  return handle;
}

}  // namespace

std::optional<PcmAudio> decodeMp3(std::string_view mp3, const Mp3Limits& limits) {
  if (mp3.empty() || mp3.size() > limits.maxInputBytes) {
    logWarningf("pronunciation: %zu bytes of audio is not a pronunciation (at most %zu); not played",
                mp3.size(), limits.maxInputBytes);
    return std::nullopt;
  }
  Handle handle = openDecoder();
  if (!handle) {
    logError("pronunciation: libmpg123 has no decoder");
    return std::nullopt;
  }
  PcmAudio audio;
  std::size_t maxBytes = 0;
  unsigned char buffer[32 * 1024];
  std::size_t produced = 0;
  // A stream that keeps answering without output (it never should) cannot hold the thread.
  int idleTurns = 0;
  int result = mpg123_decode(handle.get(), reinterpret_cast<const unsigned char*>(mp3.data()), mp3.size(),
                             buffer, sizeof buffer, &produced);
  while (true) {
    if (result == MPG123_NEW_FORMAT) {
      long rate = 0;
      int channels = 0, encoding = 0;
      mpg123_getformat(handle.get(), &rate, &channels, &encoding);
      if (!audio.samples.empty() && (rate != audio.rate || channels != audio.channels)) {
        logWarning("pronunciation: the audio changes its format midway; not played");
        return std::nullopt;
      }
      audio.rate = rate;
      audio.channels = channels;
      maxBytes = static_cast<std::size_t>(std::ceil(limits.maxSeconds * static_cast<double>(rate))) * 2u *
                 static_cast<std::size_t>(channels);
    }
    if (produced > 0) {
      if (audio.rate <= 0 || audio.samples.size() + produced > maxBytes) {
        logWarningf("pronunciation: the audio lasts longer than %.0f s; not played", limits.maxSeconds);
        return std::nullopt;
      }
      audio.samples.append(reinterpret_cast<const char*>(buffer), produced);
    }
    if (result == MPG123_ERR) {
      logWarningf("pronunciation: the audio does not decode (%s)", mpg123_strerror(handle.get()));
      return std::nullopt;
    }
    // Everything fed has been decoded.
    if (result == MPG123_NEED_MORE || result == MPG123_DONE) break;
    if (produced == 0 && ++idleTurns > 10000) break;
    result = mpg123_decode(handle.get(), nullptr, 0, buffer, sizeof buffer, &produced);
  }
  if (audio.samples.empty() || audio.rate <= 0 || audio.channels <= 0) {
    logWarning("pronunciation: the audio holds no MP3 frames; not played");
    return std::nullopt;
  }
  if constexpr (std::endian::native == std::endian::big) {
    for (std::size_t i = 0; i + 1 < audio.samples.size(); i += 2)
      std::swap(audio.samples[i], audio.samples[i + 1]);
  }
  return audio;
}

std::string wavFile(const PcmAudio& audio) {
  const auto dataBytes = static_cast<std::uint32_t>(audio.samples.size());
  const auto channels = static_cast<std::uint32_t>(audio.channels);
  const auto rate = static_cast<std::uint32_t>(audio.rate);
  std::string out;
  out.reserve(44 + audio.samples.size());
  out += "RIFF";
  appendLittleEndian(out, 36 + dataBytes, 4);
  out += "WAVEfmt ";
  appendLittleEndian(out, 16, 4);  // the PCM format block's size
  appendLittleEndian(out, 1, 2);   // PCM
  appendLittleEndian(out, channels, 2);
  appendLittleEndian(out, rate, 4);
  appendLittleEndian(out, rate * channels * 2, 4);  // bytes per second
  appendLittleEndian(out, channels * 2, 2);         // bytes per frame
  appendLittleEndian(out, 16, 2);                   // bits per sample
  out += "data";
  appendLittleEndian(out, dataBytes, 4);
  out += audio.samples;
  return out;
}

}  // namespace vl
