#include "platform/ui/table/IndexSet.h"

namespace vl::ui {

IndexSet::IndexSet(std::initializer_list<long> indexes) {
  for (long i : indexes) add(i);
}

IndexSet::IndexSet(const std::vector<long>& indexes) {
  for (long i : indexes) add(i);
}

IndexSet IndexSet::range(long location, long length) {
  IndexSet s;
  for (long i = 0; i < length; ++i) s.add(location + i);
  return s;
}

void IndexSet::add(long index) {
  if (index >= 0) set_.insert(index);
}

void IndexSet::remove(long index) { set_.erase(index); }

std::string IndexSet::description() const {
  std::string out = "[";
  for (long i : set_) {
    if (out.size() > 1) out += ", ";
    out += std::to_string(i);
  }
  return out + "]";
}

}  // namespace vl::ui
