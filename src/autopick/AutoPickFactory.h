#pragma once

#include <memory>

namespace vl {

class AutoPickTree;

// The four built-in trees, each built once on first use. They are shared by the whole process and
// never changed: every user forest and every editor works on copies.
class AutoPickFactory {
 public:
  static std::shared_ptr<const AutoPickTree> imageTree();
  static std::shared_ptr<const AutoPickTree> applicationTree();
  static std::shared_ptr<const AutoPickTree> textTree();
  static std::shared_ptr<const AutoPickTree> linkTree();
};

}  // namespace vl
