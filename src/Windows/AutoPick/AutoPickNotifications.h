#pragma once

namespace vl {

// Posted by the rule picker with the node (objects["node"]) and the editor that opened it as the object.
inline constexpr const char* kNotificationAutoPickEditorShouldAddNode =
    "kNotificationAutoPickEditorShouldAddNode";
// Posted by a value editor after it wrote its value into the node.
inline constexpr const char* kNotificationAutoPickEditorShouldSave = "kNotificationAutoPickEditorShouldSave";

}  // namespace vl
