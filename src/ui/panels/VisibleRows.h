#pragma once

namespace vl {

namespace ui {
class View;
}

// Tables build row views only for what is visible when they reload, and a table does not notice its
// ancestors moving. Sheets fill their tables while still outside the window and then slide in, so once
// a sheet or page has arrived it asks every table inside it for the rows now in view.
void refreshVisibleRows(ui::View& root);

}  // namespace vl
