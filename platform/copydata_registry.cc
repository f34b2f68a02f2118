// The window registry in the runtime directory: entry files read and written
// with GLib's key files, and the socket addresses they point to.
#include "platform/copydata_registry.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/process_paths.h"
#include "platform/unicode_text.h"

namespace platform::channel {
namespace {

constexpr char kGroup[] = "window";
constexpr char kEntrySuffix[] = ".window";
// The folder of the helpers' sockets inside a short socket directory.
constexpr char kHelperShortFolder[] = "/bridge";

const char* RegistryName(Route route) {
  return route == Route::kHelpers ? "quorbital-bridge" : "quorbital-windows";
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool IsPrivateDirectory(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 0077) == 0;
}

std::string RandomToken() {
  std::uint64_t value = 0;
  if (getrandom(&value, sizeof(value), 0) != static_cast<ssize_t>(sizeof(value))) {
    value =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<std::uint64_t>(getpid()) << 40);
  }
  char text[17];
  g_snprintf(text, sizeof(text), "%016" G_GINT64_MODIFIER "x", static_cast<guint64>(value));
  return text;
}

// The registry directory named by the process that started this one; empty:
// this process finds it itself.
std::mutex g_dir_mutex;
std::string g_given_dir;

// Names of the windows this process published: never reported as remote.
std::mutex g_own_mutex;
std::set<std::string> g_own_names;

bool IsOwn(const std::string& name) {
  std::lock_guard<std::mutex> lock(g_own_mutex);
  return g_own_names.count(name) != 0;
}

bool FillAddress(const std::string& address, sockaddr_un* sa, socklen_t* length) {
  std::memset(sa, 0, sizeof(*sa));
  sa->sun_family = AF_UNIX;
  // Only socket files: a name in the abstract namespace could be taken by
  // any user first.
  if (address.size() < 2 || address[0] != '/' || address.size() >= sizeof(sa->sun_path)) {
    return false;
  }
  std::memcpy(sa->sun_path, address.data(), address.size());
  *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address.size() + 1);
  return true;
}

bool FitsSocketAddress(const std::string& path) {
  return path.size() < sizeof(sockaddr_un{}.sun_path);
}

// The short socket directory every process of this user shares.
std::string SharedShortDir() { return "/tmp/quorbital-" + std::to_string(geteuid()); }

// The short directory for sockets whose path under a deep runtime directory
// would not fit a socket address: /tmp/quorbital-<uid> when it is a private
// directory of this user, otherwise a fresh private directory of this
// process. The helpers' sockets go to its "bridge" folder, so that a helper
// given that folder sees none of the others.
std::string ShortSocketDir(Route route) {
  std::string base;
  const std::string shared = SharedShortDir();
  if ((mkdir(shared.c_str(), 0700) == 0 || errno == EEXIST) && IsPrivateDirectory(shared)) {
    base = shared;
  } else {
    static std::mutex mutex;
    static std::string own;
    std::lock_guard<std::mutex> lock(mutex);
    if (own.empty() || !IsPrivateDirectory(own)) {
      std::string pattern = shared + "-XXXXXX";
      own = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    base = own;
  }
  if (base.empty() || route == Route::kUserProcesses) return base;
  std::string helpers = base + kHelperShortFolder;
  if ((mkdir(helpers.c_str(), 0700) == 0 || errno == EEXIST) && IsPrivateDirectory(helpers)) {
    return helpers;
  }
  return std::string();
}

// Whether a socket file in folder is one of ours to remove: in the registry
// directory or in a short socket directory of this user (or its helpers'
// folder).
bool OwnSocketDir(const std::string& registry, const std::string& folder) {
  if (folder == registry) return true;
  std::string base = folder;
  if (EndsWith(base, kHelperShortFolder))
    base.resize(base.size() - std::strlen(kHelperShortFolder));
  const std::string shared = SharedShortDir();
  return (base == shared || base.rfind(shared + "-", 0) == 0) && IsPrivateDirectory(folder);
}

// Reads the entry file at path; false when it is unreadable or has no address.
bool ReadEntry(const std::string& path, RegistryEntry* entry) {
  GKeyFile* file = g_key_file_new();
  if (g_key_file_load_from_file(file, path.c_str(), G_KEY_FILE_NONE, nullptr)) {
    g_autofree gchar* address = g_key_file_get_string(file, kGroup, "address", nullptr);
    g_autofree gchar* class_name = g_key_file_get_string(file, kGroup, "class", nullptr);
    g_autofree gchar* title = g_key_file_get_string(file, kGroup, "title", nullptr);
    entry->pid = static_cast<long>(g_key_file_get_int64(file, kGroup, "pid", nullptr));
    entry->published_us = g_key_file_get_int64(file, kGroup, "published", nullptr);
    if (address != nullptr) entry->address = address;
    entry->class_name = Utf8ToWide(class_name);
    entry->title = Utf8ToWide(title);
  }
  g_key_file_free(file);
  entry->entry_path = path;
  return !entry->address.empty();
}

// Removes an entry file and, when it is in a folder of ours, its socket; a
// short folder of one process goes with its last socket.
void RemoveFiles(const std::string& registry, const RegistryEntry& entry) {
  if (!entry.entry_path.empty()) unlink(entry.entry_path.c_str());
  const std::size_t slash = entry.address.rfind('/');
  if (registry.empty() || slash == std::string::npos || slash == 0) return;
  const std::string folder = entry.address.substr(0, slash);
  if (!OwnSocketDir(registry, folder)) return;
  unlink(entry.address.c_str());
  const bool helpers = EndsWith(folder, kHelperShortFolder);
  const std::string base =
      helpers ? folder.substr(0, folder.size() - std::strlen(kHelperShortFolder)) : folder;
  if (base.rfind(SharedShortDir() + "-", 0) == 0) {
    // Both fail, as they should, while they hold other sockets.
    if (helpers) rmdir(folder.c_str());
    rmdir(base.c_str());
  }
}

}  // namespace

void CopyDataRegistry::UseDir(const std::string& dir) {
  std::lock_guard<std::mutex> lock(g_dir_mutex);
  g_given_dir = dir;
}

std::string CopyDataRegistry::Dir(Route route) {
  std::string given;
  {
    std::lock_guard<std::mutex> lock(g_dir_mutex);
    given = g_given_dir;
  }
  // A directory named by another process is only looked at, never made.
  if (!given.empty()) return IsPrivateDirectory(given) ? given : std::string();
  std::string runtime = RuntimeDir();
  if (runtime.empty()) return runtime;
  std::string dir = runtime + "/" + RegistryName(route);
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return std::string();
  return IsPrivateDirectory(dir) ? dir : std::string();
}

std::vector<std::string> CopyDataRegistry::SocketDirs() {
  std::vector<std::string> dirs;
  const std::string dir = Dir(Route::kHelpers);
  if (dir.empty()) return dirs;
  dirs.push_back(dir);
  // The longest socket name NewEntry makes: a seven-digit process id, a
  // dash, the token and the suffix.
  if (!FitsSocketAddress(dir + "/1234567-0123456789abcdef.sock")) {
    const std::string short_dir = ShortSocketDir(Route::kHelpers);
    if (!short_dir.empty()) dirs.push_back(short_dir);
  }
  return dirs;
}

bool CopyDataRegistry::NewEntry(const std::wstring& class_name, const std::wstring& title,
                                Route route, RegistryEntry* entry) {
  std::string dir = Dir(route);
  if (dir.empty()) return false;
  if (entry->name.empty()) {
    entry->pid = static_cast<long>(getpid());
    entry->name = std::to_string(entry->pid) + "-" + RandomToken();
    entry->published_us = g_get_real_time();
  }
  entry->route = route;
  entry->entry_path = dir + "/" + entry->name + kEntrySuffix;
  entry->address = dir + "/" + entry->name + ".sock";
  // A deep runtime directory can make the path too long for a socket address.
  if (!FitsSocketAddress(entry->address)) {
    const std::string short_dir = ShortSocketDir(route);
    if (short_dir.empty()) return false;
    entry->address = short_dir + "/" + entry->name + ".sock";
    if (!FitsSocketAddress(entry->address)) return false;
  }
  entry->class_name = class_name;
  entry->title = title;
  std::lock_guard<std::mutex> lock(g_own_mutex);
  g_own_names.insert(entry->name);
  return true;
}

bool CopyDataRegistry::Write(const RegistryEntry& entry) {
  GKeyFile* file = g_key_file_new();
  g_key_file_set_int64(file, kGroup, "pid", entry.pid);
  g_key_file_set_int64(file, kGroup, "published", entry.published_us);
  g_key_file_set_string(file, kGroup, "address", entry.address.c_str());
  g_key_file_set_string(file, kGroup, "class", WideToUtf8(entry.class_name).c_str());
  g_key_file_set_string(file, kGroup, "title", WideToUtf8(entry.title).c_str());
  gsize length = 0;
  g_autofree gchar* data = g_key_file_to_data(file, &length, nullptr);
  g_key_file_free(file);
  // g_file_set_contents writes a temporary file beside the entry and renames it.
  gboolean ok =
      g_file_set_contents(entry.entry_path.c_str(), data, static_cast<gssize>(length), nullptr);
  return ok != FALSE;
}

std::vector<RegistryEntry> CopyDataRegistry::ListOthers() {
  std::vector<RegistryEntry> entries;
  bool given = false;
  {
    std::lock_guard<std::mutex> lock(g_dir_mutex);
    given = !g_given_dir.empty();
  }
  // A helper finds windows in the registry it was given, everyone else in
  // the user processes' registry.
  const Route route = given ? Route::kHelpers : Route::kUserProcesses;
  std::string dir = Dir(route);
  if (dir.empty()) return entries;
  GDir* handle = g_dir_open(dir.c_str(), 0, nullptr);
  if (handle == nullptr) return entries;
  while (const char* file_name = g_dir_read_name(handle)) {
    std::string name = file_name;
    if (!EndsWith(name, kEntrySuffix) || name.size() == std::strlen(kEntrySuffix)) continue;
    name.resize(name.size() - std::strlen(kEntrySuffix));
    if (IsOwn(name)) continue;
    RegistryEntry entry;
    entry.name = name;
    entry.route = route;
    // An entry without an address is unreadable or half made: not a window.
    if (ReadEntry(dir + "/" + file_name, &entry)) entries.push_back(std::move(entry));
  }
  g_dir_close(handle);
  std::sort(entries.begin(), entries.end(), [](const RegistryEntry& a, const RegistryEntry& b) {
    if (a.published_us != b.published_us) return a.published_us < b.published_us;
    return a.name < b.name;
  });
  return entries;
}

void CopyDataRegistry::Remove(const RegistryEntry& entry) {
  RemoveFiles(Dir(entry.route), entry);
  if (entry.route != Route::kUserProcesses || entry.name.empty()) return;
  // A window that went without withdrawing left its helpers' entry too,
  // which its helpers cannot remove: their view of it is read-only.
  const std::string helpers = Dir(Route::kHelpers);
  if (helpers.empty() || helpers == Dir(Route::kUserProcesses)) return;
  RegistryEntry counterpart;
  counterpart.name = entry.name;
  counterpart.route = Route::kHelpers;
  const std::string path = helpers + "/" + entry.name + kEntrySuffix;
  if (ReadEntry(path, &counterpart)) {
    RemoveFiles(helpers, counterpart);
  } else {
    unlink(path.c_str());
  }
}

int CopyDataRegistry::Listen(const std::string& address) {
  sockaddr_un sa;
  socklen_t length = 0;
  if (!FillAddress(address, &sa, &length)) return -1;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  unlink(address.c_str());
  if (bind(fd, reinterpret_cast<sockaddr*>(&sa), length) != 0 || listen(fd, 64) != 0) {
    close(fd);
    return -1;
  }
  chmod(address.c_str(), 0600);
  return fd;
}

int CopyDataRegistry::Connect(const std::string& address, int timeout_ms) {
  sockaddr_un sa;
  socklen_t length = 0;
  if (!FillAddress(address, &sa, &length)) {
    errno = EINVAL;
    return -1;
  }
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | (timeout_ms >= 0 ? SOCK_NONBLOCK : 0), 0);
  if (fd < 0) return -1;
  // A listener whose queue is full (its owner stopped or busy) refuses a
  // non-blocking connect with EAGAIN until it accepts again: ask again until
  // the time is up.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (connect(fd, reinterpret_cast<sockaddr*>(&sa), length) == 0) break;
    if (errno == EINTR) continue;
    const bool busy = errno == EAGAIN;
    if (busy && timeout_ms > 0 && std::chrono::steady_clock::now() < deadline) {
      usleep(5000);
      continue;
    }
    const int saved = busy ? ETIMEDOUT : errno;
    close(fd);
    errno = saved;
    return -1;
  }
  if (timeout_ms >= 0) {
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
      close(fd);
      return -1;
    }
  }
  return fd;
}

}  // namespace platform::channel
