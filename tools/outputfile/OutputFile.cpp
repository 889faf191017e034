#include "tools/outputfile/OutputFile.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/outputfile/FileIdentity.h"

namespace fxcorefile {

namespace {

// Temporary files that a signal must remove. The handler reads them, so they
// are plain fixed buffers with a sig_atomic_t mark written after the path is
// complete.
constexpr int kCleanupSlots = 4;
char s_cleanupPaths[kCleanupSlots][PATH_MAX];
volatile std::sig_atomic_t s_cleanupUsed[kCleanupSlots];

// Every signal whose default action ends the process, but SIGKILL and
// SIGSTOP, which cannot be caught; the real-time signals are added at run time.
constexpr int kEndingSignals[] = {SIGHUP,   SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                                  SIGFPE,   SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                                  SIGXCPU,  SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSYS,
#ifdef SIGSTKFLT
                                  SIGSTKFLT
#endif
};
constexpr int kMaxSignal = 65;
struct sigaction s_previous[kMaxSignal];

void endingSignals(sigset_t& set) {
    sigemptyset(&set);
    for (const int sig : kEndingSignals) sigaddset(&set, sig);
    for (int sig = SIGRTMIN; sig <= SIGRTMAX && sig < kMaxSignal; ++sig) sigaddset(&set, sig);
}

int listForCleanup(const char* path) {
    const std::size_t length = std::strlen(path);
    if (length >= PATH_MAX) return -1;
    for (int i = 0; i < kCleanupSlots; ++i) {
        if (s_cleanupUsed[i]) continue;
        std::memcpy(s_cleanupPaths[i], path, length + 1);
        s_cleanupUsed[i] = 1;
        return i;
    }
    return -1;
}

void unlistForCleanup(int slot) {
    if (slot >= 0 && slot < kCleanupSlots) s_cleanupUsed[slot] = 0;
}

// Async-signal-safe: unlink, sigaction and raise only. The signal comes again
// once the handler returns, to the action that was there before (the
// default, or a sanitizer's report), which ends the process as it would have.
extern "C" void removePendingAndResignal(int sig) {
    for (int i = 0; i < kCleanupSlots; ++i)
        if (s_cleanupUsed[i]) unlink(s_cleanupPaths[i]);
    sigaction(sig, &s_previous[sig], nullptr);
    raise(sig);
}

// Runs make (which creates a file and lists it) with the ending signals
// blocked, so that none arrives between the two.
template <typename Make>
int withSignalsBlocked(Make make) {
    sigset_t blocked;
    sigset_t previous;
    endingSignals(blocked);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    const int result = make();
    const int saved = errno;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = saved;
    return result;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

OutputFile::~OutputFile() {
    discard();
}

bool OutputFile::open(const std::string& path, std::string& cause) {
    discard();
    struct stat st {};
    const bool exists = stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        cause = "it is a folder";
        return false;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        // A FIFO, a terminal, /dev/null, /dev/stdout on a pipe: renaming a
        // file over it would take it away from its readers; the bytes go
        // into it instead.
        m_fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (m_fd < 0) {
            cause = std::strerror(errno);
            return false;
        }
        m_target = path;
        m_direct = true;
        return true;
    }
    std::string target;
    if (!resolveTarget(path, target, cause)) return false;
    const std::string name = target.substr(target.rfind('/') + 1);
    if (name.empty() || name == "." || name == "..") {
        cause = "no file name";
        return false;
    }
    m_target = target;
    std::string pattern = folderOf(target) + "/." + name + ".part-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = withSignalsBlocked([&] {
        const int created = mkstemp(buffer.data());
        if (created >= 0) m_slot = listForCleanup(buffer.data());
        return created;
    });
    if (fd < 0) {
        cause = std::strerror(errno);
        return false;
    }
    // mkstemp creates the file for its owner only: give it the mode of the
    // file it replaces, or the one a plain create would give.
    mode_t mode = st.st_mode & 07777;
    if (!exists) {
        const mode_t mask = umask(0);
        umask(mask);
        mode = static_cast<mode_t>(0666) & ~mask;
    }
    fchmod(fd, mode);
    m_fd = fd;
    m_direct = false;
    m_tempPath = buffer.data();
    return true;
}

bool OutputFile::writeAll(const void* data, std::size_t size, std::string& cause) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = write(m_fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            cause = std::strerror(n < 0 ? errno : EIO);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool OutputFile::commit(std::string& cause) {
    if (m_fd < 0) {
        cause = "the file is not open";
        return false;
    }
    const int closed = close(m_fd);
    m_fd = -1;
    if (closed != 0 || (!m_direct && rename(m_tempPath.c_str(), m_target.c_str()) != 0)) {
        cause = std::strerror(errno);
        discard();
        return false;
    }
    unlistForCleanup(m_slot);
    m_slot = -1;
    m_tempPath.clear();
    return true;
}

void OutputFile::discard() {
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
    if (!m_tempPath.empty()) unlink(m_tempPath.c_str());
    m_tempPath.clear();
    unlistForCleanup(m_slot);
    m_slot = -1;
}

void OutputFile::removePendingOnSignals() {
    sigset_t set;
    endingSignals(set);
    for (int sig = 1; sig < kMaxSignal; ++sig) {
        if (sigismember(&set, sig) != 1) continue;
        struct sigaction current {};
        if (sigaction(sig, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        s_previous[sig] = current;
        struct sigaction action {};
        action.sa_handler = removePendingAndResignal;
        sigfillset(&action.sa_mask);
        sigaction(sig, &action, nullptr);
    }
}

int OutputFile::openScratch(std::string& cause) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/.corlinde-scratch-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = withSignalsBlocked([&] {
        const int created = mkstemp(buffer.data());
        if (created >= 0) unlink(buffer.data());
        return created;
    });
    if (fd < 0) cause = std::strerror(errno);
    return fd;
}

}  // namespace fxcorefile
