#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Check.h"
#include "platform/foundation/Log.h"
#include "ui/panels/PanelTypes.h"

namespace vl {

// What the panel and slide centres share: sheets by key, the one cover they share, and putting both into
// a host to show a sheet. `name` and `noun` make the log lines ("PanelCenter", "panel"). Main thread only.
template <class Sheet, class Cover>
class SheetCenter {
 protected:
  SheetCenter(const char* name, const char* noun) : name_(name), noun_(noun) {}

  const std::shared_ptr<Cover>& cover() {
    if (!cover_) cover_ = Cover::create();
    return cover_;
  }

  // Hands the sheet the shared cover; a second registration under a key replaces the first.
  void add(const std::shared_ptr<Sheet>& sheet, const std::string& key) {
    VL_DCHECK_ON_MAIN();
    if (!sheet) {
      logWarningf("%s: no %s to register for \"%s\"", name_, noun_, key.c_str());
      return;
    }
    sheet->setBlockView(cover());
    sheets_[key] = sheet;
  }

  std::shared_ptr<Sheet> find(const std::string& key) const {
    VL_DCHECK_ON_MAIN();
    auto it = sheets_.find(key);
    return it == sheets_.end() ? nullptr : it->second;
  }

  // Puts the cover (once) and the sheet into the host and starts showing the sheet; false when it was
  // already shown or still moving.
  bool present(const std::shared_ptr<Sheet>& sheet, const std::string& key, ui::View& host,
               const std::optional<PanelParams>& params) {
    const auto& c = cover();
    if (!c->superview()) {
      host.addSubview(c);
      c->setFrameSize(host.frame().size);
    }
    if (!sheet->superview()) host.addSubview(sheet);
    if (sheet->isShown()) return false;
    if (sheet->isAnimating()) {
      logWarningf("%s: \"%s\" is still moving, show ignored", name_, key.c_str());
      return false;
    }
    if (params) {
      sheet->showWithParams(*params);
    } else {
      sheet->show();
    }
    return true;
  }

  void removeAll() {
    for (auto& [key, sheet] : sheets_) sheet->removeFromSuperview();
    if (cover_) cover_->removeFromSuperview();
    sheets_.clear();
    cover_.reset();
  }

 private:
  const char* name_;
  const char* noun_;
  std::map<std::string, std::shared_ptr<Sheet>> sheets_;
  std::shared_ptr<Cover> cover_;
};

}  // namespace vl
