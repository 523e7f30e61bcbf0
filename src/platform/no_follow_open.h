// Opening a name in a folder other users may write to (the data folder) so that a link or a
// special file planted at that name is refused rather than followed, written or re-moded.
#pragma once

#include <sys/types.h>

#include <string>

namespace veltra::platform {

// What the caller may find at the name.
enum class ExpectedFile { regularFile, directory, regularFileOrDirectory };

// Opens `path` with `flags` (and `mode` when creating), then checks through the descriptor what
// was opened:
// - a symbolic link as the last component is refused (O_NOFOLLOW), never followed; the folders
//   above it are followed as usual, so a data folder reached through a link keeps working;
// - the open neither blocks on a FIFO nor takes a device as controlling terminal (O_NONBLOCK,
//   O_NOCTTY); O_NONBLOCK is cleared again unless `flags` asked for it;
// - anything but `expected` is refused, and so is a regular file with more than one link: a
//   hard link planted to another file would let a write or chmod here reach that file.
// Returns a close-on-exec descriptor. Throws SystemError(operation, path, errno) whose
// description names what was found, e.g. "open(<path>) failed: is a symbolic link (links are
// not followed)" or "open(<path>) failed: is a FIFO, not a regular file".
int openWithoutFollowing(const std::string& path, int flags, mode_t mode, ExpectedFile expected,
                         const std::string& operation = "open");

}  // namespace veltra::platform
