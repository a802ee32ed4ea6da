#pragma once

#include <memory>

namespace vl {

class Vellisto_BigDoc;

// Whoever the record store asks for the doc whose records failed to load, for the error listing.
class VLEngineDelegate {
 public:
  virtual ~VLEngineDelegate() = default;
  // nullptr when there is none (also: "not handled").
  virtual std::shared_ptr<Vellisto_BigDoc> errorDoc() { return nullptr; }
};

}  // namespace vl
