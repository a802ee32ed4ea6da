#include "platform/system/desktop/Workspace.h"

#include "platform/foundation/Files.h"
#include "platform/foundation/Text.h"
#include "platform/system/UniformType.h"
#include "platform/system/desktop/IconProvider.h"
#include "platform/system/desktop/InstalledBackend.h"
#include "platform/system/headless/HeadlessWorkspace.h"

namespace vl {

RunningApplication RunningApplication::fromDesktopEntry(std::string_view entryPath, bool active,
                                                        long long pid) {
  RunningApplication app;
  app.path = std::string(entryPath);
  std::string name = files::lastPathComponent(entryPath);
  constexpr std::string_view kSuffix = ".desktop";
  if (endsWith(name, kSuffix) && name.size() > kSuffix.size()) name.resize(name.size() - kSuffix.size());
  app.name = name;
  app.bundleIdentifier = name;
  app.processIdentifier = pid;
  app.active = active;
  return app;
}

namespace {

struct Signature {
  std::string_view magic;
  const char* type;
};

using namespace std::string_view_literals;

// The literals carry their own lengths, since two of them hold a zero byte.
const Signature kSignatures[] = {
    {"\x89PNG\r\n\x1a\n"sv, uti::kPNG},
    {"\xff\xd8\xff"sv, uti::kJPEG},
    {"GIF87a"sv, uti::kGIF},
    {"GIF89a"sv, uti::kGIF},
    {"II*\0"sv, uti::kTIFF},
    {"MM\0*"sv, uti::kTIFF},
    {"%PDF-"sv, uti::kPDF},
};

}  // namespace

std::shared_ptr<Workspace> Workspace::shared() {
  return InstalledBackend<Workspace, HeadlessWorkspace>::get();
}

void Workspace::install(std::shared_ptr<Workspace> backend) {
  InstalledBackend<Workspace, HeadlessWorkspace>::install(std::move(backend));
}

std::optional<std::string> Workspace::typeOfFile(const std::string& path) const {
  if (files::isDirectory(path)) return std::string(uti::kFolder);
  // Only a regular file is read: opening a FIFO would wait for a writer, a device may never end.
  if (files::exists(path) && !files::isRegularFile(path)) return std::string(uti::kData);
  const std::optional<std::string> head = files::readFileHead(path, 16);
  if (!head) return std::nullopt;
  const std::string_view got(*head);
  for (const auto& s : kSignatures) {
    if (got.substr(0, s.magic.size()) == s.magic) return std::string(s.type);
  }
  return std::string(uti::kData);
}

ui::ImageRef Workspace::iconForFile(const std::string& path, double points, int scale) const {
  return IconProvider::shared()->iconForFile(path, points, scale);
}

ui::ImageRef Workspace::iconForApplication(const std::string& entryPath, double points, int scale) const {
  return IconProvider::shared()->iconForApplication(entryPath, points, scale);
}

}  // namespace vl
