#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/foundation/Log.h"

namespace vl {

// Checked reads by index: the element when the index is inside the array, else a log line and nothing,
// where a plain read would be undefined. The check is explicit at each call, as C++ cannot swap the
// element access of every array in the process. Any thread; no state.
template <typename Array>
const typename Array::value_type* objectAtIndexVerify(const Array& array, std::int64_t index) {
  const std::size_t count = array.size();
  if (index >= 0 && static_cast<std::size_t>(index) < count) return &array[static_cast<std::size_t>(index)];
  logWarningf(" 你的 NSArray数组已经越界了 但是已经帮你处理好了  %ld   %ld", static_cast<long>(index),
              static_cast<long>(count));
  return nullptr;
}

// The subscript form reads the same way.
template <typename Array>
const typename Array::value_type* objectAtIndexedSubscriptVerify(const Array& array, std::int64_t index) {
  return objectAtIndexVerify(array, index);
}

}  // namespace vl
