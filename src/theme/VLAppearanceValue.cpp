#include "theme/VLAppearanceValue.h"

#include <cstdio>

namespace vl {

double VLAppearanceValue::number() const {
  if (auto i = std::get_if<std::int32_t>(&v_)) return *i;
  if (auto f = std::get_if<float>(&v_)) return *f;
  return 0;
}

std::string VLAppearanceValue::description() const {
  struct Describe {
    std::string operator()(std::monostate) const { return "none"; }
    std::string operator()(const ui::Color& c) const { return c.description(); }
    std::string operator()(const ui::Gradient& g) const {
      return "gradient of " + std::to_string(g.stops().size()) + " colours";
    }
    std::string operator()(const VLVisualEffectObject& m) const {
      return "material " + std::to_string(m.material) + (m.emphasized ? " emphasized" : "");
    }
    std::string operator()(std::int32_t n) const { return std::to_string(n); }
    std::string operator()(float f) const {
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(f));
      return buffer;
    }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(const ui::ImageRef& image) const {
      return image ? "image " + image->name() : std::string("no image");
    }
    std::string operator()(const List& list) const {
      std::string out = "(";
      for (std::size_t i = 0; i < list.size(); ++i) {
        if (i) out += ", ";
        out += list[i].description();
      }
      return out + ")";
    }
  };
  return std::visit(Describe{}, v_);
}

}  // namespace vl
