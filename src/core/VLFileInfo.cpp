#include "core/VLFileInfo.h"

#include "platform/system/UniformType.h"

namespace vl {

bool VLFileInfo::isImageType() const { return uti::conformsTo(uti_, uti::kImage); }

}  // namespace vl
