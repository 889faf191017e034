#include "host/ModuleFile.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "host/ErrorText.h"

namespace fxcorehost {

namespace {

using Header = ElfW(Ehdr);
using ProgramHeader = ElfW(Phdr);

#if defined(__x86_64__)
constexpr unsigned kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr unsigned kMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr unsigned kMachine = EM_386;
#elif defined(__arm__)
constexpr unsigned kMachine = EM_ARM;
#elif defined(__riscv)
constexpr unsigned kMachine = EM_RISCV;
#elif defined(__powerpc64__)
constexpr unsigned kMachine = EM_PPC64;
#else
#error "corlinde-host does not know the ELF machine number of this processor"
#endif
constexpr unsigned char kClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char kByteOrder = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool readAt(int fd, void* buffer, std::size_t size, std::uint64_t offset) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Whether [offset, offset + count * entrySize) lies inside a file of fileSize
// bytes, without overflow.
bool inside(std::uint64_t offset, std::uint64_t count, std::uint64_t entrySize, std::uint64_t fileSize) {
    if (offset > fileSize) return false;
    if (entrySize != 0 && count > (fileSize - offset) / entrySize) return false;
    return true;
}

std::string cutShort(std::uint64_t needed, std::uint64_t fileSize) {
    return "the file is cut short (it needs " + std::to_string(needed) + " bytes, it has " +
           std::to_string(fileSize) + ")";
}

// The problem with an ELF file's layout, empty when there is none.
std::string layoutProblem(int fd, const Header& header, std::uint64_t fileSize) {
    if (header.e_type != ET_DYN) return "it is not a shared library";
    if (header.e_machine != kMachine)
        return "it is built for another processor (ELF machine " + std::to_string(header.e_machine) + ")";
    if (header.e_phnum == 0 || header.e_phentsize != sizeof(ProgramHeader))
        return "it has no usable program headers";
    const std::uint64_t headersEnd = header.e_phoff + std::uint64_t{header.e_phnum} * sizeof(ProgramHeader);
    if (!inside(header.e_phoff, header.e_phnum, sizeof(ProgramHeader), fileSize))
        return cutShort(headersEnd, fileSize);
    for (unsigned i = 0; i < header.e_phnum; ++i) {
        ProgramHeader segment{};
        if (!readAt(fd, &segment, sizeof(segment), header.e_phoff + std::uint64_t{i} * sizeof(ProgramHeader)))
            return "cannot read its program headers";
        if (segment.p_type != PT_LOAD) continue;
        if (!inside(segment.p_offset, segment.p_filesz, 1, fileSize))
            return cutShort(static_cast<std::uint64_t>(segment.p_offset) + segment.p_filesz, fileSize);
    }
    // The section headers come last in a linked module: a file that lost
    // them lost its end.
    const std::uint64_t sectionsEnd = header.e_shoff + std::uint64_t{header.e_shnum} * header.e_shentsize;
    if (header.e_shoff != 0 && !inside(header.e_shoff, header.e_shnum, header.e_shentsize, fileSize))
        return cutShort(sectionsEnd, fileSize);
    return "";
}

}  // namespace

bool checkModuleFile(const std::string& path, std::string& error) {
    // Non-blocking, so that a FIFO under the plug-in's name cannot hang the open.
    const Descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        error = "cannot open plug-in " + quoted(path) + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (fstat(fd.get(), &st) != 0) {
        error = "cannot open plug-in " + quoted(path) + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        // A bundle directory is a macOS layout; on Linux a plug-in is one file.
        error = quoted(path) + " is not a CLAP plug-in file";
        return false;
    }
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    Header header{};
    std::string problem;
    if (fileSize < EI_NIDENT || !readAt(fd.get(), header.e_ident, EI_NIDENT, 0) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
        problem = "it is not an ELF shared library";
    } else if (header.e_ident[EI_CLASS] != kClass || header.e_ident[EI_DATA] != kByteOrder) {
        const unsigned char elfClass = header.e_ident[EI_CLASS];
        problem = std::string("it is built for another processor (") +
                  (elfClass == ELFCLASS32   ? "32"
                   : elfClass == ELFCLASS64 ? "64"
                                            : "?") +
                  "-bit, " + (header.e_ident[EI_DATA] == ELFDATA2LSB ? "little" : "big") + "-endian)";
    } else if (fileSize < sizeof(Header) || !readAt(fd.get(), &header, sizeof(header), 0)) {
        problem = cutShort(sizeof(Header), fileSize);
    } else {
        problem = layoutProblem(fd.get(), header, fileSize);
    }
    if (problem.empty()) return true;
    error = quoted(path) + " is not a CLAP plug-in: " + problem;
    return false;
}

}  // namespace fxcorehost
