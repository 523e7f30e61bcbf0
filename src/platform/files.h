// File helpers over FileSystem: whole-file reads, the one atomic replace, attributes and folders.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/bytes.h"
#include "platform/file_system.h"
#include "platform/system_error.h"

namespace veltra::platform {

struct AtomicWriteOptions {
  // Permission bits of the written file, applied whatever the file-creation mask.
  mode_t mode = 0644;
  // Temporary sibling to write first; empty picks a unique name "<name>.tmp-<random>". Whatever
  // is at a given name is removed first, as a leftover of an interrupted write.
  std::string tempPath;
};

// Replaces `path` with `bytes` so that readers see the old or the new content, never a torn
// file, and the new content survives a crash once this returns: write a temporary sibling,
// fsync it, rename it over `path`, fsync the folder. Throws SystemError; on failure the target
// is unchanged and the temporary file is removed. The temporary is always created exclusively
// without following a link (a fixed tempPath is unlinked first), and a link at `path` is
// replaced, not written through, so nothing outside the folder is created, written or re-moded.
void writeFileAtomically(const std::string& path, ByteView bytes,
                         const AtomicWriteOptions& options = {},
                         FileSystem& fileSystem = FileSystem::real());

// Returns the whole content of the file at `path`. Throws SystemError.
Bytes readFile(const std::string& path, FileSystem& fileSystem = FileSystem::real());

// Returns the whole content, or nothing when the file cannot be read.
std::optional<Bytes> readFileIfPresent(const std::string& path,
                                       FileSystem& fileSystem = FileSystem::real());

// Returns the whole content of the regular file at `path` when it holds at most `limit` bytes.
// For files another party may have planted: a symbolic link as the last component is refused,
// not followed (ELOOP), and the file is opened without blocking, so a FIFO or device is refused
// by its type (EINVAL) instead of waited on. A larger file is refused (EFBIG) after reading at
// most limit + 1 bytes; no more than `limit` bytes are ever reserved. Throws SystemError.
Bytes readFileBounded(const std::string& path, std::size_t limit,
                      FileSystem& fileSystem = FileSystem::real());

// Returns what readFileBounded returns, or nothing where it throws.
std::optional<Bytes> readFileBoundedIfPresent(const std::string& path, std::size_t limit,
                                              FileSystem& fileSystem = FileSystem::real());

// Tells whether anything (file, folder, link target) exists at `path`.
bool fileExists(const std::string& path, FileSystem& fileSystem = FileSystem::real());

// Tells whether a folder exists at `path`.
bool isDirectory(const std::string& path);

// Returns the size of the file at `path`, or nothing when it cannot be read.
std::optional<std::uint64_t> fileSize(const std::string& path);

// Returns the modification time of `path`, or nothing when its attributes cannot be read.
std::optional<std::chrono::system_clock::time_point> modificationTime(const std::string& path);

// Sets the modification (and access) time of `path`. Throws SystemError.
void setModificationTime(const std::string& path, std::chrono::system_clock::time_point time);

// Creates `path` and any missing parents, giving each created folder `mode` exactly.
// Succeeds when the folder already exists (also through a link). A folder this call created
// is re-moded only through its descriptor, never through a link swapped in for it.
// Throws SystemError.
void createDirectories(const std::string& path, mode_t mode = 0755);

// Sets the permission bits of the regular file or folder at `path` through a descriptor; a
// link, special file or multiply linked file at `path` is refused, never followed or re-moded.
// Throws SystemError("chmod", path, errno).
void setMode(const std::string& path, mode_t mode);

// Returns the permission bits of `path`, or nothing when its attributes cannot be read.
std::optional<mode_t> fileMode(const std::string& path);

// Removes the file at `path`; returns 0 or the errno of the failure.
int removeFile(const std::string& path);

// Returns `folder` joined with `name` by one "/".
std::string joinPath(std::string_view folder, std::string_view name);

// Returns the path without its last component ("" for a bare name, "/" for a root child).
std::string parentPath(std::string_view path);

// Returns the last component of `path`.
std::string fileName(std::string_view path);

// Returns the temporary folder: $TMPDIR when set and not empty, else "/tmp".
std::string temporaryDirectory();

}  // namespace veltra::platform
