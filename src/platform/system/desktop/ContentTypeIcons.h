#pragma once

#include <string>
#include <vector>

// Content types (MIME types, from the shared MIME database through GIO) and the icon names desktops
// draw them with.
namespace vl::contenttype {

// The type of a file judged by its name and its first bytes: "inode/directory" for a folder,
// "application/octet-stream" when nothing is known. Reads at most a few kilobytes, and only from a
// regular file.
std::string guessForFile(const std::string& path);

// The icon names for a type, most specific first ("image-png", then "image-x-generic"), without
// repeats.
std::vector<std::string> iconNames(const std::string& contentType);

}  // namespace vl::contenttype
