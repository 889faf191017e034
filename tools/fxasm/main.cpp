// fxasm command line:
//   fxasm IN.fxasm -o OUT.hex      assemble
//   fxasm --disassemble IN.hex     list a HEX program as assembly
//   fxasm --reference              list every operation and its operands

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "fxcore/FXCoreProgram.h"
#include "tools/fxasm/Assembler.h"
#include "tools/fxasm/Disassembler.h"
#include "tools/fxasm/HexWriter.h"
#include "tools/outputfile/FileIdentity.h"
#include "tools/outputfile/OutputFile.h"

namespace {

constexpr const char* kUsage =
    "usage: fxasm IN.fxasm -o OUT.hex\n"
    "       fxasm --disassemble IN.hex\n"
    "       fxasm --reference\n";

// The whole of a regular file (a FIFO or a device would block or never end);
// false with the reason in cause.
bool readFile(const std::string& path, std::string& text, std::string& cause) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0) {
        cause = std::strerror(errno);
        if (fd >= 0) close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        cause = S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file";
        close(fd);
        return false;
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            cause = std::strerror(errno);
            close(fd);
            return false;
        }
        if (got == 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return true;
}

// Writes through fxcorefile::OutputFile: a failed write leaves no partial
// output, and a FIFO or a device is written directly.
bool writeFile(const std::string& path, const std::string& text, std::string& cause) {
    fxcorefile::OutputFile file;
    return file.open(path, cause) && file.writeAll(text.data(), text.size(), cause) && file.commit(cause);
}

int assembleFile(const std::string& input, const std::string& output) {
    if (fxcorefile::sameFile(input, output)) {
        std::fprintf(stderr, "%s: the output is the input file; give them different names\n", output.c_str());
        return 1;
    }
    std::string source;
    std::string cause;
    if (!readFile(input, source, cause)) {
        std::fprintf(stderr, "%s: cannot read the file: %s\n", input.c_str(), cause.c_str());
        return 1;
    }
    const fxcore::fxasm::Assembly assembly = fxcore::fxasm::assemble(source);
    if (!assembly.ok) {
        for (const auto& e : assembly.errors) {
            if (e.line > 0) {
                std::fprintf(stderr, "%s:%d: %s\n", input.c_str(), e.line, e.message.c_str());
            } else {
                std::fprintf(stderr, "%s: %s\n", input.c_str(), e.message.c_str());
            }
        }
        return 1;
    }
    if (!writeFile(output, fxcore::fxasm::writeHex(assembly.words, assembly.presets), cause)) {
        std::fprintf(stderr, "%s: cannot write the file: %s\n", output.c_str(), cause.c_str());
        return 1;
    }
    return 0;
}

int disassembleFile(const std::string& input) {
    std::string text;
    std::string cause;
    if (!readFile(input, text, cause)) {
        std::fprintf(stderr, "%s: cannot read the file: %s\n", input.c_str(), cause.c_str());
        return 1;
    }
    fxcore::FXCoreProgram program;
    const auto result = program.loadFromText(text);
    for (const auto& w : result.warnings) std::fprintf(stderr, "%s: warning: %s\n", input.c_str(), w.c_str());
    if (!result.ok) {
        std::fprintf(stderr, "%s: %s\n", input.c_str(), result.error.c_str());
        return 1;
    }
    std::printf("; %s: %zu words\n", input.c_str(), program.words.size());
    std::fputs(fxcore::fxasm::disassemble(program.words, program.presets).c_str(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    fxcorefile::OutputFile::removePendingOnSignals();
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (argc == 2 && first == "--reference") {
        std::fputs(fxcore::fxasm::operationReference().c_str(), stdout);
        return 0;
    }
    if (argc == 3 && first == "--disassemble") return disassembleFile(argv[2]);
    if (argc == 4 && std::string_view(argv[2]) == "-o") return assembleFile(argv[1], argv[3]);
    if (argc == 4 && first == "-o") return assembleFile(argv[3], argv[2]);
    std::fputs(kUsage, stderr);
    return 2;
}
