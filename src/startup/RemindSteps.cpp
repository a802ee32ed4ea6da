#include "startup/RemindSteps.h"

#include "platform/foundation/Files.h"
#include "remind/RemindAction.h"
#include "remind/RemindSchedule.h"
#include "startup/DataFolders.h"
#include "think/Think.h"

namespace vl {

void installReminders(const std::string& home) {
  Think::setRemindAction(&RemindAction::shared());
  RemindSchedule::shared().open(
      files::joinPath(DataFolders::pathOf(home, DataFolders::kRootRelativePath), RemindSchedule::kFileName));
}

}  // namespace vl
