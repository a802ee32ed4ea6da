#include "theme/VLThemeYaml.h"

#include <yaml.h>

namespace vl {

namespace {

constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxNodes = 200000;

struct Converter {
  yaml_document_t* document;
  std::size_t nodes = 0;
  std::string error;

  // nullopt (with `error` set) when a limit is broken.
  std::optional<Json> convert(yaml_node_t* node, int depth) {
    if (!node) return Json();
    if (depth > kMaxDepth) {
      error = "nested deeper than " + std::to_string(kMaxDepth) + " levels";
      return std::nullopt;
    }
    if (++nodes > kMaxNodes) {
      error = "more than " + std::to_string(kMaxNodes) + " values";
      return std::nullopt;
    }
    switch (node->type) {
      case YAML_SCALAR_NODE:
        return Json(
            std::string(reinterpret_cast<const char*>(node->data.scalar.value), node->data.scalar.length));
      case YAML_SEQUENCE_NODE: {
        Json array = Json::array();
        for (yaml_node_item_t* item = node->data.sequence.items.start; item < node->data.sequence.items.top;
             ++item) {
          auto value = convert(yaml_document_get_node(document, *item), depth + 1);
          if (!value) return std::nullopt;
          array.push_back(std::move(*value));
        }
        return array;
      }
      case YAML_MAPPING_NODE: {
        Json object = Json::object();
        for (yaml_node_pair_t* pair = node->data.mapping.pairs.start; pair < node->data.mapping.pairs.top;
             ++pair) {
          yaml_node_t* key = yaml_document_get_node(document, pair->key);
          if (!key || key->type != YAML_SCALAR_NODE) continue;
          auto value = convert(yaml_document_get_node(document, pair->value), depth + 1);
          if (!value) return std::nullopt;
          object[std::string(reinterpret_cast<const char*>(key->data.scalar.value),
                             key->data.scalar.length)] = std::move(*value);
        }
        return object;
      }
      default:
        return Json();
    }
  }
};

}  // namespace

std::optional<Json> parseYamlDocument(std::string_view text, std::string* error) {
  yaml_parser_t parser;
  if (!yaml_parser_initialize(&parser)) {
    if (error) *error = "out of memory";
    return std::nullopt;
  }
  yaml_parser_set_input_string(&parser, reinterpret_cast<const unsigned char*>(text.data()), text.size());
  yaml_document_t document;
  if (!yaml_parser_load(&parser, &document)) {
    if (error) {
      *error = std::string(parser.problem ? parser.problem : "not YAML") + " at line " +
               std::to_string(parser.problem_mark.line + 1) + ", column " +
               std::to_string(parser.problem_mark.column + 1);
    }
    yaml_parser_delete(&parser);
    return std::nullopt;
  }
  Converter converter{&document, 0, {}};
  std::optional<Json> result = converter.convert(yaml_document_get_root_node(&document), 0);
  if (!result && error) *error = converter.error;
  yaml_document_delete(&document);
  yaml_parser_delete(&parser);
  return result;
}

}  // namespace vl
