#include "host/ReplacingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace fxcorehost {

namespace {

// Temporary files that an interrupt must remove. The signal handler reads
// them, so they are plain fixed buffers with a sig_atomic_t mark written
// after the path is complete.
constexpr int kCleanupSlots = 4;
char s_cleanupPaths[kCleanupSlots][PATH_MAX];
volatile std::sig_atomic_t s_cleanupUsed[kCleanupSlots];

int listForCleanup(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kCleanupSlots; ++i) {
        if (s_cleanupUsed[i]) continue;
        std::memcpy(s_cleanupPaths[i], path.c_str(), path.size() + 1);
        s_cleanupUsed[i] = 1;
        return i;
    }
    return -1;
}

void unlistForCleanup(int slot) {
    if (slot >= 0 && slot < kCleanupSlots) s_cleanupUsed[slot] = 0;
}

// Async-signal-safe: unlink, signal and raise only.
extern "C" void removePendingAndDie(int sig) {
    for (int i = 0; i < kCleanupSlots; ++i)
        if (s_cleanupUsed[i]) unlink(s_cleanupPaths[i]);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string fileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The entry path names: its folder resolved (links, "." and ".."), then its
// own name; the path itself when the folder does not resolve.
std::string entryOf(const std::string& path) {
    char resolved[PATH_MAX];
    if (!realpath(folderOf(path).c_str(), resolved)) return path;
    return std::string(resolved) + "/" + fileNameOf(path);
}

}  // namespace

bool namesSameFile(const std::string& a, const std::string& b) {
    if (a == b || entryOf(a) == entryOf(b)) return true;
    struct stat sa {};
    struct stat sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

ReplacingFile::~ReplacingFile() {
    discard();
}

bool ReplacingFile::create(const std::string& target, std::string& error) {
    discard();
    struct stat st {};
    if (stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        error = "cannot write '" + target + "': it is a folder";
        return false;
    }
    const std::string name = fileNameOf(target);
    if (name.empty()) {
        error = "cannot write '" + target + "': no file name";
        return false;
    }
    std::string pattern = folderOf(target) + "/." + name + ".part-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    // No interrupt between creating the file and listing it for removal.
    sigset_t interrupts;
    sigset_t previous;
    sigemptyset(&interrupts);
    sigaddset(&interrupts, SIGINT);
    sigaddset(&interrupts, SIGTERM);
    sigaddset(&interrupts, SIGHUP);
    sigaddset(&interrupts, SIGQUIT);
    sigprocmask(SIG_BLOCK, &interrupts, &previous);
    const int fd = mkstemp(buffer.data());
    const int createError = errno;
    if (fd >= 0) m_slot = listForCleanup(buffer.data());
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0) {
        errno = createError;
        error = "cannot write '" + target + "': " + std::strerror(errno);
        return false;
    }
    // mkstemp creates the file for its owner only; give it the mode a plain
    // create would have.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, static_cast<mode_t>(0666) & ~mask);

    m_fd = fd;
    m_target = target;
    m_tempPath = buffer.data();
    return true;
}

bool ReplacingFile::commit(std::string& error) {
    if (m_fd < 0) {
        error = "internal error: no file to commit";
        return false;
    }
    const int closed = close(m_fd);
    m_fd = -1;
    if (closed != 0) {
        error = "cannot write '" + m_target + "': " + std::strerror(errno);
        discard();
        return false;
    }
    if (rename(m_tempPath.c_str(), m_target.c_str()) != 0) {
        error = "cannot write '" + m_target + "': " + std::strerror(errno);
        discard();
        return false;
    }
    unlistForCleanup(m_slot);
    m_slot = -1;
    m_tempPath.clear();
    return true;
}

void ReplacingFile::discard() {
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
    if (!m_tempPath.empty()) unlink(m_tempPath.c_str());
    m_tempPath.clear();
    unlistForCleanup(m_slot);
    m_slot = -1;
}

void ReplacingFile::removePendingOnInterrupt() {
    std::signal(SIGINT, removePendingAndDie);
    std::signal(SIGTERM, removePendingAndDie);
    std::signal(SIGHUP, removePendingAndDie);
    std::signal(SIGQUIT, removePendingAndDie);
}

bool ReplacingFile::writeAll(const void* data, std::size_t size, std::string& error) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = write(m_fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "cannot write '" + m_target + "': " + std::strerror(n < 0 ? errno : EIO);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace fxcorehost
