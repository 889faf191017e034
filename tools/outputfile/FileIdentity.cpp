#include "tools/outputfile/FileIdentity.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace fxcorefile {

namespace {

// As many links as the system's own lookup follows before giving up (ELOOP).
constexpr int kMaxLinks = 40;

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

// The folder resolved (links, "." and ".."), then the entry's own name; the
// path as given when its folder does not resolve.
std::string entryOf(const std::string& path) {
    char resolved[PATH_MAX];
    if (!realpath(folderOf(path).c_str(), resolved)) return path;
    const std::string folder = resolved;
    return (folder == "/" ? "" : folder) + "/" + fileNameOf(path);
}

}  // namespace

bool resolveTarget(const std::string& path, std::string& resolved, std::string& cause) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        // An existing file: the system follows every link, /proc's own
        // links to open descriptors among them.
        char real[PATH_MAX];
        resolved = realpath(path.c_str(), real) ? std::string(real) : entryOf(path);
        return true;
    }
    if (errno != ENOENT) {
        cause = std::strerror(errno);
        return false;
    }
    // A name not in use yet, or a link to one: where the chain of links ends.
    std::string current = path;
    for (int links = 0; links <= kMaxLinks; ++links) {
        if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            resolved = entryOf(current);
            return true;
        }
        std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        const ssize_t length = readlink(current.c_str(), target.data(), target.size());
        if (length < 0) {
            cause = std::strerror(errno);
            return false;
        }
        const std::string next(target.data(), static_cast<std::size_t>(length));
        current = next.rfind('/', 0) == 0 ? next : folderOf(current) + "/" + next;
    }
    cause = std::strerror(ELOOP);
    return false;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    const bool aExists = stat(a.c_str(), &sa) == 0;
    const bool bExists = stat(b.c_str(), &sb) == 0;
    if (aExists && bExists) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    if (aExists || bExists) return false;
    std::string ra;
    std::string rb;
    std::string cause;
    return a == b || (resolveTarget(a, ra, cause) && resolveTarget(b, rb, cause) && ra == rb);
}

bool sameOpenFile(int a, int b) {
    struct stat sa {};
    struct stat sb {};
    return fstat(a, &sa) == 0 && fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace fxcorefile
