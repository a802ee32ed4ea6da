#pragma once

#include <memory>

namespace vl {

class WhitelistItem;

// The rows of an application list.
class WhitelistDataSource {
 public:
  virtual ~WhitelistDataSource() = default;
  virtual long numberOfWhitelistItem() const = 0;
  // A new row for the entry at `index`.
  virtual std::shared_ptr<WhitelistItem> whitelist(long index) = 0;
};

}  // namespace vl
