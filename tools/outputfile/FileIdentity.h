#pragma once
// Which file a path names, for the checks that keep a tool from writing over
// one of its own inputs: symbolic links followed, and files compared by
// device and inode rather than by name.

#include <string>

namespace fxcorefile {

// [main-thread] The path a write to path reaches: for an existing file its
// real path (every link followed); else where its chain of symbolic links
// ends (a name not in use yet), the folder resolved. False, with the
// system's reason in cause, when the path cannot be looked up (a chain of
// links that does not end, a folder that may not be searched).
bool resolveTarget(const std::string& path, std::string& resolved, std::string& cause);

// [main-thread] Whether a and b name one file: where both exist, the same
// device and inode (links followed: a symbolic or hard link, another
// spelling, /dev/stdout); where neither does, the same entry once resolved.
bool sameFile(const std::string& a, const std::string& b);

// Whether descriptors a and b have the same file open.
bool sameOpenFile(int a, int b);

}  // namespace fxcorefile
