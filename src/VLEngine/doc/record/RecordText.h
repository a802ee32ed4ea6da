#pragma once

#include <string>
#include <string_view>

namespace vl {

// A record's text where the record keeps it: a view of it, which turns into a std::string wherever one
// is asked for.
class RecordText : public std::string_view {
 public:
  explicit RecordText(std::string_view text) : std::string_view(text) {}
  operator std::string() const { return std::string(data(), size()); }
  friend std::string operator+(const RecordText& a, const std::string& b) { return std::string(a) + b; }
  friend std::string operator+(const std::string& a, const RecordText& b) { return a + std::string(b); }
  friend std::string operator+(const char* a, const RecordText& b) { return a + std::string(b); }
  friend std::string operator+(const RecordText& a, const char* b) { return std::string(a) + b; }
};

}  // namespace vl
