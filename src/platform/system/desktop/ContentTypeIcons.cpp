#include "platform/system/desktop/ContentTypeIcons.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace vl::contenttype {

namespace {

// Enough for every magic rule the shared MIME database uses on common files.
constexpr std::size_t kSniffBytes = 4096;

std::string headOfRegularFile(const std::string& path, bool* isDirectory) {
  *isDirectory = false;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  if (S_ISDIR(st.st_mode)) {
    *isDirectory = true;
    return {};
  }
  if (!S_ISREG(st.st_mode)) return {};
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return {};
  std::string head(kSniffBytes, '\0');
  ssize_t n;
  do {
    n = ::read(fd, head.data(), head.size());
  } while (n < 0 && errno == EINTR);
  ::close(fd);
  head.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return head;
}

void addOnce(std::vector<std::string>& names, const char* name) {
  if (name && *name && std::find(names.begin(), names.end(), name) == names.end()) names.emplace_back(name);
}

}  // namespace

std::string guessForFile(const std::string& path) {
  bool directory = false;
  const std::string head = headOfRegularFile(path, &directory);
  if (directory) return "inode/directory";
  gboolean uncertain = FALSE;
  gchar* type = g_content_type_guess(path.c_str(), reinterpret_cast<const guchar*>(head.data()), head.size(),
                                     &uncertain);
  gchar* mime = type ? g_content_type_get_mime_type(type) : nullptr;
  std::string result = mime ? mime : (type ? type : "application/octet-stream");
  g_free(mime);
  g_free(type);
  return result;
}

std::vector<std::string> iconNames(const std::string& contentType) {
  std::vector<std::string> names;
  if (contentType.empty()) return names;
  gchar* type = g_content_type_from_mime_type(contentType.c_str());
  const gchar* query = type ? type : contentType.c_str();
  if (GIcon* icon = g_content_type_get_icon(query)) {
    if (G_IS_THEMED_ICON(icon)) {
      const gchar* const* list = g_themed_icon_get_names(G_THEMED_ICON(icon));
      for (; list && *list; ++list) addOnce(names, *list);
    }
    g_object_unref(icon);
  }
  gchar* generic = g_content_type_get_generic_icon_name(query);
  addOnce(names, generic);
  g_free(generic);
  g_free(type);
  return names;
}

}  // namespace vl::contenttype
