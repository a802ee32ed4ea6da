#include "autopick/AutoPickConfig.h"

#include <array>
#include <string>
#include <utility>

#include "autopick/AutoPickNode.h"
#include "autopick/AutoPickPredicates.h"
#include "platform/foundation/Localization.h"

namespace vl {

namespace {

Json nodeDict(const char* identifier, const char* nameKey, const char* descKey, const char* color,
              const char* view = nullptr) {
  Json dict{{"identifier", identifier},
            {"name", localized(nameKey)},
            {"desc", localized(descKey)},
            {"color", color}};
  if (view) dict["view"] = view;
  return dict;
}

Json descriptor(Json dict, Json children = nullptr) {
  std::string identifier = dict["identifier"].get<std::string>();
  if (children.is_array()) dict["children"] = std::move(children);
  return Json{{identifier, std::move(dict)}};
}

constexpr std::array<std::pair<std::string_view, AutoPickPredicate>, 7> kActions{{
    {AutoPickConfig::kImage, &AutoPickPredicates::image},
    {AutoPickConfig::kScreenshot, &AutoPickPredicates::screenshot},
    {AutoPickConfig::kApplication, &AutoPickPredicates::application},
    {AutoPickConfig::kText, &AutoPickPredicates::text},
    {AutoPickConfig::kTextMatchedRegex, &AutoPickPredicates::textMatchedRegex},
    {AutoPickConfig::kLink, &AutoPickPredicates::link},
    {AutoPickConfig::kLinkMatchedRegex, &AutoPickPredicates::linkMatchedRegex},
}};

}  // namespace

Json AutoPickConfig::IMAGE_DESCRIPTOR() {
  return descriptor(nodeDict(kImage, "pin.autoPick.image.name", "pin.autoPick.image.desc", "E02020"),
                    Json::array({descriptor(nodeDict(kScreenshot, "pin.autoPick.screenshot.name",
                                                     "pin.autoPick.screenshot.desc", "E02020"))}));
}

Json AutoPickConfig::SPECIFY_APPLICATION_DESCRIPTOR() {
  return descriptor(nodeDict(kApplication, "pin.autoPick.specifyApplication.name",
                             "pin.autoPick.specifyApplication.desc", "FA6400", kApplicationValueView));
}

Json AutoPickConfig::TEXT_DESCRIPTOR() {
  return descriptor(
      nodeDict(kText, "pin.autoPick.text.name", "pin.autoPick.text.desc", "F7B500"),
      Json::array({descriptor(nodeDict(kTextMatchedRegex, "pin.autoPick.textMatchedRegex.name",
                                       "pin.autoPick.textMatchedRegex.desc", "F7B500", kRegexValueView))}));
}

Json AutoPickConfig::LINK_DESCRIPTOR() {
  return descriptor(
      nodeDict(kLink, "pin.autoPick.link.name", "pin.autoPick.link.desc", "6DD400"),
      Json::array({descriptor(nodeDict(kLinkMatchedRegex, "pin.autoPick.linkMatchedRegex.name",
                                       "pin.autoPick.linkMatchedRegex.desc", "6DD400", kRegexValueView))}));
}

AutoPickPredicate AutoPickConfig::getActionOfNode(const AutoPickNode& node) {
  return actionOfIdentifier(node.identifier());
}

AutoPickPredicate AutoPickConfig::actionOfIdentifier(std::string_view identifier) {
  for (const auto& [name, action] : kActions) {
    if (name == identifier) return action;
  }
  return nullptr;
}

bool AutoPickConfig::isKnownIdentifier(std::string_view identifier) {
  return actionOfIdentifier(identifier) != nullptr;
}

}  // namespace vl
