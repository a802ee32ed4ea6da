#pragma once

#include <memory>
#include <mutex>

namespace vl {

// The backend of a platform service that the whole process uses: `Default` (the headless one, or the
// only real one) until another is installed, and again after install(nullptr). Thread-safe; one slot
// per service type.
template <typename Service, typename Default>
class InstalledBackend {
 public:
  static std::shared_ptr<Service> get() {
    std::lock_guard lock(mutex());
    auto& backend = slot();
    if (!backend) backend = std::make_shared<Default>();
    return backend;
  }
  static void install(std::shared_ptr<Service> backend) {
    std::lock_guard lock(mutex());
    slot() = backend ? std::move(backend) : std::make_shared<Default>();
  }

 private:
  static std::mutex& mutex() {
    static std::mutex m;
    return m;
  }
  static std::shared_ptr<Service>& slot() {
    static std::shared_ptr<Service> backend;
    return backend;
  }
};

}  // namespace vl
