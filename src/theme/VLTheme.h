#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/foundation/Json.h"
#include "platform/ui/graphics/Image.h"
#include "theme/VLAppearanceExprAST.h"
#include "theme/VLAsset.h"

namespace vl {

// One loaded theme file. Every entry is evaluated once while the file is read; afterwards the theme is
// never changed, so loaded themes are shared between threads without locks.
//
// Bad entries never stop the load: an entry that does not parse, a {light, dark} mapping that lacks
// one side, an entry of another type and a reference cycle each log one line naming the file and the
// key, and that key has no value.
class VLTheme : public VLAppearanceExprASTContextDelegate {
 public:
  // Reads and builds one theme file (a path or a "file://" URL). A file that cannot be read or is not
  // YAML is logged and gives nullptr; a document that is not a mapping gives a theme with every field
  // empty.
  static std::shared_ptr<VLTheme> ofURL(const std::string& url);
  // The same over text already read; `source` names the file in log lines.
  static std::shared_ptr<VLTheme> ofYAML(const std::string& text, const std::string& source);
  // From a document already parsed.
  static std::shared_ptr<VLTheme> ofDocument(const Json& document, const std::string& source);

  VLTheme() = default;
  VLTheme(const VLTheme&) = delete;
  VLTheme& operator=(const VLTheme&) = delete;

  const std::string& name() const { return name_; }
  const std::string& version() const { return version_; }
  bool main() const { return main_; }
  const Json& rawColorsDict() const { return rawColorsDict_; }
  const std::map<std::string, VLAsset>& colors() const { return colors_; }
  const std::map<std::string, ui::ImageRef>& images() const { return images_; }
  // The file the theme was read from.
  const std::string& source() const { return source_; }

  // The asset of `key` built from rawColorsDict. Never raises: a malformed entry is logged once and
  // gives an empty asset.
  VLAsset genAssetFromKey(const std::string& key);

  // The context operation: `key`'s value in `mode` ("light", "dark" or "any"); only the asset type
  // "color" is served. A key still being built further up (a cycle) gives none.
  VLAppearanceValue getValueByRefKey(const std::string& key, const std::string& mode,
                                     const std::string& assetType) override;

 private:
  struct Frame {
    std::string key;
    // The lowest stack index a reference inside this build found still being built.
    std::size_t lowestCycleIndex;
  };
  // Builds one key; `storable` tells whether the result does not depend on keys being built below it
  // (so it equals what the load loop would build and may be kept).
  VLAsset build(const std::string& key, bool* storable);
  VLAsset evaluateEntry(const std::string& key);
  void logOnce(const std::string& key, const std::string& problem);

  std::string name_;
  std::string version_;
  bool main_ = false;
  Json rawColorsDict_ = Json::object();
  std::map<std::string, VLAsset> colors_;
  std::map<std::string, ui::ImageRef> images_;
  std::string source_;

  // Load-time state.
  std::vector<Frame> building_;
  std::size_t referenceBudget_ = 0;
  std::set<std::string> logged_;
};

}  // namespace vl
