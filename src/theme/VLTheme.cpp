#include "theme/VLTheme.h"

#include <algorithm>
#include <limits>

#include "platform/foundation/Files.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Url.h"
#include "theme/VLAppearanceExprASTException.h"
#include "theme/VLAppearanceMainLoop.h"
#include "theme/VLThemeYaml.h"

namespace vl {

namespace {

// References a single top-level key may follow, cycles included, before the key is given up. Results
// that do not depend on a cycle are kept as they are built, so a sound theme stays far below this.
constexpr std::size_t kReferenceBudget = 10000;
constexpr std::size_t kMaxReferenceDepth = 128;
constexpr std::size_t kNoCycle = std::numeric_limits<std::size_t>::max();

bool yamlTrue(const Json& value) {
  if (value.is_boolean()) return value.get<bool>();
  if (!value.is_string()) return false;
  std::string text = value.get<std::string>();
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text == "true" || text == "yes" || text == "on" || text == "y" || text == "1";
}

}  // namespace

std::shared_ptr<VLTheme> VLTheme::ofURL(const std::string& url) {
  std::string path = url;
  if (auto filePath = pathFromFileUrl(url)) path = *filePath;
  // One byte past the bound is enough to refuse the file; the rest is never read. Only a regular file is
  // read, so a FIFO among the themes never holds up start-up.
  std::optional<std::string> text = files::readFileHead(path, kMaxYamlBytes + 1);
  if (!text) {
    logWarningf("theme: %s: cannot be read; skipped", path.c_str());
    return nullptr;
  }
  return ofYAML(*text, path);
}

std::shared_ptr<VLTheme> VLTheme::ofYAML(const std::string& text, const std::string& source) {
  std::string error;
  auto document = parseYamlDocument(text, &error);
  if (!document) {
    logWarningf("theme: %s: not a usable YAML document (%s); skipped", source.c_str(), error.c_str());
    return nullptr;
  }
  return ofDocument(*document, source);
}

std::shared_ptr<VLTheme> VLTheme::ofDocument(const Json& document, const std::string& source) {
  auto theme = std::make_shared<VLTheme>();
  theme->source_ = source;
  if (!document.is_object()) {
    logWarningf("theme: %s: the top level is not a mapping; no theme in it", source.c_str());
    return theme;
  }
  if (auto name = document.find("name"); name != document.end() && name->is_string()) {
    theme->name_ = name->get<std::string>();
  }
  if (auto version = document.find("vltheme"); version != document.end() && version->is_string()) {
    theme->version_ = version->get<std::string>();
  }
  if (auto main = document.find("main"); main != document.end()) theme->main_ = yamlTrue(*main);
  if (auto colors = document.find("colors"); colors != document.end()) {
    if (colors->is_object()) {
      theme->rawColorsDict_ = *colors;
    } else {
      logWarningf("theme: %s: \"colors\" is not a mapping; the theme has no colours", source.c_str());
    }
  }
  for (const auto& [key, value] : theme->rawColorsDict_.items()) {
    (void)value;
    if (theme->colors_.count(key)) continue;
    theme->colors_[key] = theme->genAssetFromKey(key);
  }
  // Load-time bookkeeping is not needed once every key is built.
  theme->logged_.clear();
  return theme;
}

void VLTheme::logOnce(const std::string& key, const std::string& problem) {
  if (!logged_.insert(key).second) return;
  logWarningf("theme: %s: key \"%s\": %s; the key has no value", source_.c_str(), key.c_str(),
              problem.c_str());
}

VLAsset VLTheme::genAssetFromKey(const std::string& key) {
  bool storable = false;
  return build(key, &storable);
}

VLAsset VLTheme::build(const std::string& key, bool* storable) {
  if (building_.empty()) referenceBudget_ = kReferenceBudget;
  const std::size_t index = building_.size();
  building_.push_back({key, kNoCycle});
  VLAsset asset;
  try {
    asset = evaluateEntry(key);
  } catch (const VLThemeException& e) {
    logOnce(key, e.reason());
  } catch (const std::exception& e) {
    logOnce(key, e.what());
  }
  const std::size_t lowest = building_.back().lowestCycleIndex;
  building_.pop_back();
  if (!building_.empty())
    building_.back().lowestCycleIndex = std::min(building_.back().lowestCycleIndex, lowest);
  *storable = lowest == kNoCycle || lowest >= index;
  return asset;
}

VLAsset VLTheme::evaluateEntry(const std::string& key) {
  VLAsset asset;
  auto entry = rawColorsDict_.find(key);
  if (entry == rawColorsDict_.end()) return asset;
  auto evaluate = [this](const Json& expression, const char* mode) {
    if (!expression.is_string()) {
      throw VLAppearanceExprASTException::ofReason(std::string("the ") + mode +
                                                   " value is not an expression");
    }
    return VLAppearanceMainLoop::getValueOfAppearance(expression.get<std::string>(), this, {mode, "color"});
  };
  if (entry->is_object()) {
    if (!entry->contains("light") || !entry->contains("dark")) {
      throw VLAppearanceExprASTException::ofReason("a light/dark entry needs both \"light\" and \"dark\"");
    }
    asset.light = evaluate((*entry)["light"], "light");
    asset.dark = evaluate((*entry)["dark"], "dark");
  } else if (entry->is_string()) {
    VLAppearanceValue value = evaluate(*entry, "any");
    if (const auto* list = value.list()) {
      if (list->size() == 1) {
        asset.light = (*list)[0];
      } else if (list->size() == 2) {
        asset.light = (*list)[0];
        asset.dark = (*list)[1];
      }
    } else {
      asset.any = std::move(value);
    }
  } else {
    logOnce(key, "the entry is neither an expression nor a light/dark mapping");
  }
  return asset;
}

VLAppearanceValue VLTheme::getValueByRefKey(const std::string& key, const std::string& mode,
                                            const std::string& assetType) {
  if (assetType != "color") return {};
  const VLAsset* asset = nullptr;
  VLAsset built;
  if (auto found = colors_.find(key); found != colors_.end()) {
    asset = &found->second;
  } else {
    auto inProgress =
        std::find_if(building_.begin(), building_.end(), [&](const Frame& f) { return f.key == key; });
    if (inProgress != building_.end()) {
      const auto index = static_cast<std::size_t>(inProgress - building_.begin());
      if (!building_.empty())
        building_.back().lowestCycleIndex = std::min(building_.back().lowestCycleIndex, index);
      logOnce(key, "its references form a cycle");
      return {};
    }
    if (!rawColorsDict_.contains(key)) {
      if (logged_.insert("$" + key).second) {
        logWarningf("theme: %s: key \"%s\" refers to \"%s\", which the theme does not define",
                    source_.c_str(), building_.empty() ? "" : building_.back().key.c_str(), key.c_str());
      }
      return {};
    }
    if (building_.size() >= kMaxReferenceDepth || referenceBudget_ == 0) {
      // Treat as a cycle so nothing built from this answer is kept.
      if (!building_.empty()) building_.back().lowestCycleIndex = 0;
      logOnce(building_.empty() ? key : building_.front().key, "too many references to follow");
      return {};
    }
    --referenceBudget_;
    bool storable = false;
    built = build(key, &storable);
    // A result that no cycle below it shaped is exactly what the load loop would build: keep it, so a
    // chain of references is evaluated once.
    if (storable) colors_[key] = built;
    asset = &built;
  }
  if (mode == "light") return asset->light;
  if (mode == "dark") return asset->dark;
  if (mode == "any") {
    if (!asset->any.isNone()) return asset->any;
    if (asset->light.isNone() && asset->dark.isNone()) return {};
    return VLAppearanceValue::List{asset->light, asset->dark};
  }
  return {};
}

}  // namespace vl
