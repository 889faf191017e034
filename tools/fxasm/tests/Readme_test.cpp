// The reference in README.md stays true: its operation list is the table's,
// and its example programs assemble.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/fxasm/Assembler.h"
#include "tools/fxasm/Disassembler.h"

namespace fxcore::fxasm {
namespace {

std::string readme() {
    std::ifstream in(FXASM_README);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Readme, OperationListIsTheTable) {
    const std::string text = readme();
    std::istringstream reference(operationReference());
    std::string line;
    int rows = 0;
    while (std::getline(reference, line)) {
        // "0x24  MacDelay register, delay offset" -> "| 0x24 | `MacDelay` | register, delay offset |"
        const std::size_t nameEnd = line.find(' ', 6);
        const std::string name =
            line.substr(6, nameEnd == std::string::npos ? std::string::npos : nameEnd - 6);
        const std::string operands = nameEnd == std::string::npos ? "(none)" : line.substr(nameEnd + 1);
        const std::string row = "| " + line.substr(0, 4) + " | `" + name + "` | " + operands + " |";
        EXPECT_NE(text.find(row), std::string::npos) << row;
        ++rows;
    }
    EXPECT_EQ(rows, 72);
}

TEST(Readme, ExamplesAssemble) {
    const std::string text = readme();
    std::size_t pos = 0;
    int assembled = 0;
    while ((pos = text.find("```\n", pos)) != std::string::npos) {
        const std::size_t end = text.find("```", pos + 4);
        ASSERT_NE(end, std::string::npos);
        const std::string block = text.substr(pos + 4, end - pos - 4);
        pos = end + 4;
        if (block.find("fxasm ") != std::string::npos || block.find("...") != std::string::npos) continue;
        const Assembly a = assemble(block);
        EXPECT_TRUE(a.ok) << block << (a.errors.empty() ? "" : a.errors[0].message);
        if (block.find("line[100]") != std::string::npos) {
            EXPECT_EQ(a.words,
                      (std::vector<std::uint32_t>{0x64000000u, 0x8A000000u, 0x88010064u, 0x68010004u}));
        }
        ++assembled;
    }
    EXPECT_GE(assembled, 2);
}

}  // namespace
}  // namespace fxcore::fxasm
