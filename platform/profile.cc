// Profile (.ini) files: reading and writing one value, with case-insensitive
// section and key names and blank trimming. A write rewrites the whole file
// through a temporary file beside it, so a reader or a crash sees either the
// old file or the new one, never half of one; every line the write does not
// concern is kept byte for byte. A line ends at "\r\n", "\n" or "\r" alone.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/log.h"
#include "platform/windows.h"

namespace {

// Larger files are not profile files; they are refused rather than loaded.
constexpr off_t kMaxProfileSize = off_t{16} * 1024 * 1024;

std::mutex g_write_lock;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// The file as lines, each with its own ending (the last may have none). New
// lines get the ending of the file's first line.
struct Profile {
  std::vector<std::string> lines;
  std::string eol = "\n";
};

// A line without its ending.
std::string_view Body(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

std::string_view Ending(std::string_view line) { return line.substr(Body(line).size()); }

// Gives the line before a new one at the end the ending it lacks.
void EndLastLine(Profile& p) {
  if (!p.lines.empty() && Ending(p.lines.back()).empty()) p.lines.back() += p.eol;
}

// The last error of a file that is not there: 2, or 3 where its folder is not
// there either.
DWORD MissingFileError(const char* file_name) {
  std::string path(file_name);
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ERROR_FILE_NOT_FOUND;
  struct stat st;
  std::string dir = slash == 0 ? "/" : path.substr(0, slash);
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND
                                                            : ERROR_PATH_NOT_FOUND;
}

enum class LoadResult { kLoaded, kMissing, kFailed };

LoadResult Load(const char* file_name, Profile& profile) {
  int fd = open(file_name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? LoadResult::kMissing : LoadResult::kFailed;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxProfileSize) {
    close(fd);
    return LoadResult::kFailed;
  }
  std::string content;
  char buffer[8192];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof(buffer))) != 0) {
    if (n < 0) {
      if (errno == EINTR) continue;
      close(fd);
      return LoadResult::kFailed;
    }
    content.append(buffer, static_cast<size_t>(n));
    if (content.size() > static_cast<size_t>(kMaxProfileSize)) {
      close(fd);
      return LoadResult::kFailed;
    }
  }
  close(fd);
  // A UTF-8 byte-order mark stays in the first line, so a rewrite keeps it;
  // the parsers below look past it.
  size_t start = 0;
  bool ending_seen = false;
  while (start < content.size()) {
    size_t end = content.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      profile.lines.push_back(content.substr(start));
      break;
    }
    size_t next = end + (content.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    if (!ending_seen) profile.eol = content.substr(end, next - end);
    ending_seen = true;
    profile.lines.push_back(content.substr(start, next - start));
    start = next;
  }
  return LoadResult::kLoaded;
}

std::string_view StripMark(std::string_view line) {
  if (line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
  return line;
}

// A header is '[' name ']'; without the ']' the line is no header.
std::optional<std::string_view> SectionName(std::string_view line) {
  std::string_view t = Trim(StripMark(Body(line)));
  if (t.empty() || t.front() != '[') return std::nullopt;
  t.remove_prefix(1);
  size_t close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(0, close));
}

// A key line: the key and the value, both trimmed. Comments, blank lines and
// lines without '=' have no key.
struct KeyLine {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyLine> ParseKey(std::string_view line) {
  std::string_view t = Trim(StripMark(Body(line)));
  if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return std::nullopt;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return KeyLine{Trim(t.substr(0, eq)), Trim(t.substr(eq + 1))};
}

// Lines [begin, end) of the first section of this name; begin is the header.
bool FindSection(const Profile& p, std::string_view name, size_t& begin, size_t& end) {
  for (size_t i = 0; i < p.lines.size(); ++i) {
    auto section = SectionName(p.lines[i]);
    if (!section || !EqualNoCase(*section, name)) continue;
    begin = i;
    end = i + 1;
    while (end < p.lines.size() && !SectionName(p.lines[end])) ++end;
    return true;
  }
  return false;
}

std::optional<size_t> FindKey(const Profile& p, size_t begin, size_t end, std::string_view key) {
  for (size_t i = begin + 1; i < end; ++i) {
    auto k = ParseKey(p.lines[i]);
    if (k && EqualNoCase(k->key, key)) return i;
  }
  return std::nullopt;
}

DWORD CopyString(std::string_view text, LPSTR out, DWORD size) {
  size_t n = text.size() < size - 1 ? text.size() : size - 1;
  // memcpy from a view without storage is undefined even for zero bytes.
  if (n > 0) std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return static_cast<DWORD>(n);
}

// A list of names, each ended by a zero and the list by another. When it
// does not fit it is cut and still ends in two zeros; the result is size-2.
DWORD CopyList(const std::vector<std::string_view>& names, LPSTR out, DWORD size) {
  if (size < 2) {
    out[0] = '\0';
    return 0;
  }
  std::string list;
  for (auto name : names) {
    list.append(name);
    list.push_back('\0');
  }
  if (list.size() + 1 <= size) {
    std::memcpy(out, list.data(), list.size());
    out[list.size()] = '\0';
    return static_cast<DWORD>(list.size());
  }
  std::memcpy(out, list.data(), size - 2);
  out[size - 2] = '\0';
  out[size - 1] = '\0';
  return size - 2;
}

bool HasLineBreak(const char* s) { return s != nullptr && std::strpbrk(s, "\r\n") != nullptr; }

// False with the last error set when the file cannot be replaced.
bool WriteAtomically(const char* file_name, const std::string& content) {
  std::string path(file_name);
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = dir + "/." + base + ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    platform::LogWarning("profile: cannot create a file in %s (errno %d)", dir.c_str(), errno);
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
    return false;
  }
  struct stat st;
  mode_t mode = 0644;
  if (stat(file_name, &st) == 0 && S_ISREG(st.st_mode)) mode = st.st_mode & 07777;
  bool ok = fchmod(fd, mode) == 0;
  size_t done = 0;
  while (ok && done < content.size()) {
    ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      done += static_cast<size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), file_name) == 0;
  if (!ok) {
    platform::LogWarning("profile: cannot write %s (errno %d)", file_name, errno);
    unlink(temp.c_str());
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  int dir_fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd >= 0) {
    fsync(dir_fd);
    close(dir_fd);
  }
  return true;
}

std::string Join(const Profile& p) {
  std::string out;
  for (const auto& line : p.lines) out += line;
  return out;
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR default_value, LPSTR returned,
                               DWORD size, LPCSTR file_name) {
  if (returned == nullptr || size == 0) return 0;
  Profile profile;
  LoadResult result = file_name != nullptr ? Load(file_name, profile) : LoadResult::kMissing;
  if (result == LoadResult::kMissing)
    SetLastError(file_name != nullptr ? MissingFileError(file_name) : ERROR_FILE_NOT_FOUND);
  bool loaded = result == LoadResult::kLoaded;
  if (section == nullptr) {
    std::vector<std::string_view> names;
    for (const auto& line : profile.lines) {
      if (auto name = SectionName(line)) names.push_back(*name);
    }
    return CopyList(names, returned, size);
  }
  size_t begin = 0, end = 0;
  bool found = loaded && FindSection(profile, Trim(section), begin, end);
  if (key == nullptr) {
    std::vector<std::string_view> names;
    for (size_t i = begin + 1; found && i < end; ++i) {
      if (auto k = ParseKey(profile.lines[i])) names.push_back(k->key);
    }
    return CopyList(names, returned, size);
  }
  if (found) {
    if (auto line = FindKey(profile, begin, end, Trim(key))) {
      std::string_view value = ParseKey(profile.lines[*line])->value;
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
          value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      return CopyString(value, returned, size);
    }
  }
  std::string_view fallback = default_value != nullptr ? default_value : "";
  while (!fallback.empty() && IsBlank(fallback.back())) fallback.remove_suffix(1);
  return CopyString(fallback, returned, size);
}

// A null key removes the section, a null value removes the key. Names and
// values that would break the file's line structure are refused.
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file_name) {
  if (file_name == nullptr || *file_name == '\0' || section == nullptr || HasLineBreak(section) ||
      std::strchr(section, ']') != nullptr || HasLineBreak(key) || HasLineBreak(value) ||
      (key != nullptr && (std::strchr(key, '=') != nullptr || Trim(key).empty() || key[0] == '[' ||
                          key[0] == ';' || key[0] == '#'))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(g_write_lock);
  Profile profile;
  LoadResult loaded = Load(file_name, profile);
  if (loaded == LoadResult::kFailed) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const std::string& eol = profile.eol;
  size_t begin = 0, end = 0;
  bool found = FindSection(profile, Trim(section), begin, end);
  if (key == nullptr) {
    if (!found) return TRUE;
    profile.lines.erase(profile.lines.begin() + static_cast<long>(begin),
                        profile.lines.begin() + static_cast<long>(end));
  } else if (value == nullptr) {
    if (!found) return TRUE;
    auto line = FindKey(profile, begin, end, Trim(key));
    if (!line) return TRUE;
    profile.lines.erase(profile.lines.begin() + static_cast<long>(*line));
  } else if (!found) {
    EndLastLine(profile);
    profile.lines.push_back("[" + std::string(Trim(section)) + "]" + eol);
    profile.lines.push_back(std::string(Trim(key)) + "=" + value + eol);
  } else if (auto line = FindKey(profile, begin, end, Trim(key))) {
    // Keep the key as written, the blanks after '=' and the line's ending;
    // replace the rest.
    std::string& text = profile.lines[*line];
    size_t after = text.find('=') + 1;
    while (after < text.size() && (text[after] == ' ' || text[after] == '\t')) ++after;
    text = text.substr(0, after) + value + std::string(Ending(text));
  } else {
    // After the section's last non-blank line, before the blank lines that
    // set it off from the next section.
    size_t at = end;
    while (at > begin + 1 && Trim(Body(profile.lines[at - 1])).empty()) --at;
    if (at == profile.lines.size()) EndLastLine(profile);
    profile.lines.insert(profile.lines.begin() + static_cast<long>(at),
                         std::string(Trim(key)) + "=" + value + eol);
  }
  if (!WriteAtomically(file_name, Join(profile))) return FALSE;
  return TRUE;
}
