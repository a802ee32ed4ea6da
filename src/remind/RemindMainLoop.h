#pragma once

#include <optional>
#include <string_view>

#include "remind/RemindResult.h"

namespace vl {

// Turns a time phrase into the canonical words of its moment ("明天下午3点开会" reads "明天下午3:00"): the
// day and half-day words before the first clock time, which ends the reading.
class RemindMainLoop {
 public:
  // A phrase longer than this (UTF-16 units) is no reminder; it is refused before it is read.
  static constexpr std::size_t kMaxPhrase = 64;

  // nullopt when the phrase holds no clock time after its day words.
  static std::optional<RemindResult> get(std::string_view text);
};

}  // namespace vl
