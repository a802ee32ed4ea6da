#pragma once

#include <optional>
#include <string>

// The process environment, read and changed under one lock. getenv() is not safe against a setenv() on
// another thread, and folders the program derives from the environment ($HOME, $XDG_CONFIG_HOME...) are
// read on worker threads; the program itself never changes its environment, but its tests do, between
// and within tests, while threads of an earlier step may still be reading. Every read of ours and every
// change goes through here; nothing else in src/ calls getenv().
namespace vl {

// The variable's value; nothing when it is unset.
std::optional<std::string> environmentVariable(const char* name);
// The same, with an unset variable read as empty (as nearly every reader treats it).
std::string environmentValue(const char* name);
// Sets the variable, or unsets it for nothing.
void setEnvironmentVariable(const char* name, const std::optional<std::string>& value);

}  // namespace vl
