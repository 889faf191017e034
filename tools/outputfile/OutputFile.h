#pragma once
// A file a tool writes as its result. A regular file (or a name not yet in
// use) is written under a unique temporary name beside it and renamed over it
// only once complete, keeping the mode of the file it replaces: a failed or
// interrupted run never leaves a half-written file under the name asked for,
// nor touches a file that was already there. Anything else (a FIFO, a
// character device, /dev/stdout) is written directly, as a shell's `>` would.
// A symbolic link is written through to its target and stays a link.

#include <cstddef>
#include <string>

namespace fxcorefile {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();  // discards an uncommitted temporary file
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // [main-thread] Opens path for writing: a temporary file beside the
    // target, or the target itself when it is not a regular file (which
    // waits, as any writer does, for a FIFO's reader). False with the reason
    // in cause ("it is a folder", or the system's error text).
    bool open(const std::string& path, std::string& cause);
    // The open descriptor, -1 when none.
    int fd() const { return m_fd; }
    // Whether writes go straight into the target (not a regular file):
    // nothing can be taken back, and the target cannot seek.
    bool direct() const { return m_direct; }
    // [main-thread] Writes all bytes.
    bool writeAll(const void* data, std::size_t size, std::string& cause);
    // [main-thread] Closes the file; a temporary one is renamed to the target.
    bool commit(std::string& cause);
    // [main-thread] Closes the file and removes a temporary one.
    void discard();

    // [main-thread] Makes every signal that ends the process remove the
    // temporary files still pending before it ends (signals ignored at the
    // call stay ignored). Call once at start, before any thread is made.
    static void removePendingOnSignals();

    // [main-thread] A temporary file that no name refers to, for a writer
    // that must seek (an audio header filled in at the end) before its bytes
    // go to a target that cannot; -1 with cause on failure.
    static int openScratch(std::string& cause);

private:
    std::string m_target;    // the resolved target
    std::string m_tempPath;  // empty when writing directly
    int m_fd = -1;
    int m_slot = -1;  // index in the signal cleanup list, -1 when not listed
    bool m_direct = false;
};

}  // namespace fxcorefile
