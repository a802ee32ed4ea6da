#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Json.h"

namespace vl {

// Turns a model value into what a control shows and, when it allows it, back.
class VLValueTransformer {
 public:
  virtual ~VLValueTransformer() = default;
  virtual Json transformedValue(const Json& value) const = 0;
  virtual bool allowsReverseTransformation() const { return false; }
  virtual Json reverseTransformedValue(const Json& value) const { return value; }

  // Registered transformers by name; "NSNegateBoolean" (reversible) and "NSIsNil" are always there.
  // nullptr for an unknown name.
  static std::shared_ptr<VLValueTransformer> named(const std::string& name);
};

// A model a binding reads and writes by key path.
class VLBindable {
 public:
  virtual ~VLBindable() = default;
  virtual std::optional<Json> valueForKeyPath(const std::string& keyPath) = 0;
  virtual void setValueForKeyPath(const Json& value, const std::string& keyPath) = 0;
};

// The settings as a model: the key path is a settings key's decimal text ("114").
class VLConfigBindable : public VLBindable {
 public:
  static std::shared_ptr<VLConfigBindable> shared();
  std::optional<Json> valueForKeyPath(const std::string& keyPath) override;
  void setValueForKeyPath(const Json& value, const std::string& keyPath) override;
};

// What a control's binding is tied to. A missing object or key path is kept so that using the binding
// can say which is missing.
struct VLBindingInfo {
  std::shared_ptr<VLBindable> observedObject;
  std::optional<std::string> observedKeyPath;
  // The transformer as an object, else by name; neither means none.
  std::shared_ptr<VLValueTransformer> valueTransformer;
  std::optional<std::string> valueTransformerName;

  // The transformer the options name, or nullptr.
  std::shared_ptr<VLValueTransformer> transformer() const;
};

}  // namespace vl
