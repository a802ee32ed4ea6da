#include "platform/system/paint/PangoTextEngine.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <strings.h>

#include <algorithm>
#include <charconv>

#include "platform/foundation/Log.h"
#include "platform/ui/text/TextMetrics.h"

namespace vl::paint {

namespace {

constexpr const char* kFallbackFamily = "sans-serif";
// Longer runs are measured in pieces of about this many code points, cut after a space where one is
// near; shaping across a piece boundary is what the few lost kerning pairs cost.
constexpr std::size_t kMeasurePiece = 4096;
// The most of one text that is drawn; no line of a window shows more.
constexpr std::size_t kDrawLimit = 16384;
// Measurements and layouts of texts up to this many bytes are kept.
constexpr std::size_t kCachedTextBytes = 4096;

void appendUtf8(std::string& out, char32_t c) {
  // NUL, surrogates and values past Unicode are shown as the replacement character, as bad bytes are.
  if (c == 0 || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Valid UTF-8 for Pango, at most `limit` code points.
std::string sanitized(std::string_view text, std::size_t limit) {
  std::string out;
  out.reserve(std::min(text.size(), limit * 4));
  ui::Utf8Cursor cur{text};
  for (std::size_t n = 0; !cur.done() && n < limit; ++n) {
    std::uint8_t units;
    appendUtf8(out, cur.next(&units));
  }
  return out;
}

// The toolkit's weight scale (-1 ... 1) on the CSS scale fontconfig matches against.
int cssWeight(double weight) {
  static const struct {
    double below;
    int css;
  } kSteps[] = {{-0.7, 100},  {-0.5, 200}, {-0.2, 300}, {0.115, 400},
                {0.265, 500}, {0.35, 600}, {0.48, 700}, {0.59, 800}};
  for (const auto& s : kSteps) {
    if (weight < s.below) return s.css;
  }
  return 900;
}

bool isGenericFamily(const std::string& family) {
  static const char* const kGeneric[] = {"sans-serif", "sans",    "serif",   "monospace", "mono",
                                         "system-ui",  "cursive", "fantasy", "emoji"};
  for (const char* g : kGeneric) {
    if (strcasecmp(family.c_str(), g) == 0) return true;
  }
  return false;
}

// Whether fontconfig has a font of this family; `matched` gets the family it would use instead.
bool fontconfigHasFamily(const std::string& family, std::string* matched) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  bool found = false;
  if (match) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
      if (i == 0) *matched = reinterpret_cast<const char*>(name);
      if (strcasecmp(reinterpret_cast<const char*>(name), family.c_str()) == 0) found = true;
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return found;
}

std::string drawKey(const std::string& fontKey, ui::UnderlineStyle underline,
                    ui::UnderlineStyle strikethrough, std::string_view text) {
  std::string key;
  key.reserve(fontKey.size() + 3 + text.size());
  key.append(fontKey);
  key += '\x1f';
  key += static_cast<char>('0' + static_cast<int>(underline));
  key += static_cast<char>('0' + static_cast<int>(strikethrough));
  key.append(text.data(), text.size());
  return key;
}

}  // namespace

template <typename V>
V* PangoTextEngine::Lru<V>::find(const std::string& key) {
  auto it = index_.find(key);
  if (it == index_.end()) return nullptr;
  items_.splice(items_.begin(), items_, it->second);
  return &it->second->second;
}

template <typename V>
V& PangoTextEngine::Lru<V>::put(const std::string& key, V value) {
  if (V* existing = find(key)) {
    *existing = std::move(value);
    return *existing;
  }
  items_.emplace_front(key, std::move(value));
  index_[key] = items_.begin();
  if (items_.size() > capacity_) {
    index_.erase(items_.back().first);
    items_.pop_back();
  }
  return items_.front().second;
}

std::shared_ptr<PangoTextEngine> PangoTextEngine::shared() {
  // Kept to the end of the process: layouts may be measured from any thread until then.
  static auto* engine = new std::shared_ptr<PangoTextEngine>(std::make_shared<PangoTextEngine>());
  return *engine;
}

PangoTextEngine::PangoTextEngine() : systemFamily_(kFallbackFamily) {
  fontMap_ = pango_cairo_font_map_new();
  context_ = pango_font_map_create_context(fontMap_);
  // Advances must not depend on the device scale, or text measured in points would paint wider or
  // narrower at 2x: no metric hinting and no rounding of glyph positions.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  pango_cairo_context_set_font_options(context_, options);
  cairo_font_options_destroy(options);
  pango_context_set_round_glyph_positions(context_, FALSE);
}

PangoTextEngine::~PangoTextEngine() {
  layouts_.clear();
  fonts_.clear();
  g_object_unref(context_);
  g_object_unref(fontMap_);
}

void PangoTextEngine::setSystemFontDescription(const std::string& description) {
  std::string family;
  if (!description.empty()) {
    PangoFontDescription* parsed = pango_font_description_from_string(description.c_str());
    if (const char* f = pango_font_description_get_family(parsed)) family = f;
    pango_font_description_free(parsed);
  }
  if (family.empty()) family = kFallbackFamily;
  std::lock_guard<std::mutex> lock(mutex_);
  if (family == systemFamily_) return;
  systemFamily_ = family;
  fonts_.clear();
  advances_.clear();
  layouts_.clear();
}

std::string PangoTextEngine::resolvedFamilyLocked(const ui::Font& font) {
  const std::string& wanted = font.isSystemFont() ? systemFamily_ : font.family();
  if (isGenericFamily(wanted)) return wanted;
  auto it = families_.find(wanted);
  if (it != families_.end()) return it->second;
  std::string matched;
  std::string use = wanted;
  if (wanted.empty() || !fontconfigHasFamily(wanted, &matched)) {
    logWarningf("text: no font family \"%s\"; drawing with %s (%s)", wanted.c_str(), kFallbackFamily,
                matched.empty() ? "none matched" : matched.c_str());
    use = kFallbackFamily;
  }
  families_.emplace(wanted, use);
  return use;
}

const PangoTextEngine::FontEntry& PangoTextEngine::fontEntry(const ui::Font& font, std::string* key) {
  const std::string family = resolvedFamilyLocked(font);
  const double size = font.effectivePointSize();
  const int weight = cssWeight(font.weight());
  // Built with to_chars: this runs for every text measured or drawn.
  char buf[64];
  char* end = buf;
  *end++ = '|';
  end = std::to_chars(end, buf + sizeof buf, size).ptr;
  *end++ = '|';
  end = std::to_chars(end, buf + sizeof buf, weight).ptr;
  *end++ = font.hasMonospacedDigits() ? 'm' : 'p';
  *end++ = font.isItalic() ? 'i' : 'r';
  key->assign(family).append(buf, end);
  auto it = fonts_.find(*key);
  if (it != fonts_.end()) return it->second;
  FontEntry entry;
  PangoFontDescription* d = pango_font_description_new();
  pango_font_description_set_family(d, family.c_str());
  // Sizes are in points of the toolkit, which are user-space units here: absolute, not typographic.
  pango_font_description_set_absolute_size(d, size * PANGO_SCALE);
  pango_font_description_set_weight(d, static_cast<PangoWeight>(weight));
  if (font.isItalic()) pango_font_description_set_style(d, PANGO_STYLE_ITALIC);
  entry.description = std::shared_ptr<PangoFontDescription>(d, pango_font_description_free);
  entry.monospacedDigits = font.hasMonospacedDigits();
  PangoFontMetrics* metrics = pango_context_get_metrics(context_, d, nullptr);
  entry.ascender = pango_font_metrics_get_ascent(metrics) / double(PANGO_SCALE);
  entry.descender = pango_font_metrics_get_descent(metrics) / double(PANGO_SCALE);
  pango_font_metrics_unref(metrics);
  if (!(entry.ascender > 0)) entry.ascender = size * 0.95;
  if (!(entry.descender >= 0)) entry.descender = size * 0.3;
  return fonts_.emplace(*key, std::move(entry)).first->second;
}

double PangoTextEngine::ascender(const ui::Font& font) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string key;
  return fontEntry(font, &key).ascender;
}

double PangoTextEngine::descender(const ui::Font& font) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string key;
  return fontEntry(font, &key).descender;
}

std::shared_ptr<PangoLayout> PangoTextEngine::makeLayout(const FontEntry& font, const std::string& text,
                                                         ui::UnderlineStyle underline,
                                                         ui::UnderlineStyle strikethrough,
                                                         bool singleParagraph) {
  PangoLayout* layout = pango_layout_new(context_);
  pango_layout_set_font_description(layout, font.description.get());
  if (singleParagraph) pango_layout_set_single_paragraph_mode(layout, TRUE);
  if (font.monospacedDigits || underline != ui::UnderlineStyle::None ||
      strikethrough != ui::UnderlineStyle::None) {
    PangoAttrList* attrs = pango_attr_list_new();
    if (font.monospacedDigits) pango_attr_list_insert(attrs, pango_attr_font_features_new("tnum 1"));
    if (underline != ui::UnderlineStyle::None) {
      pango_attr_list_insert(
          attrs, pango_attr_underline_new(underline == ui::UnderlineStyle::Double ? PANGO_UNDERLINE_DOUBLE
                                                                                  : PANGO_UNDERLINE_SINGLE));
    }
    if (strikethrough != ui::UnderlineStyle::None)
      pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
  }
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  return std::shared_ptr<PangoLayout>(layout, g_object_unref);
}

void PangoTextEngine::advances(std::u32string_view chars, const ui::Font& font, std::vector<double>& out) {
  out.assign(chars.size(), 0.0);
  if (chars.empty()) return;
  std::lock_guard<std::mutex> lock(mutex_);
  std::string fontKey;
  const FontEntry& entry = fontEntry(font, &fontKey);
  for (std::size_t start = 0; start < chars.size();) {
    std::size_t end = std::min(chars.size(), start + kMeasurePiece);
    if (end < chars.size()) {
      for (std::size_t k = end; k > start + kMeasurePiece / 2; --k) {
        if (chars[k - 1] == U' ') {
          end = k;
          break;
        }
      }
    }
    std::string text;
    std::vector<std::uint32_t> codePointAt;  // by byte offset
    for (std::size_t i = start; i < end; ++i) {
      appendUtf8(text, chars[i]);
      codePointAt.resize(text.size(), static_cast<std::uint32_t>(i - start));
    }
    const bool cache = text.size() <= kCachedTextBytes;
    const std::string key = cache ? fontKey + '\x1f' + text : std::string();
    std::vector<double>* known = cache ? advances_.find(key) : nullptr;
    if (!known) {
      std::vector<double> measured(end - start, 0.0);
      auto layout = makeLayout(entry, text, ui::UnderlineStyle::None, ui::UnderlineStyle::None, true);
      PangoLayoutLine* line = pango_layout_get_line_readonly(layout.get(), 0);
      for (GSList* l = line ? line->runs : nullptr; l; l = l->next) {
        auto* run = static_cast<PangoGlyphItem*>(l->data);
        for (int g = 0; g < run->glyphs->num_glyphs; ++g) {
          std::size_t byte = static_cast<std::size_t>(run->item->offset + run->glyphs->log_clusters[g]);
          if (byte < codePointAt.size()) {
            measured[codePointAt[byte]] += run->glyphs->glyphs[g].geometry.width / double(PANGO_SCALE);
          }
        }
      }
      if (!cache) {
        std::copy(measured.begin(), measured.end(), out.begin() + static_cast<std::ptrdiff_t>(start));
        start = end;
        continue;
      }
      // Text measured is usually drawn next, as one line: keep its layout for that.
      layouts_.put(drawKey(fontKey, ui::UnderlineStyle::None, ui::UnderlineStyle::None, text),
                   std::move(layout));
      known = &advances_.put(key, std::move(measured));
    }
    std::copy(known->begin(), known->end(), out.begin() + static_cast<std::ptrdiff_t>(start));
    start = end;
  }
}

std::shared_ptr<PangoLayout> PangoTextEngine::drawLayout(std::string_view text, const ui::Font& font,
                                                         ui::UnderlineStyle underline,
                                                         ui::UnderlineStyle strikethrough, double* ascender) {
  std::string fontKey;
  const FontEntry& entry = fontEntry(font, &fontKey);
  *ascender = entry.ascender;
  // A long text would make a long key in a cache that keeps a thousand of them; it is laid out afresh.
  if (text.size() > kCachedTextBytes)
    return makeLayout(entry, sanitized(text, kDrawLimit), underline, strikethrough, false);
  const std::string key = drawKey(fontKey, underline, strikethrough, text);
  if (auto* known = layouts_.find(key)) return *known;
  return layouts_.put(key, makeLayout(entry, sanitized(text, kDrawLimit), underline, strikethrough, false));
}

void PangoTextEngine::draw(cairo_t* cr, std::string_view text, const ui::Font& font,
                           ui::UnderlineStyle underline, ui::UnderlineStyle strikethrough, double x,
                           double top) {
  if (text.empty()) return;
  std::lock_guard<std::mutex> lock(mutex_);
  double ascender = 0;
  auto layout = drawLayout(text, font, underline, strikethrough, &ascender);
  const double baseline = pango_layout_get_baseline(layout.get()) / double(PANGO_SCALE);
  cairo_move_to(cr, x, top + ascender - baseline);
  pango_cairo_show_layout(cr, layout.get());
}

double PangoTextEngine::drawnWidth(std::string_view text, const ui::Font& font) {
  if (text.empty()) return 0;
  std::lock_guard<std::mutex> lock(mutex_);
  double ascender = 0;
  auto layout = drawLayout(text, font, ui::UnderlineStyle::None, ui::UnderlineStyle::None, &ascender);
  PangoRectangle ink, logical;
  pango_layout_get_extents(layout.get(), &ink, &logical);
  return std::max(ink.x + ink.width, logical.x + logical.width) / double(PANGO_SCALE);
}

}  // namespace vl::paint
