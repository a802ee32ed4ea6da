#include "platform/system/UniformType.h"

#include <algorithm>
#include <cctype>

namespace vl::uti {

namespace {

struct ExtensionType {
  const char* extension;
  const char* type;
};

// The extensions people actually copy; anything else is a dynamic type.
constexpr ExtensionType kExtensions[] = {
    {"png", kPNG},
    {"jpg", kJPEG},
    {"jpeg", kJPEG},
    {"jpe", kJPEG},
    {"gif", kGIF},
    {"tif", kTIFF},
    {"tiff", kTIFF},
    {"bmp", "com.microsoft.bmp"},
    {"ico", "com.microsoft.ico"},
    {"heic", "public.heic"},
    {"heif", "public.heif"},
    {"webp", "org.webmproject.webp"},
    {"svg", "public.svg-image"},
    {"pdf", kPDF},
    {"txt", kPlainText},
    {"text", kPlainText},
    {"md", "net.daringfireball.markdown"},
    {"html", "public.html"},
    {"htm", "public.html"},
    {"rtf", "public.rtf"},
    {"json", "public.json"},
    {"xml", "public.xml"},
    {"csv", "public.comma-separated-values-text"},
    {"zip", "public.zip-archive"},
    {"gz", "org.gnu.gnu-zip-archive"},
    {"tar", "public.tar-archive"},
    {"mp3", "public.mp3"},
    {"wav", "com.microsoft.waveform-audio"},
    {"mp4", "public.mpeg-4"},
    {"mov", "public.movie"},
    {"desktop", "org.freedesktop.desktop-entry"},
};

struct Parent {
  const char* type;
  const char* parent;
};

// Each type's direct parent; kData is the root.
constexpr Parent kParents[] = {
    {kImage, kData},
    {kPNG, kImage},
    {kJPEG, kImage},
    {kGIF, kImage},
    {kTIFF, kImage},
    {"com.microsoft.bmp", kImage},
    {"com.microsoft.ico", kImage},
    {"public.heic", kImage},
    {"public.heif", kImage},
    {"org.webmproject.webp", kImage},
    {"public.svg-image", kImage},
    {"public.text", kData},
    {kPlainText, "public.text"},
    {"net.daringfireball.markdown", kPlainText},
    {"public.html", "public.text"},
    {"public.rtf", "public.text"},
    {"public.json", "public.text"},
    {"public.xml", "public.text"},
    {"public.comma-separated-values-text", "public.text"},
    {"org.freedesktop.desktop-entry", "public.text"},
    {kPDF, kData},
    {"public.archive", kData},
    {"public.zip-archive", "public.archive"},
    {"org.gnu.gnu-zip-archive", "public.archive"},
    {"public.tar-archive", "public.archive"},
    {"public.audiovisual-content", kData},
    {"public.audio", "public.audiovisual-content"},
    {"public.mp3", "public.audio"},
    {"com.microsoft.waveform-audio", "public.audio"},
    {"public.movie", "public.audiovisual-content"},
    {"public.mpeg-4", "public.movie"},
    {kFolder, kData},
};

const char* parentOf(std::string_view type) {
  for (const auto& p : kParents) {
    if (type == p.type) return p.parent;
  }
  return nullptr;
}

}  // namespace

std::string preferredIdentifierForExtension(std::string_view extension) {
  if (extension.empty()) return kData;
  std::string lower(extension);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const auto& e : kExtensions) {
    if (lower == e.extension) return e.type;
  }
  return "dyn." + lower;
}

bool conformsTo(std::string_view type, std::string_view parent) {
  if (type.empty()) return false;
  if (parent == kData) return true;
  // The table is shallow and acyclic; the bound guards against a future edit making a loop.
  std::string_view current = type;
  for (int depth = 0; depth < 16; ++depth) {
    if (current == parent) return true;
    const char* next = parentOf(current);
    if (!next) return false;
    current = next;
  }
  return false;
}

}  // namespace vl::uti
