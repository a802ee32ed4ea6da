#pragma once

#include <cstddef>
#include <cstdint>

#include "VLEngine/search/Vellisto_DisplayChannelDelegate.h"
#include "VLEngine/search/Vellisto_TempFile.h"

namespace vl {

class ChunkSortedWeakTable;

// Turns matches and recent lists into result rows. Called on the thread that completed a task.
class Vellisto_DisplayDelegate {
 public:
  virtual ~Vellisto_DisplayDelegate() = default;
  virtual DisplayRows covert(const Vellisto_TempFile& file) = 0;
  virtual DisplayRows covertWeakTable(const ChunkSortedWeakTable& table) = 0;
  // How many matches covert turns into rows at most.
  virtual std::size_t maxRows() const { return SIZE_MAX; }
};

}  // namespace vl
