// Reading the bundle archive for minizip with pread and two windows.
#include "update/archive_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kWindowSize = std::size_t{256} * 1024;

struct Window {
  std::vector<unsigned char> bytes;
  std::uint64_t start = 0;
  std::size_t size = 0;
  std::uint64_t last_use = 0;
  bool Holds(std::uint64_t pos) const { return pos >= start && pos < start + size; }
};

struct ArchiveStream {
  int fd = -1;
  std::uint64_t size = 0;  // the file's size when it was opened
  std::uint64_t pos = 0;
  bool failed = false;
  Window windows[2];
  std::uint64_t uses = 0;
};

// Reads up to size bytes at offset; the count read, 0 at the end, -1 on error.
ssize_t ReadAt(int fd, void* out, std::size_t size, std::uint64_t offset) {
  for (;;) {
    const ssize_t n = pread(fd, out, size, static_cast<off_t>(offset));
    if (n >= 0 || errno != EINTR) return n;
  }
}

// What minizip takes for a file name is the address of the caller's descriptor.
voidpf ZCALLBACK Open(voidpf, const void* filename, int mode) {
  if (filename == nullptr ||
      (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) {
    return nullptr;
  }
  const int fd = fcntl(*static_cast<const int*>(filename), F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  auto* stream = new ArchiveStream();
  stream->fd = fd;
  stream->size = static_cast<std::uint64_t>(st.st_size);
  return stream;
}

uLong ZCALLBACK Read(voidpf, voidpf opaque, void* buffer, uLong size) {
  auto* stream = static_cast<ArchiveStream*>(opaque);
  auto* out = static_cast<unsigned char*>(buffer);
  uLong done = 0;
  while (done < size) {
    Window* window = nullptr;
    for (Window& w : stream->windows) {
      if (w.Holds(stream->pos)) window = &w;
    }
    if (window == nullptr) {
      // A long read goes straight to its place; a short one fills the
      // window used least recently.
      if (size - done >= kWindowSize) {
        const ssize_t n = ReadAt(stream->fd, out + done, size - done, stream->pos);
        if (n <= 0) {
          stream->failed = stream->failed || n < 0;
          break;
        }
        done += static_cast<uLong>(n);
        stream->pos += static_cast<std::uint64_t>(n);
        continue;
      }
      Window& older = stream->windows[0].last_use <= stream->windows[1].last_use
                          ? stream->windows[0]
                          : stream->windows[1];
      older.bytes.resize(kWindowSize);
      const ssize_t n = ReadAt(stream->fd, older.bytes.data(), kWindowSize, stream->pos);
      if (n <= 0) {
        stream->failed = stream->failed || n < 0;
        break;
      }
      older.start = stream->pos;
      older.size = static_cast<std::size_t>(n);
      window = &older;
    }
    window->last_use = ++stream->uses;
    const std::uint64_t available = window->start + window->size - stream->pos;
    const uLong count = static_cast<uLong>(std::min<std::uint64_t>(available, size - done));
    std::memcpy(out + done, window->bytes.data() + (stream->pos - window->start), count);
    done += count;
    stream->pos += count;
  }
  return done;
}

uLong ZCALLBACK Write(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK Tell(voidpf, voidpf opaque) { return static_cast<ArchiveStream*>(opaque)->pos; }

long ZCALLBACK Seek(voidpf, voidpf opaque, ZPOS64_T offset, int origin) {
  auto* stream = static_cast<ArchiveStream*>(opaque);
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
      stream->pos = offset;
      return 0;
    case ZLIB_FILEFUNC_SEEK_CUR:
      stream->pos += offset;
      return 0;
    case ZLIB_FILEFUNC_SEEK_END:
      stream->pos = stream->size + offset;
      return 0;
    default:
      return -1;
  }
}

int ZCALLBACK Close(voidpf, voidpf opaque) {
  auto* stream = static_cast<ArchiveStream*>(opaque);
  const int result = close(stream->fd);
  delete stream;
  return result;
}

int ZCALLBACK Error(voidpf, voidpf opaque) {
  return static_cast<ArchiveStream*>(opaque)->failed ? 1 : 0;
}

}  // namespace

unzFile OpenArchive(int fd) {
  zlib_filefunc64_def functions{};
  functions.zopen64_file = Open;
  functions.zread_file = Read;
  functions.zwrite_file = Write;
  functions.ztell64_file = Tell;
  functions.zseek64_file = Seek;
  functions.zclose_file = Close;
  functions.zerror_file = Error;
  functions.opaque = nullptr;
  return unzOpen2_64(&fd, &functions);
}
