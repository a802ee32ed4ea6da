#pragma once

#include <string>

#include "core/apps/AppRecordStore.h"

namespace vl {

// The installed-application index's view of the record store: application records live in the
// clipboard tab, found by their text alone.
class EngineAppRecordStore final : public AppRecordStore {
 public:
  bool hasApplicationRecord(const std::string& name) override;
  void updateApplicationRecord(const std::string& name, const Json& json) override;
  void appendApplicationRecord(const std::string& name, const Json& json) override;
};

}  // namespace vl
