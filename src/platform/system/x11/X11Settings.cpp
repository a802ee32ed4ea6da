#include "platform/system/x11/X11Settings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/foundation/Log.h"

namespace vl::x11 {

namespace {

class Reader {
 public:
  Reader(std::string_view bytes, bool bigEndian) : bytes_(bytes), big_(bigEndian) {}
  bool skip(std::size_t n) {
    if (n > bytes_.size() - pos_) return false;
    pos_ += n;
    return true;
  }
  bool pad4() { return skip((4 - pos_ % 4) % 4); }
  bool u8(std::uint8_t& v) {
    if (pos_ >= bytes_.size()) return false;
    v = static_cast<std::uint8_t>(bytes_[pos_++]);
    return true;
  }
  bool u16(std::uint16_t& v) {
    std::uint32_t w = 0;
    if (!number(2, w)) return false;
    v = static_cast<std::uint16_t>(w);
    return true;
  }
  bool u32(std::uint32_t& v) { return number(4, v); }
  bool text(std::size_t n, std::string& out) {
    if (n > bytes_.size() - pos_) return false;
    out.assign(bytes_.substr(pos_, n));
    pos_ += n;
    return true;
  }

 private:
  bool number(std::size_t n, std::uint32_t& v) {
    if (n > bytes_.size() - pos_) return false;
    v = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const auto b = static_cast<std::uint8_t>(bytes_[pos_ + (big_ ? i : n - 1 - i)]);
      v = (v << 8) | b;
    }
    pos_ += n;
    return true;
  }
  std::string_view bytes_;
  bool big_;
  std::size_t pos_ = 0;
};

}  // namespace

XSettings parseXSettings(std::string_view bytes) {
  XSettings settings;
  if (bytes.empty()) return settings;
  const bool big = bytes[0] != 0;
  Reader r(bytes, big);
  std::uint32_t serial = 0, count = 0;
  if (!r.skip(4) || !r.u32(serial) || !r.u32(count)) {
    logWarning("xsettings: the settings header is cut short; no settings read");
    return settings;
  }
  if (count > kMaxXSettings) {
    logWarningf("xsettings: %u settings announced; reading the first %zu", count, kMaxXSettings);
    count = kMaxXSettings;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t type = 0;
    std::uint16_t nameLength = 0;
    std::uint32_t lastChange = 0;
    std::string name;
    bool ok = r.u8(type) && r.skip(1) && r.u16(nameLength) && r.text(nameLength, name) && r.pad4() &&
              r.u32(lastChange);
    XSettingsValue value;
    if (ok && type == 0) {
      std::uint32_t v = 0;
      ok = r.u32(v);
      value = static_cast<std::int32_t>(v);
    } else if (ok && type == 1) {
      std::uint32_t length = 0;
      std::string s;
      ok = r.u32(length) && r.text(length, s) && r.pad4();
      value = std::move(s);
    } else if (ok && type == 2) {
      XSettingsColor c;
      ok = r.u16(c.red) && r.u16(c.green) && r.u16(c.blue) && r.u16(c.alpha);
      value = c;
    } else {
      ok = false;
    }
    if (!ok) {
      logWarningf("xsettings: setting %u of %u is malformed; the rest are not read", i + 1, count);
      break;
    }
    settings[name] = std::move(value);
  }
  return settings;
}

double xftDpiFromResources(std::string_view resources) {
  constexpr std::string_view kKey = "Xft.dpi:";
  std::size_t at = 0;
  while (at < resources.size()) {
    std::size_t end = resources.find('\n', at);
    if (end == std::string_view::npos) end = resources.size();
    std::string_view line = resources.substr(at, end - at);
    at = end + 1;
    if (line.substr(0, kKey.size()) != kKey) continue;
    std::string value(line.substr(kKey.size(), 32));
    char* stop = nullptr;
    const double dpi = std::strtod(value.c_str(), &stop);
    if (stop == value.c_str() || !std::isfinite(dpi) || dpi < 24 || dpi > 1200) return 0;
    return dpi;
  }
  return 0;
}

double backingScaleFor(const XSettings& settings, double xftDpi) {
  auto it = settings.find("Gdk/WindowScalingFactor");
  if (it != settings.end()) {
    if (const auto* v = std::get_if<std::int32_t>(&it->second); v && *v >= 1) return std::min(*v, 4);
  }
  if (xftDpi <= 0) return 1;
  return std::clamp(std::floor(xftDpi / 96 + 0.25), 1.0, 4.0);
}

std::string stringSetting(const XSettings& settings, const std::string& name) {
  auto it = settings.find(name);
  if (it == settings.end()) return {};
  const auto* v = std::get_if<std::string>(&it->second);
  return v ? *v : std::string();
}

std::string desktopFontName(const XSettings& settings) { return stringSetting(settings, "Gtk/FontName"); }

std::string desktopIconThemeName(const XSettings& settings) {
  return stringSetting(settings, "Net/IconThemeName");
}

}  // namespace vl::x11
