#include "ui/controls/VLBinding.h"

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

#include "core/VLConfig.h"
#include "platform/foundation/Log.h"

namespace vl {

namespace {

class NegateBoolean : public VLValueTransformer {
 public:
  Json transformedValue(const Json& value) const override {
    bool on = value.is_boolean() ? value.get<bool>() : value.is_number() && value.get<double>() != 0;
    return !on;
  }
  bool allowsReverseTransformation() const override { return true; }
  Json reverseTransformedValue(const Json& value) const override { return transformedValue(value); }
};

class IsNil : public VLValueTransformer {
 public:
  Json transformedValue(const Json& value) const override { return value.is_null(); }
};

struct Registry {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<VLValueTransformer>> byName{
      {"NSNegateBoolean", std::make_shared<NegateBoolean>()}, {"NSIsNil", std::make_shared<IsNil>()}};
};

Registry& registry() {
  static Registry r;
  return r;
}

}  // namespace

std::shared_ptr<VLValueTransformer> VLValueTransformer::named(const std::string& name) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.byName.find(name);
  return it == r.byName.end() ? nullptr : it->second;
}

std::shared_ptr<VLValueTransformer> VLBindingInfo::transformer() const {
  if (valueTransformer) return valueTransformer;
  if (!valueTransformerName || valueTransformerName->empty()) return nullptr;
  auto named = VLValueTransformer::named(*valueTransformerName);
  if (!named) logWarningf("binding: no value transformer named \"%s\"", valueTransformerName->c_str());
  return named;
}

std::shared_ptr<VLConfigBindable> VLConfigBindable::shared() {
  static auto instance = std::make_shared<VLConfigBindable>();
  return instance;
}

namespace {

// The settings key a key path names; nothing for text that is not a whole decimal number.
std::optional<long> settingsKey(const std::string& keyPath) {
  if (keyPath.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  long key = std::strtol(keyPath.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') {
    logWarningf("settings binding: key path \"%s\" is not a settings key", keyPath.c_str());
    return std::nullopt;
  }
  return key;
}

}  // namespace

std::optional<Json> VLConfigBindable::valueForKeyPath(const std::string& keyPath) {
  auto key = settingsKey(keyPath);
  return key ? VLConfig::shared().getValueOfKey(*key) : std::nullopt;
}

void VLConfigBindable::setValueForKeyPath(const Json& value, const std::string& keyPath) {
  if (auto key = settingsKey(keyPath)) VLConfig::shared().setValueOfKey(*key, value);
}

}  // namespace vl
