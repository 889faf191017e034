// fxasm command line:
//   fxasm IN.fxasm -o OUT.hex      assemble
//   fxasm --disassemble IN.hex     list a HEX program as assembly
//   fxasm --reference              list every operation and its operands

#include <cstdio>
#include <string>
#include <string_view>

#include "fxcore/FXCoreProgram.h"
#include "tools/fxasm/Assembler.h"
#include "tools/fxasm/Disassembler.h"
#include "tools/fxasm/HexWriter.h"

namespace {

constexpr const char* kUsage =
    "usage: fxasm IN.fxasm -o OUT.hex\n"
    "       fxasm --disassemble IN.hex\n"
    "       fxasm --reference\n";

bool readFile(const std::string& path, std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

// Writes through a temporary file so that a failed write leaves no partial output.
bool writeFile(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

int assembleFile(const std::string& input, const std::string& output) {
    std::string source;
    if (!readFile(input, source)) {
        std::fprintf(stderr, "%s: cannot read the file\n", input.c_str());
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
    if (!writeFile(output, fxcore::fxasm::writeHex(assembly.words, assembly.presets))) {
        std::fprintf(stderr, "%s: cannot write the file\n", output.c_str());
        return 1;
    }
    return 0;
}

int disassembleFile(const std::string& input) {
    fxcore::FXCoreProgram program;
    const auto result = program.loadFromFile(input);
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
