#pragma once

#include <vector>

#include "VLEngine/search/Vellisto_DisplayChannelDelegate.h"
#include "platform/system/Pasteboard.h"

namespace vl {

// What a drag of result rows carries to another application: each record as the pasteboard would get
// it, with its rich text and, for a text record copied from a web page, its HTML. Rows with nothing to
// offer are left out.
std::vector<PasteboardItem> dragItems(const DisplayRows& rows);

}  // namespace vl
