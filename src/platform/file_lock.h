// Advisory whole-file locks (flock) on lock files shared between processes.
#pragma once

#include <string>

namespace veltra::platform {

// Opens `path` read-write, creating it with mode 0644, and forces the mode to 0644 whatever the
// file-creation mask. A symbolic link, FIFO, folder, device or multiply linked file at `path` is
// refused without being followed or blocked on (see openWithoutFollowing). Returns the
// descriptor; throws SystemError("open", path, errno), whose description says what was found.
int openLockFile(const std::string& path);

// Opens an existing lock file read-only without creating it, refusing what openLockFile
// refuses; returns -1 (errno set) when that fails.
int openExistingLockFile(const std::string& path);

// Requests an exclusive lock without waiting; returns 0 or the errno of the failure.
int tryLockExclusive(int fd);

// Requests an exclusive lock, waiting as long as it takes and retrying after interrupting
// signals; returns 0 or the errno of a failure other than EINTR.
int lockExclusive(int fd);

// Closes a descriptor, which drops any lock held through it.
void closeDescriptor(int fd);

}  // namespace veltra::platform
