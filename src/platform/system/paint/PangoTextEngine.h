#pragma once

#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/ui/text/AttributedString.h"
#include "platform/ui/text/Font.h"
#include "platform/ui/text/TextEngine.h"

typedef struct _cairo cairo_t;
typedef struct _PangoContext PangoContext;
typedef struct _PangoFontMap PangoFontMap;
typedef struct _PangoFontDescription PangoFontDescription;
typedef struct _PangoLayout PangoLayout;

namespace vl::paint {

// Text measured and drawn with Pango through one private Cairo font map, so a width measured on any
// thread is the width painted. Metrics do not depend on the device scale (metric hinting off, glyph
// positions unrounded): text laid out in points paints the same at 1x and 2x. One mutex guards all
// Pango state; it is a leaf lock.
class PangoTextEngine : public ui::TextEngine {
 public:
  static std::shared_ptr<PangoTextEngine> shared();

  PangoTextEngine();
  ~PangoTextEngine() override;
  PangoTextEngine(const PangoTextEngine&) = delete;
  PangoTextEngine& operator=(const PangoTextEngine&) = delete;

  double ascender(const ui::Font& font) override;
  double descender(const ui::Font& font) override;
  void advances(std::u32string_view chars, const ui::Font& font, std::vector<double>& out) override;

  // The desktop's UI font as a font description ("Cantarell 11", from XSETTINGS Gtk/FontName). Only its
  // family is taken, the toolkit keeps its own sizes; "" (or a description without a family) goes back
  // to fontconfig's sans-serif. Views laid out before keep their sizes until they lay out again.
  void setSystemFontDescription(const std::string& description);

  // Draws text (lines broken only at its own line ends) with the top of its first line at `top` and
  // its baseline at top + ascender(font), in the context's current source colour.
  void draw(cairo_t* cr, std::string_view text, const ui::Font& font, ui::UnderlineStyle underline,
            ui::UnderlineStyle strikethrough, double x, double top);
  // How far drawn text reaches to the right of x (its widest line), for knowing what a repaint touches.
  double drawnWidth(std::string_view text, const ui::Font& font);

 private:
  struct FontEntry {
    std::shared_ptr<PangoFontDescription> description;
    bool monospacedDigits = false;
    double ascender = 0;
    double descender = 0;
  };
  template <typename V>
  class Lru {
   public:
    explicit Lru(std::size_t capacity) : capacity_(capacity) {}
    V* find(const std::string& key);
    V& put(const std::string& key, V value);
    void clear() {
      items_.clear();
      index_.clear();
    }

   private:
    std::size_t capacity_;
    std::list<std::pair<std::string, V>> items_;
    std::unordered_map<std::string, typename std::list<std::pair<std::string, V>>::iterator> index_;
  };

  // All with mutex_ held.
  const FontEntry& fontEntry(const ui::Font& font, std::string* key);
  std::string resolvedFamilyLocked(const ui::Font& font);
  std::shared_ptr<PangoLayout> makeLayout(const FontEntry& font, const std::string& text,
                                          ui::UnderlineStyle underline, ui::UnderlineStyle strikethrough,
                                          bool singleParagraph);
  std::shared_ptr<PangoLayout> drawLayout(std::string_view text, const ui::Font& font,
                                          ui::UnderlineStyle underline, ui::UnderlineStyle strikethrough,
                                          double* baseline);

  std::mutex mutex_;
  PangoFontMap* fontMap_ = nullptr;
  PangoContext* context_ = nullptr;
  std::string systemFamily_;
  std::unordered_map<std::string, FontEntry> fonts_;
  std::unordered_map<std::string, std::string> families_;
  Lru<std::vector<double>> advances_{4096};
  Lru<std::shared_ptr<PangoLayout>> layouts_{1024};
};

}  // namespace vl::paint
