#include "platform/ui/view/Event.h"

#include <cstdio>

#include "platform/foundation/Clock.h"
#include "platform/ui/view/View.h"

namespace vl::ui {

namespace {

struct KeyText {
  std::uint16_t code;
  const char* plain;
  const char* shifted;
};

// The printable keys of the US layout and the control keys that type a character.
constexpr KeyText kKeys[] = {
    {0, "a", "A"},        {1, "s", "S"},        {2, "d", "D"},        {3, "f", "F"},   {4, "h", "H"},
    {5, "g", "G"},        {6, "z", "Z"},        {7, "x", "X"},        {8, "c", "C"},   {9, "v", "V"},
    {11, "b", "B"},       {12, "q", "Q"},       {13, "w", "W"},       {14, "e", "E"},  {15, "r", "R"},
    {16, "y", "Y"},       {17, "t", "T"},       {18, "1", "!"},       {19, "2", "@"},  {20, "3", "#"},
    {21, "4", "$"},       {22, "6", "^"},       {23, "5", "%"},       {24, "=", "+"},  {25, "9", "("},
    {26, "7", "&"},       {27, "-", "_"},       {28, "8", "*"},       {29, "0", ")"},  {30, "]", "}"},
    {31, "o", "O"},       {32, "u", "U"},       {33, "[", "{"},       {34, "i", "I"},  {35, "p", "P"},
    {36, "\r", "\r"},     {37, "l", "L"},       {38, "j", "J"},       {39, "'", "\""}, {40, "k", "K"},
    {41, ";", ":"},       {42, "\\", "|"},      {43, ",", "<"},       {44, "/", "?"},  {45, "n", "N"},
    {46, "m", "M"},       {47, ".", ">"},       {48, "\t", "\t"},     {49, " ", " "},  {50, "`", "~"},
    {51, "\x7f", "\x7f"}, {53, "\x1b", "\x1b"}, {76, "\x03", "\x03"},
};

struct FunctionKey {
  std::uint16_t code;
  char32_t character;
};

constexpr FunctionKey kFunctionKeys[] = {
    {KeyCode::UpArrow, 0xF700},
    {KeyCode::DownArrow, 0xF701},
    {KeyCode::LeftArrow, 0xF702},
    {KeyCode::RightArrow, 0xF703},
    {KeyCode::F1, 0xF704},
    {KeyCode::F2, 0xF705},
    {KeyCode::F3, 0xF706},
    {KeyCode::F4, 0xF707},
    {KeyCode::F5, 0xF708},
    {KeyCode::F6, 0xF709},
    {KeyCode::F7, 0xF70A},
    {KeyCode::F8, 0xF70B},
    {KeyCode::F9, 0xF70C},
    {KeyCode::F10, 0xF70D},
    {KeyCode::F11, 0xF70E},
    {KeyCode::F12, 0xF70F},
    {KeyCode::ForwardDelete, 0xF728},
    {KeyCode::Home, 0xF729},
    {KeyCode::End, 0xF72B},
    {KeyCode::PageUp, 0xF72C},
    {KeyCode::PageDown, 0xF72D},
};

std::string utf8(char32_t c) {
  std::string s;
  s.push_back(static_cast<char>(0xE0 | (c >> 12)));
  s.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
  s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  return s;
}

const char* typeName(EventType t) {
  switch (t) {
    case EventType::LeftMouseDown:
      return "LeftMouseDown";
    case EventType::LeftMouseUp:
      return "LeftMouseUp";
    case EventType::RightMouseDown:
      return "RightMouseDown";
    case EventType::RightMouseUp:
      return "RightMouseUp";
    case EventType::MouseMoved:
      return "MouseMoved";
    case EventType::LeftMouseDragged:
      return "LeftMouseDragged";
    case EventType::RightMouseDragged:
      return "RightMouseDragged";
    case EventType::MouseEntered:
      return "MouseEntered";
    case EventType::MouseExited:
      return "MouseExited";
    case EventType::KeyDown:
      return "KeyDown";
    case EventType::KeyUp:
      return "KeyUp";
    case EventType::FlagsChanged:
      return "FlagsChanged";
    case EventType::CursorUpdate:
      return "CursorUpdate";
    case EventType::ScrollWheel:
      return "ScrollWheel";
    case EventType::OtherMouseDown:
      return "OtherMouseDown";
    case EventType::OtherMouseUp:
      return "OtherMouseUp";
    case EventType::OtherMouseDragged:
      return "OtherMouseDragged";
  }
  return "Unknown";
}

double nowSeconds() { return Clock::current().monotonicMs() / 1000; }

}  // namespace

std::string charactersForKeyCode(std::uint16_t keyCode, bool shift) {
  for (const KeyText& k : kKeys) {
    if (k.code == keyCode) return shift ? k.shifted : k.plain;
  }
  for (const FunctionKey& k : kFunctionKeys) {
    if (k.code == keyCode) return utf8(k.character);
  }
  return {};
}

bool keyCodeForCharacter(char c, std::uint16_t* keyCode, bool* shift) {
  if (c == '\n') c = '\r';
  for (const KeyText& k : kKeys) {
    for (int shifted = 0; shifted < 2; ++shifted) {
      const char* text = shifted ? k.shifted : k.plain;
      if (text[0] == c && text[1] == '\0') {
        if (keyCode) *keyCode = k.code;
        if (shift) *shift = shifted == 1 && k.plain[0] != k.shifted[0];
        return true;
      }
    }
  }
  return false;
}

std::uint64_t implicitFlagsForKeyCode(std::uint16_t keyCode) {
  if (keyCode >= KeyCode::LeftArrow && keyCode <= KeyCode::UpArrow) {
    return ModifierFlags::NumericPad | ModifierFlags::Function;
  }
  for (const FunctionKey& k : kFunctionKeys) {
    if (k.code == keyCode) return ModifierFlags::Function;
  }
  return 0;
}

Event Event::keyEvent(EventType type, std::uint16_t keyCode, std::uint64_t modifierFlags,
                      std::string characters, std::string charactersIgnoringModifiers, bool isARepeat) {
  Event e;
  e.type_ = type;
  e.timestamp_ = nowSeconds();
  e.keyCode_ = keyCode;
  e.flags_ = modifierFlags;
  e.characters_ = std::move(characters);
  e.charactersIgnoringModifiers_ = std::move(charactersIgnoringModifiers);
  e.isARepeat_ = isARepeat;
  return e;
}

Event Event::mouseEvent(EventType type, Point locationInWindow, std::uint64_t modifierFlags, int clickCount) {
  Event e;
  e.type_ = type;
  e.timestamp_ = nowSeconds();
  e.location_ = locationInWindow;
  e.flags_ = modifierFlags;
  bool click = type == EventType::LeftMouseDown || type == EventType::LeftMouseUp ||
               type == EventType::RightMouseDown || type == EventType::RightMouseUp ||
               type == EventType::OtherMouseDown || type == EventType::OtherMouseUp;
  e.clickCount_ = click ? clickCount : 0;
  switch (type) {
    case EventType::RightMouseDown:
    case EventType::RightMouseUp:
    case EventType::RightMouseDragged:
      e.buttonNumber_ = 1;
      break;
    case EventType::OtherMouseDown:
    case EventType::OtherMouseUp:
    case EventType::OtherMouseDragged:
      e.buttonNumber_ = 2;
      break;
    default:
      break;
  }
  return e;
}

Event Event::scrollEvent(Point locationInWindow, double deltaX, double deltaY, std::uint64_t modifierFlags) {
  Event e = mouseEvent(EventType::ScrollWheel, locationInWindow, modifierFlags, 0);
  e.deltaX_ = deltaX;
  e.deltaY_ = deltaY;
  return e;
}

bool Event::isKeyEvent() const {
  return type_ == EventType::KeyDown || type_ == EventType::KeyUp || type_ == EventType::FlagsChanged;
}

bool Event::isMouseEvent() const { return !isKeyEvent(); }

Point Event::locationInView(const View& view) const { return view.convertPointFromView(location_, nullptr); }

std::string Event::description() const {
  char buf[160];
  if (isKeyEvent()) {
    std::snprintf(buf, sizeof buf, "%s keyCode %u flags 0x%llx chars \"%s\"", typeName(type_),
                  static_cast<unsigned>(keyCode_), static_cast<unsigned long long>(flags_),
                  characters_.c_str());
  } else {
    std::snprintf(buf, sizeof buf, "%s at %s flags 0x%llx", typeName(type_),
                  stringFromPoint(location_).c_str(), static_cast<unsigned long long>(flags_));
  }
  return buf;
}

}  // namespace vl::ui
