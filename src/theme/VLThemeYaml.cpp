#include "theme/VLThemeYaml.h"

#include <yaml.h>

#include <algorithm>
#include <map>
#include <vector>

namespace vl {

namespace {

std::string anchorOf(const yaml_char_t* anchor) {
  return anchor ? std::string(reinterpret_cast<const char*>(anchor)) : std::string();
}

// Builds values from the parser's events one at a time, so a bound is broken the moment the parser
// reaches it; loading the whole document first lets one long line of brackets hang the parser.
class Builder {
 public:
  // false (with `error` set) when a bound is broken; `done` at the end of the first document.
  bool onEvent(const yaml_event_t& event) {
    switch (event.type) {
      case YAML_SCALAR_EVENT:
        if (!count(1)) return false;
        return deliver(Json(std::string(reinterpret_cast<const char*>(event.data.scalar.value),
                                        event.data.scalar.length)),
                       anchorOf(event.data.scalar.anchor), 0, 1);
      case YAML_SEQUENCE_START_EVENT:
        return open(Json::array(), anchorOf(event.data.sequence_start.anchor));
      case YAML_MAPPING_START_EVENT:
        return open(Json::object(), anchorOf(event.data.mapping_start.anchor));
      case YAML_SEQUENCE_END_EVENT:
      case YAML_MAPPING_END_EVENT: {
        Frame frame = std::move(stack_.back());
        stack_.pop_back();
        return deliver(std::move(frame.value), frame.anchor, frame.height + 1, nodes_ - frame.nodesBefore);
      }
      case YAML_ALIAS_EVENT: {
        std::string name = anchorOf(event.data.alias.anchor);
        auto it = anchors_.find(name);
        // An anchor still open is a reference to itself; it has no finite value.
        if (it == anchors_.end()) return fail("alias *" + name + " names no finished anchor");
        const Anchored& anchored = it->second;
        if (static_cast<int>(stack_.size()) + anchored.height > kMaxYamlDepth) return tooDeep();
        if (!count(anchored.nodes)) return false;
        return deliver(anchored.value, {}, anchored.height, anchored.nodes);
      }
      case YAML_DOCUMENT_END_EVENT:
      case YAML_STREAM_END_EVENT:
        done = true;
        return true;
      default:
        return true;
    }
  }

  bool done = false;
  Json root;
  std::string error;

 private:
  struct Frame {
    Json value;
    std::string anchor;
    int height = 0;  // collections below this one
    std::size_t nodesBefore = 0;
    std::optional<std::string> key;  // a mapping's key waiting for its value
    bool skipValue = false;          // the waiting key was not a scalar
  };
  struct Anchored {
    Json value;
    int height = 0;
    std::size_t nodes = 0;
  };

  bool fail(std::string reason) {
    error = std::move(reason);
    return false;
  }
  bool tooDeep() { return fail("nested deeper than " + std::to_string(kMaxYamlDepth) + " levels"); }
  bool count(std::size_t more) {
    nodes_ += more;
    if (nodes_ > kMaxYamlNodes) return fail("more than " + std::to_string(kMaxYamlNodes) + " values");
    return true;
  }

  bool open(Json empty, std::string anchor) {
    if (static_cast<int>(stack_.size()) >= kMaxYamlDepth) return tooDeep();
    std::size_t before = nodes_;
    if (!count(1)) return false;
    stack_.push_back(Frame{std::move(empty), std::move(anchor), 0, before, std::nullopt, false});
    return true;
  }

  bool deliver(Json value, const std::string& anchor, int height, std::size_t nodes) {
    if (!anchor.empty()) {
      // Kept copies are bounded too: each anchor's nodes were counted once as read.
      anchors_[anchor] = Anchored{value, height, nodes};
    }
    if (stack_.empty()) {
      // The document is read on to its end, so text broken after the root is still refused.
      root = std::move(value);
      return true;
    }
    Frame& parent = stack_.back();
    parent.height = std::max(parent.height, height);
    if (parent.value.is_array()) {
      parent.value.push_back(std::move(value));
    } else if (!parent.key && !parent.skipValue) {
      if (value.is_string()) {
        parent.key = value.get<std::string>();
      } else {
        parent.skipValue = true;
      }
    } else {
      if (parent.key) parent.value[*parent.key] = std::move(value);
      parent.key.reset();
      parent.skipValue = false;
    }
    return true;
  }

  std::vector<Frame> stack_;
  std::map<std::string, Anchored> anchors_;
  std::size_t nodes_ = 0;
};

}  // namespace

std::optional<Json> parseYamlDocument(std::string_view text, std::string* error) {
  if (text.size() > kMaxYamlBytes) {
    if (error) *error = "larger than " + std::to_string(kMaxYamlBytes) + " bytes";
    return std::nullopt;
  }
  yaml_parser_t parser;
  if (!yaml_parser_initialize(&parser)) {
    if (error) *error = "out of memory";
    return std::nullopt;
  }
  yaml_parser_set_input_string(&parser, reinterpret_cast<const unsigned char*>(text.data()), text.size());
  Builder builder;
  bool ok = true;
  while (ok && !builder.done) {
    yaml_event_t event;
    if (!yaml_parser_parse(&parser, &event)) {
      if (error) {
        *error = std::string(parser.problem ? parser.problem : "not YAML") + " at line " +
                 std::to_string(parser.problem_mark.line + 1) + ", column " +
                 std::to_string(parser.problem_mark.column + 1);
      }
      yaml_parser_delete(&parser);
      return std::nullopt;
    }
    ok = builder.onEvent(event);
    yaml_event_delete(&event);
  }
  yaml_parser_delete(&parser);
  if (!ok) {
    if (error) *error = builder.error;
    return std::nullopt;
  }
  return std::move(builder.root);
}

}  // namespace vl
