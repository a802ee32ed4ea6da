#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vl::ui {

// libxml2's HTML parser compares each attribute of a start tag with every one before it, so a tag that
// carries hundreds of thousands of them costs time that grows with their square. No page needs more than
// a few dozen on one element: the attributes past `maxAttributes` are cut from each start tag before the
// parser sees them, in one pass over the text. nullopt when no tag has more (the HTML stands as it is).
// Comments and declarations are passed over whole; a quoted value may hold ">".
std::optional<std::string> capStartTagAttributes(std::string_view html, std::size_t maxAttributes);

}  // namespace vl::ui
