#pragma once
// A file written under a temporary name beside its target and renamed over the
// target only once it is complete: a failed or interrupted run never leaves a
// half-written file under the name the user asked for, nor touches a file that
// was already there.

#include <cstddef>
#include <string>

namespace fxcorehost {

class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile();  // discards an uncommitted file
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // [main-thread] Creates the temporary file in the target's folder.
    bool create(const std::string& target, std::string& error);
    // The open descriptor of the temporary file, -1 when none.
    int fd() const { return m_fd; }
    // [main-thread] Writes all bytes to the temporary file.
    bool writeAll(const void* data, std::size_t size, std::string& error);
    // [main-thread] Closes the temporary file and renames it to the target.
    bool commit(std::string& error);
    // [main-thread] Closes and removes the temporary file.
    void discard();

    // [main-thread] Makes SIGINT, SIGTERM, SIGHUP and SIGQUIT remove the temporary files
    // that are still pending before the process ends. Call once at start.
    static void removePendingOnInterrupt();

private:
    std::string m_target;
    std::string m_tempPath;
    int m_fd = -1;
    int m_slot = -1;  // index in the interrupt cleanup list, -1 when not listed
};

// [main-thread] Whether paths a and b name the same file: the same entry of
// the same folder (however the folder is spelt, links included), or, where
// both exist, one file (same device and inode, as through a hard link).
bool namesSameFile(const std::string& a, const std::string& b);

}  // namespace fxcorehost
