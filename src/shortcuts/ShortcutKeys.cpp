#include "shortcuts/ShortcutKeys.h"

#include <array>
#include <utility>

#include "platform/system/HotKeyCenter.h"

namespace vl {

namespace {

constexpr std::array<std::pair<std::int64_t, const char*>, 4> kModifierNames = {{
    {modifier::kCommand, "Ctrl"},
    {modifier::kOption, "Alt"},
    {modifier::kShift, "Shift"},
    {modifier::kControl, "Super"},
}};

// Indexed by virtual key code; nullptr where a code has no label.
const std::array<const char*, 127>& keyLabels() {
  static const std::array<const char*, 127> labels = [] {
    std::array<const char*, 127> l{};
    // The names Linux desktops give their keys; arrows keep their arrows, as desktops show them.
    const std::pair<int, const char*> named[] = {
        {0, "A"},           {1, "S"},          {2, "D"},         {3, "F"},         {4, "H"},
        {5, "G"},           {6, "Z"},          {7, "X"},         {8, "C"},         {9, "V"},
        {11, "B"},          {12, "Q"},         {13, "W"},        {14, "E"},        {15, "R"},
        {16, "Y"},          {17, "T"},         {31, "O"},        {32, "U"},        {34, "I"},
        {35, "P"},          {37, "L"},         {38, "J"},        {40, "K"},        {45, "N"},
        {46, "M"},          {18, "1"},         {83, "1"},        {19, "2"},        {84, "2"},
        {20, "3"},          {85, "3"},         {21, "4"},        {86, "4"},        {23, "5"},
        {87, "5"},          {22, "6"},         {88, "6"},        {26, "7"},        {89, "7"},
        {28, "8"},          {91, "8"},         {25, "9"},        {92, "9"},        {29, "0"},
        {82, "0"},          {24, "="},         {81, "="},        {27, "-"},        {78, "-"},
        {30, "]"},          {33, "["},         {39, "'"},        {41, ";"},        {42, "\\"},
        {43, ","},          {44, "/"},         {75, "/"},        {47, "."},        {65, "."},
        {50, "`"},          {67, "*"},         {69, "+"},        {36, "Return"},   {48, "Tab"},
        {49, "Space"},      {51, "Backspace"}, {53, "Escape"},   {71, "Num Lock"}, {76, "Enter"},
        {114, "Insert"},    {115, "Home"},     {116, "Page Up"}, {117, "Delete"},  {119, "End"},
        {121, "Page Down"}, {123, "←"},        {124, "→"},       {125, "↓"},       {126, "↑"},
        {122, "F1"},        {120, "F2"},       {99, "F3"},       {118, "F4"},      {96, "F5"},
        {97, "F6"},         {98, "F7"},        {100, "F8"},      {101, "F9"},      {109, "F10"},
        {103, "F11"},       {111, "F12"},      {105, "F13"},     {107, "F14"},     {113, "F15"},
        {106, "F16"},       {64, "F17"},       {79, "F18"},      {80, "F19"},
    };
    for (const auto& [code, label] : named) l[static_cast<std::size_t>(code)] = label;
    return l;
  }();
  return labels;
}

const char* labelOf(std::int64_t code) {
  // Compared unsigned, so a negative code (the cleared press, a not-found value) has no label either.
  const auto index = static_cast<std::uint64_t>(code);
  return index < keyLabels().size() ? keyLabels()[index] : nullptr;
}

}  // namespace

std::int64_t convertModifierToKey(std::int64_t flags) {
  return HotKeyCenter::carbonModifiersFromFlags(static_cast<std::uint64_t>(flags));
}

std::string modifierFlagsString(std::int64_t flags) {
  std::string text;
  if (flags == -1) return text;
  for (const auto& [bit, name] : kModifierNames) {
    if (!(flags & bit)) continue;
    if (!text.empty()) text += '+';
    text += name;
  }
  return text;
}

std::optional<std::string> keyCodeString(std::int64_t code) {
  if (const char* label = labelOf(code)) return label;
  return std::nullopt;
}

std::string shortcutDisplayString(std::int64_t flags, std::int64_t code) {
  if (flags == -1 && code == -1) return "";
  std::string text = modifierFlagsString(flags);
  if (const char* label = labelOf(code)) {
    if (!text.empty()) text += '+';
    text += label;
  }
  return text;
}

}  // namespace vl
