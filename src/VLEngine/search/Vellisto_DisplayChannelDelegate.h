#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace vl {

class DisplayAttributedString;

using DisplayRows = std::vector<std::shared_ptr<DisplayAttributedString>>;

// The single receiver of search results (the main window's content, set on the record store). Called on
// whatever thread completed the task: a doc's search queue, or the caller of an entry point or of the
// replay cache. The receiver drops rows of a task id below Vellisto_Master::getAtomTaskId() and moves to
// the main thread itself.
class Vellisto_DisplayChannelDelegate {
 public:
  virtual ~Vellisto_DisplayChannelDelegate() = default;
  virtual void receivedData(const DisplayRows& rows, std::int64_t taskId, bool loadMore) = 0;
};

}  // namespace vl
