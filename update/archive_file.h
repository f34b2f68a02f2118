// The bundle archive's file as minizip reads it: positioned reads through
// two read-ahead windows, one for each of the places minizip reads from in
// turn (the central directory and the entries' data), instead of a stdio
// stream, whose buffer each of minizip's seeks would throw away.
#pragma once

#include <minizip/unzip.h>

// Opens the zip archive in the regular file open at fd for reading, through a
// descriptor of its own (fd stays the caller's), so that several handles read
// the same file whatever happens to its name meanwhile; null when it is not
// an archive. Close it with unzClose.
unzFile OpenArchive(int fd);
