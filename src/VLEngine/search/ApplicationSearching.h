#pragma once

#include <memory>
#include <string>

#include "VLEngine/search/CustomSearchingDelegate.h"

namespace vl {

// What the search asks of the installed-application index. Called from the search queues at once.
class InstalledApplicationIndex {
 public:
  virtual ~InstalledApplicationIndex() = default;
  // Whether the application of this name is installed here.
  virtual bool isInstalled(const std::string& name) = 0;
};

// Keeps application records (json with "app") out of the results unless the application is installed
// on this computer; a record that came from a peer or outlived its application launches nothing.
class ApplicationSearching : public CustomSearchingDelegate {
 public:
  bool matched(const Vellisto_Chunk& chunk) override;
  bool needDrop(const Vellisto_Chunk& chunk) override;

  // The index every ApplicationSearching asks; the process-wide installed-application index unless a
  // test installs another. nullptr restores that default.
  static void setInstalledIndex(std::shared_ptr<InstalledApplicationIndex> index);
  static std::shared_ptr<InstalledApplicationIndex> installedIndex();
};

}  // namespace vl
