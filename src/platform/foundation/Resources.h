#pragma once

#include <string>

namespace vl {

// The folder of the program's resources (themes, string tables, images, sounds):
// $VELLISTO_RESOURCES when set, else "resources" beside the executable (the build links the source
// tree's folder there), else "../share/vellisto" from the executable's folder (an installation).
// Empty when none exists; that is logged once and every lookup then answers "not found".
std::string resourceDirectory();
// resourceDirectory()/relativePath, or "" when there is no resource folder.
std::string resourcePath(const std::string& relativePath);
// Tests change VELLISTO_RESOURCES and then forget the cached answer.
void resetResourceDirectoryForTesting();

}  // namespace vl
