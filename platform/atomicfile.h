#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace valvora::platform {

// Replaces a file whole or not at all: a reader, a crash or a full disk sees the old file or
// the new one, never a mix, and a killed writer leaves no file of its own behind where the
// file system can write a file before naming it (Linux O_TMPFILE); elsewhere its temporary
// ".<name>.<pid>.<n>" stays until removeStaleTemporaries. Through a symbolic link the
// link's target is replaced and the link stays. The new file takes the old one's mode (and
// owner, where allowed), or newMode less the umask. A name that is not a regular file, or a
// file made read-only, is refused with EACCES. Fails with FileError carrying the system's
// error number and the message fileErrorMessage(errno) (writefile.h); callers that show
// another text keep the number.
void replaceFile(const std::string& path, std::string_view content, mode_t newMode = 0666);

// The file that replaceFile(path) writes: the end of path's chain of symbolic links (which
// need not exist yet). Fails like replaceFile (ELOOP) for a chain that does not end.
std::string replacedFile(const std::string& path);

// Removes the temporaries that earlier writers of the file left when they were killed, but
// not those of a process that still runs. Only for a caller that keeps other writers of the
// file waiting (the settings file's write lock).
void removeStaleTemporaries(const std::string& file);

// A write past the process's file-size limit ends the process with SIGXFSZ unless the signal
// is ignored; ignored, the write fails with EFBIG and is reported like any other failure.
void ignoreFileSizeSignal();

}  // namespace valvora::platform
