#include "platform/system/x11/clipboard/X11ClipboardFormats.h"

#include <algorithm>

#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Url.h"

namespace vl::x11::clipboard {

namespace {

constexpr const char* kUtf8 = "UTF8_STRING";
constexpr const char* kTextPlainUtf8 = "text/plain;charset=utf-8";
constexpr const char* kString = "STRING";
constexpr const char* kText = "TEXT";
constexpr const char* kTextPlain = "text/plain";
constexpr const char* kHtml = "text/html";
constexpr const char* kUriList = "text/uri-list";
constexpr const char* kGnomeFiles = "x-special/gnome-copied-files";
constexpr const char* kRtf = "text/rtf";
constexpr const char* kApplicationRtf = "application/rtf";
constexpr const char* kPng = "image/png";

const std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);

// Readers prefer the first offered of each group.
const std::vector<std::vector<std::string>> kReadGroups = {
    {kUtf8, kTextPlainUtf8, "text/plain;charset=UTF-8", kString, kTextPlain},
    {kHtml},
    {kUriList, kGnomeFiles},
    {kRtf, kApplicationRtf},
    {kPng},
};

bool isFileUrl(std::string_view url) { return startsWith(lowercase(url.substr(0, 7)), "file://"); }

std::string textOfItem(const PasteboardItem& item) {
  if (auto s = item.data(kPasteboardTypeString)) return *s;
  if (auto f = item.data(kPasteboardTypeFileURL)) {
    // A file pasted into a text field or a terminal arrives as its path.
    if (auto path = pathFromFileUrl(*f)) return *path;
    return *f;
  }
  if (auto u = item.data(kPasteboardTypeURL)) return *u;
  return {};
}

bool hasText(const PasteboardItem& item) {
  return item.has(kPasteboardTypeString) || item.has(kPasteboardTypeFileURL) || item.has(kPasteboardTypeURL);
}

std::string joined(const std::vector<PasteboardItem>& items, const char* type, const char* separator) {
  std::string out;
  bool first = true;
  for (const auto& item : items) {
    auto d = item.data(type);
    if (!d) continue;
    if (!first) out += separator;
    out += *d;
    first = false;
  }
  return out;
}

// Text answers: STRING is Latin-1 by definition (and plain text that is not UTF-8 most likely is too);
// other text that is not valid UTF-8 keeps what it can, each bad byte replaced, since losing the whole
// copy over a few bytes helps nobody. A C string's terminator is dropped.
std::string textOfAnswer(const Answer& a) {
  std::string data = a.data;
  while (!data.empty() && data.back() == '\0') data.pop_back();
  if (a.type == kString || ((a.target == kString || a.target == kTextPlain) && !isValidUtf8(data))) {
    return latin1ToUtf8(data);
  }
  if (!isValidUtf8(data)) {
    logWarningf("X11 clipboard: %s (%zu bytes) is not valid UTF-8; the bad bytes are replaced",
                a.target.c_str(), data.size());
    return sanitizeUtf8(data);
  }
  return data;
}

}  // namespace

std::string latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (unsigned char c : latin1) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string utf8ToLatin1(std::string_view utf8) {
  std::string out;
  for (char16_t unit : toUtf16(utf8)) {
    if (unit >= 0xDC00 && unit <= 0xDFFF) continue;  // the second half of a pair already gave its '?'
    out.push_back(unit <= 0xFF ? static_cast<char>(unit) : '?');
  }
  return out;
}

std::string decodeHtml(std::string_view data) {
  const bool littleEndian = data.size() >= 2 && static_cast<unsigned char>(data[0]) == 0xFF &&
                            static_cast<unsigned char>(data[1]) == 0xFE;
  const bool bigEndian = data.size() >= 2 && static_cast<unsigned char>(data[0]) == 0xFE &&
                         static_cast<unsigned char>(data[1]) == 0xFF;
  std::string out;
  if (littleEndian || bigEndian) {
    std::u16string units;
    for (std::size_t i = 2; i + 1 < data.size(); i += 2) {
      const auto a = static_cast<unsigned char>(data[i]);
      const auto b = static_cast<unsigned char>(data[i + 1]);
      units.push_back(static_cast<char16_t>(littleEndian ? (b << 8 | a) : (a << 8 | b)));
    }
    out = fromUtf16(units);
  } else {
    out = std::string(data);
  }
  while (!out.empty() && out.back() == '\0') out.pop_back();
  return out;
}

std::vector<std::string> parseUriList(std::string_view data) {
  std::vector<std::string> urls;
  for (auto& line : splitLines(data)) {
    std::string url = trimWhitespace(line);
    if (url.empty() || url[0] == '#') continue;
    urls.push_back(std::move(url));
  }
  return urls;
}

std::vector<std::string> wantedTargets(const std::vector<std::string>& offered) {
  std::vector<std::string> wanted;
  for (const auto& group : kReadGroups) {
    for (const auto& target : group) {
      if (std::find(offered.begin(), offered.end(), target) != offered.end()) {
        wanted.push_back(target);
        break;
      }
    }
  }
  if (wanted.empty()) wanted = {kUtf8, kString};
  // Asked first, so a copy marked secret is known before any of its content is asked for.
  if (std::find(offered.begin(), offered.end(), kPasteboardTypePasswordManagerHint) != offered.end()) {
    wanted.insert(wanted.begin(), kPasteboardTypePasswordManagerHint);
  }
  return wanted;
}

std::vector<PasteboardItem> itemsFromAnswers(const std::vector<Answer>& answers) {
  PasteboardItem first;
  std::vector<PasteboardItem> more;
  for (const auto& a : answers) {
    if (a.data.empty()) continue;
    const std::string& t = a.target;
    if (t == kPasteboardTypePasswordManagerHint) {
      first.setData(kPasteboardTypePasswordManagerHint, a.data);
    } else if (t == kHtml) {
      std::string html = decodeHtml(a.data);
      if (!isValidUtf8(html)) {
        logWarningf(
            "X11 clipboard: text/html (%zu bytes) is not valid UTF-8 or UTF-16; the bad bytes are replaced",
            html.size());
        html = sanitizeUtf8(html);
      }
      first.setString(kPasteboardTypeHTML, std::move(html));
    } else if (t == kUriList || t == kGnomeFiles) {
      std::string_view body = a.data;
      // The file manager's form starts with the operation ("copy" or "cut") on its own line.
      if (t == kGnomeFiles) {
        const auto eol = body.find('\n');
        body = eol == std::string_view::npos ? std::string_view() : body.substr(eol + 1);
      }
      if (!isValidUtf8(body)) {
        logWarningf("X11 clipboard: %s is not UTF-8 text, left out", t.c_str());
        continue;
      }
      bool firstUrl = true;
      for (auto& url : parseUriList(body)) {
        const char* type = isFileUrl(url) ? kPasteboardTypeFileURL : kPasteboardTypeURL;
        if (firstUrl) {
          first.setString(type, std::move(url));
          firstUrl = false;
        } else {
          more.emplace_back(type, std::move(url));
        }
      }
    } else if (t == kRtf || t == kApplicationRtf) {
      first.setString(kPasteboardTypeRTF, a.data);
    } else if (t == kPng) {
      if (std::string_view(a.data).substr(0, kPngSignature.size()) == kPngSignature) {
        first.setData(kPasteboardTypePNG, a.data);
      } else {
        logWarning("X11 clipboard: image/png data without the PNG signature, left out");
      }
    } else if (!first.has(kPasteboardTypeString)) {
      first.setString(kPasteboardTypeString, textOfAnswer(a));
    }
  }
  std::vector<PasteboardItem> items;
  if (!first.empty()) items.push_back(std::move(first));
  for (auto& item : more) items.push_back(std::move(item));
  return items;
}

std::vector<std::string> targetsFor(const std::vector<PasteboardItem>& items) {
  auto any = [&](const char* type) {
    return std::any_of(items.begin(), items.end(), [&](const PasteboardItem& i) { return i.has(type); });
  };
  std::vector<std::string> targets;
  if (std::any_of(items.begin(), items.end(), hasText)) {
    targets.insert(targets.end(), {kUtf8, kTextPlainUtf8, kString, kText, kTextPlain});
  }
  if (any(kPasteboardTypeHTML)) targets.push_back(kHtml);
  if (any(kPasteboardTypeFileURL) || any(kPasteboardTypeURL)) targets.push_back(kUriList);
  if (any(kPasteboardTypeFileURL)) targets.push_back(kGnomeFiles);
  if (any(kPasteboardTypeRTF)) targets.insert(targets.end(), {kRtf, kApplicationRtf});
  if (any(kPasteboardTypePNG)) targets.push_back(kPng);
  return targets;
}

std::optional<std::pair<std::string, std::string>> answerFor(const std::vector<PasteboardItem>& items,
                                                             const std::string& target) {
  const auto offered = targetsFor(items);
  if (std::find(offered.begin(), offered.end(), target) == offered.end()) return std::nullopt;
  if (target == kUtf8 || target == kText || target == kTextPlainUtf8 || target == kTextPlain ||
      target == kString) {
    std::string text;
    bool first = true;
    for (const auto& item : items) {
      if (!hasText(item)) continue;
      if (!first) text += "\n";
      text += textOfItem(item);
      first = false;
    }
    if (target == kString) return std::make_pair(std::string(kString), utf8ToLatin1(text));
    return std::make_pair(target == kText ? std::string(kUtf8) : target, text);
  }
  if (target == kHtml) return std::make_pair(target, joined(items, kPasteboardTypeHTML, "\n"));
  if (target == kUriList || target == kGnomeFiles) {
    std::string list = target == kGnomeFiles ? "copy" : "";
    for (const auto& item : items) {
      auto url = item.data(kPasteboardTypeFileURL);
      if (!url && target == kUriList) url = item.data(kPasteboardTypeURL);
      if (!url) continue;
      list += target == kGnomeFiles ? "\n" + *url : *url + "\r\n";
    }
    return std::make_pair(target, list);
  }
  const char* type = target == kPng ? kPasteboardTypePNG : kPasteboardTypeRTF;
  for (const auto& item : items) {
    if (auto d = item.data(type)) return std::make_pair(target, *d);
  }
  return std::nullopt;
}

}  // namespace vl::x11::clipboard
