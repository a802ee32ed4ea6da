#pragma once

#include <string>
#include <vector>

#include "core/notify/VLAppNotifcationCenter.h"

namespace vl {

// The record store as the snippets exchange with the preferences program sees it: the clipboard tab's
// records that carry an alias.
class VLEngineSnippetsStore : public VLAppNotifcationCenter::SnippetsStore {
 public:
  void delChunkByDigest(const std::string& digest) override;
  bool findContext(const std::string& context) override;
  void updateContext(const std::string& context, const std::string& alias) override;
  void append(const std::string& context, const std::string& alias) override;
  void clearClipboardCachedFile() override;
  std::vector<AliasRecord> getHasAliasChunks() override;
};

}  // namespace vl
