// Process calls: the last-error value, the command line and its splitting,
// full path names, per-user named mutexes, the tick count and Sleep.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/log.h"
#include "platform/process_paths.h"
#include "platform/windows.h"

namespace {

thread_local DWORD t_last_error = ERROR_SUCCESS;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Widen(const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  return wide;
}

// Quotes one argument so that the splitting rules below give it back
// unchanged: backslashes are doubled only where a quote follows them.
void AppendQuoted(std::wstring& line, const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
    line += arg;
    return;
  }
  line += L'"';
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      line.append(backslashes * 2 + 1, L'\\');
    } else {
      line.append(backslashes, L'\\');
    }
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

// The program name is split by its own rule (no backslash escapes, a quote
// only delimits), so it can only be quoted as a whole and cannot hold quotes.
void AppendProgramName(std::wstring& line, std::wstring name) {
  std::erase(name, L'"');
  if (name.empty() || name.find_first_of(L" \t") != std::wstring::npos) {
    line += L'"' + name + L'"';
  } else {
    line += name;
  }
}

std::wstring BuildCommandLine() {
  std::string raw;
  int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof(buffer))) > 0) raw.append(buffer, static_cast<size_t>(n));
    close(fd);
  }
  std::vector<std::string> args;
  size_t start = 0;
  while (start < raw.size()) {
    size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    args.push_back(raw.substr(start, end - start));
    start = end + 1;
  }
  std::wstring line;
  for (size_t i = 0; i < args.size(); ++i) {
    if (i == 0) {
      AppendProgramName(line, Widen(args[0]));
    } else {
      line += L' ';
      AppendQuoted(line, Widen(args[i]));
    }
  }
  return line;
}

// Splits after the program name: blanks separate arguments; quotes group;
// 2n backslashes before a quote give n backslashes and the quote groups,
// 2n+1 give n backslashes and a literal quote; other backslashes are
// literal; inside quotes "" is a literal quote that also ends the quoted part
// (so `"a""b" c` is the one argument `a"b c`).
void SplitArguments(const wchar_t* p, std::vector<std::wstring>& out) {
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (*p == L'\0') return;
    std::wstring arg;
    bool quoted = false;
    while (*p != L'\0' && (quoted || !IsBlank(*p))) {
      if (*p == L'\\') {
        size_t n = 0;
        while (*p == L'\\') {
          ++n;
          ++p;
        }
        if (*p == L'"') {
          arg.append(n / 2, L'\\');
          if (n % 2 == 1) {
            arg += L'"';
            ++p;
          }
        } else {
          arg.append(n, L'\\');
        }
      } else if (*p == L'"') {
        if (quoted && p[1] == L'"') {
          arg += L'"';
          quoted = false;
          p += 2;
        } else {
          quoted = !quoted;
          ++p;
        }
      } else {
        arg += *p++;
      }
    }
    out.push_back(std::move(arg));
  }
}

std::wstring ExecutablePath() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  return n > 0 ? Widen(std::string(buffer, static_cast<size_t>(n))) : std::wstring();
}

// A mutex handle: the lock file's descriptor for a named one, -1 otherwise.
struct MutexHandle {
  int fd = -1;
};

// The open handles, so a stale or foreign one is refused. Built on first use:
// handles may be made while static objects are still being constructed.
struct HandleTable {
  std::mutex lock;
  std::set<MutexHandle*> handles;
};
HandleTable& Handles() {
  static HandleTable* table = new HandleTable;
  return *table;
}

// Lock file name: the mutex name in UTF-8 with every byte outside a small
// safe set written as %XX, so no name can reach outside the runtime dir.
std::string LockFileName(const wchar_t* name) {
  int n = WideCharToMultiByte(CP_UTF8, 0, name, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, name, -1, utf8.data(), n, nullptr, nullptr);
  if (!utf8.empty()) utf8.pop_back();
  std::string file = "mutex-";
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : utf8) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
        c == '-') {
      file += static_cast<char>(c);
    } else {
      file += '%';
      file += kHex[c >> 4];
      file += kHex[c & 15];
    }
  }
  return file;
}

bool SetRecordLock(int fd, short type, bool wait) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 1;
  int rc;
  do {
    rc = fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

}  // namespace

DWORD GetLastError() { return t_last_error; }
void SetLastError(DWORD error) { t_last_error = error; }

LPWSTR GetCommandLineW() {
  static std::wstring line = BuildCommandLine();
  return line.data();
}

LPWSTR* CommandLineToArgvW(LPCWSTR command_line, int* argc) {
  if (command_line == nullptr || argc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::vector<std::wstring> args;
  const wchar_t* p = command_line;
  if (*p == L'\0') {
    // An empty command line names the running program only.
    args.push_back(ExecutablePath());
  } else {
    std::wstring program;
    if (*p == L'"') {
      ++p;
      while (*p != L'\0' && *p != L'"') program += *p++;
      if (*p == L'"') ++p;
    } else {
      while (*p != L'\0' && !IsBlank(*p)) program += *p++;
    }
    args.push_back(std::move(program));
    SplitArguments(p, args);
  }
  // One block, freed by LocalFree: the pointer array (null-ended), then the
  // strings.
  size_t bytes = (args.size() + 1) * sizeof(LPWSTR);
  for (const auto& a : args) bytes += (a.size() + 1) * sizeof(wchar_t);
  void* block = std::malloc(bytes);
  if (block == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* argv = static_cast<LPWSTR*>(block);
  auto* text = reinterpret_cast<wchar_t*>(argv + args.size() + 1);
  for (size_t i = 0; i < args.size(); ++i) {
    argv[i] = text;
    std::memcpy(text, args[i].c_str(), (args[i].size() + 1) * sizeof(wchar_t));
    text += args[i].size() + 1;
  }
  argv[args.size()] = nullptr;
  *argc = static_cast<int>(args.size());
  return argv;
}

HLOCAL LocalFree(HLOCAL mem) {
  std::free(mem);
  return nullptr;
}

DWORD GetFullPathNameW(LPCWSTR file_name, DWORD buffer_length, LPWSTR buffer, LPWSTR* file_part) {
  if (file_name == nullptr || *file_name == L'\0' || (buffer == nullptr && buffer_length != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring joined = file_name;
  if (joined[0] != L'/') {
    std::vector<char> cwd(4096);
    while (getcwd(cwd.data(), cwd.size()) == nullptr) {
      if (errno != ERANGE) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
      }
      cwd.resize(cwd.size() * 2);
    }
    std::wstring dir = Widen(cwd.data());
    if (dir.empty()) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return 0;
    }
    joined = dir + L"/" + joined;
  }
  // Resolve the components; ".." never climbs above the root.
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start <= joined.size()) {
    size_t end = joined.find(L'/', start);
    if (end == std::wstring::npos) end = joined.size();
    std::wstring part = joined.substr(start, end - start);
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != L".") {
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  std::wstring full;
  for (const auto& part : parts) full += L"/" + part;
  const bool trailing = joined.back() == L'/' && !parts.empty();
  if (full.empty() || trailing) full += L'/';
  if (full.size() + 1 > buffer_length) return static_cast<DWORD>(full.size() + 1);
  std::memcpy(buffer, full.c_str(), (full.size() + 1) * sizeof(wchar_t));
  if (file_part != nullptr) {
    const size_t slash = full.rfind(L'/');
    *file_part = slash + 1 < full.size() ? buffer + slash + 1 : nullptr;
  }
  return static_cast<DWORD>(full.size());
}

// A named mutex is a per-user lock file in the runtime directory. Every
// holder keeps a shared lock on byte 0 for as long as its handle is open; the
// kernel drops it when the process ends, however it ends. Whether another
// holder exists is learnt by first trying for the exclusive lock. Open file
// description locks are used because changing one from exclusive to shared
// is atomic, so two processes starting together cannot both see themselves
// as the first.
HANDLE CreateMutexW(SECURITY_ATTRIBUTES*, BOOL, LPCWSTR name) {
  auto* handle = new MutexHandle;
  DWORD error = ERROR_SUCCESS;
  if (name != nullptr && *name != L'\0') {
    std::string dir = platform::RuntimeDir();
    if (dir.empty()) {
      delete handle;
      SetLastError(ERROR_PATH_NOT_FOUND);
      return nullptr;
    }
    std::string path = dir + "/" + LockFileName(name);
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
      platform::LogWarning("CreateMutexW: cannot open %s (errno %d)", path.c_str(), errno);
      delete handle;
      SetLastError(ERROR_ACCESS_DENIED);
      return nullptr;
    }
    if (SetRecordLock(fd, F_WRLCK, false)) {
      SetRecordLock(fd, F_RDLCK, false);  // a downgrade; cannot conflict
    } else {
      error = ERROR_ALREADY_EXISTS;
      // Another holder may hold it exclusively for an instant while it starts.
      if (!SetRecordLock(fd, F_RDLCK, true)) {
        platform::LogWarning("CreateMutexW: cannot lock %s (errno %d)", path.c_str(), errno);
      }
    }
    handle->fd = fd;
  }
  {
    std::lock_guard<std::mutex> guard(Handles().lock);
    Handles().handles.insert(handle);
  }
  SetLastError(error);
  return handle;
}

BOOL CloseHandle(HANDLE h) {
  auto* handle = static_cast<MutexHandle*>(h);
  {
    std::lock_guard<std::mutex> guard(Handles().lock);
    if (Handles().handles.erase(handle) == 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  if (handle->fd >= 0) close(handle->fd);
  delete handle;
  return TRUE;
}

DWORD GetTickCount() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                     static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<DWORD>(ms);
}

void Sleep(DWORD milliseconds) {
  struct timespec left;
  left.tv_sec = milliseconds / 1000;
  left.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}
