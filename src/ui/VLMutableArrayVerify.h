#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "theme/VLArrayVerify.h"

namespace vl {

// Checked writes, the counterparts of the checked reads: a missing object or an index outside the
// array (the end included, as for an append) leaves the array as it was. "Missing" is an empty pointer
// or optional; values of other types are always present.
namespace array_verify_detail {
template <typename T>
bool present(const T& object) {
  if constexpr (std::is_pointer_v<T>) {
    return object != nullptr;
  } else if constexpr (requires { object.has_value(); }) {
    return object.has_value();
  } else if constexpr (requires { object.get(); }) {
    return object.get() != nullptr;
  } else {
    return true;
  }
}
}  // namespace array_verify_detail

template <typename Array, typename T>
void addObjectVerify(Array& array, T&& object) {
  if (array_verify_detail::present<std::remove_cvref_t<T>>(object)) array.push_back(std::forward<T>(object));
}

template <typename Array, typename T>
void insertObjectVerify(Array& array, T&& object, std::int64_t index) {
  if (!array_verify_detail::present<std::remove_cvref_t<T>>(object)) return;
  if (index < 0 || static_cast<std::size_t>(index) > array.size()) return;
  array.insert(array.begin() + index, std::forward<T>(object));
}

}  // namespace vl
